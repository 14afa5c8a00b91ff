#pragma once

#include "baza/baza.h"
#include "konfig/settings.h"
#include "przebieg/runcontroller.h"
#include "raport/runreport.h"
#include "support/httptestserver.h"
#include "support/scripteddialogs.h"
#include "support/seams.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <memory>

// One register in a temporary folder, a loopback HTTP server and a run
// controller wired to scripted dialogs, a pinned clock and a connection state
// the test switches. A test class inherits it, calls setUpRun() from init()
// and tearDownRun() from cleanup().
class RunFixture
{
public:
    static constexpr double kEarlierCheck = -1;

    struct Record
    {
        QString gmina;
        QString info;
        int kod = 0;
        int z = 0;
        double aktualizacja = 0;
        // kEarlierCheck: checked before (the day before the clock's day), so
        // that a first run compares; 0: never checked, which with no date
        // and no history makes the first check a baseline that marks nothing.
        double dataKontroli = kEarlierCheck;
        int size = 0;
        int row = 0;
    };

    RunFixture();
    ~RunFixture();

protected:
    void setUpRun(const QDateTime& now = QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    // Waits for every worker to end; false when one is still alive after 30 s.
    bool tearDownRun();

    // Writes the records (Natura 2000 = gmina + " obszar", voivodeship
    // "mazowieckie") and builds the run controller over the register.
    void makeRegister(const QList<Record>& records);
    // Starts a run and waits until it has ended and every check has handed
    // back; false on a time-out.
    bool runToEnd(int timeoutMs = 20000);
    bool waitForQuiet(int timeoutMs = 20000);
    // Moves the pinned clock to another moment.
    void pinClock(const QDateTime& now);

    QString url(const QString& path) const { return m_server->url(path); }
    dbf::DbfTable& table() { return m_baza->table(); }
    int kodOf(int recNo);
    int zOf(int recNo);
    QString uwagiOf(int recNo);
    double dateOf(int recNo, int field);
    // How many requests the server received for this target.
    int requestsFor(const QByteArray& target) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpTestServer> m_server;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<RunReport> m_report;
    std::unique_ptr<baza::Baza> m_baza;
    std::unique_ptr<RunController> m_run;
    std::unique_ptr<PinnedClock> m_clock;
    std::atomic<bool> m_online{true};

private:
    ConnectionProbe m_previousProbe;
};
