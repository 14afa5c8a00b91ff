// Failures of the system, the history file and the network as ekowarta-cli
// tells them: in Polish, naming the file, folder or host, whatever the
// system or the library said. Each case makes the failure for real: a file
// that is not there, a folder the user may not write in, a disk with no
// space left, the history held by the sqlite3 tool, a redirection refused.
#include "baza/baza.h"
#include "baza/fields.h"
#include "support/englishwords.h"
#include "support/httptestserver.h"
#include "support/testdata.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <unistd.h>

using testdata::run;

namespace {

// What the program said in its own words: quoted names ("…") and a
// server's own words („…”) are cut off before the scan for English.
QString ownWords(const QByteArray& output)
{
    QString text = QString::fromUtf8(output);
    static const QRegularExpression quoted(QStringLiteral("\"[^\"]*\"|„[^”]*”|\\S+/\\S*"));
    return text.replace(quoted, QStringLiteral(" "));
}

bool sqlite3Available()
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("-version")});
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

} // namespace

class TestCliSystemErrors : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString data() const { return m_dir->path(); }
    testdata::ProcessResult cli(const QStringList& args)
    {
        return run(QStringLiteral("ekowarta-cli"), QStringList{QStringLiteral("--dir"), data()} + args);
    }

    void makeRegister(const QString& page)
    {
        baza::Baza b(data());
        b.OpenTable();
        b.table().append();
        b.table().setText(baza::Gmina, QStringLiteral("Tuchola"));
        b.table().setText(baza::Info, page);
        b.table().post();
        b.table().close();
    }

    // The words the user read, none of them English.
    static void verifyPolish(const testdata::ProcessResult& r)
    {
        const QString said = ownWords(r.err + r.out);
        const QString english = testdata::EnglishWordIn(said);
        QVERIFY2(english.isEmpty(), qPrintable(QStringLiteral("\"%1\" in: %2").arg(english, QString::fromUtf8(r.err + r.out))));
    }

private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void importOfAMissingFile()
    {
        const QString none = QDir(data()).filePath(QStringLiteral("none.csv"));
        const auto r = cli({QStringLiteral("import"), none});
        QVERIFY(r.exitCode != 0);
        QVERIFY2(r.err.contains(QStringLiteral("Nie można odczytać pliku \"%1\": brak pliku lub katalogu").arg(none).toUtf8()),
                 r.err.constData());
        verifyPolish(r);
    }

    // Root may write anywhere: the command then runs as nobody, for whom
    // the folder is read-only as it is for a user without the right.
    void readOnlyDataFolder()
    {
        QVERIFY(QFile::setPermissions(data(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::ExeOther));
        // The first record makes the register: a new file in the folder.
        const QStringList args{QStringLiteral("--dir"), data(), QStringLiteral("add"), QStringLiteral("--gmina"),
                               QStringLiteral("Tuchola"), QStringLiteral("--natura2000"), QStringLiteral("Bory Tucholskie"),
                               QStringLiteral("--wojewodztwo"), QStringLiteral("kujawsko-pomorskie")};
        testdata::ProcessResult r;
        if (::geteuid() == 0) {
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                QSKIP("no setpriv to run as another user");
            // The build tree must be reachable for nobody.
            if (!QFileInfo(testdata::program(QStringLiteral("ekowarta-cli"))).permission(QFile::ExeOther))
                QSKIP("the built program is not for other users");
            r = testdata::runUnder({QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                    QStringLiteral("--clear-groups")},
                                   QStringLiteral("ekowarta-cli"), args);
            if (r.err.contains("setpriv") || r.err.contains("cannot start"))
                QSKIP(r.err.constData());
        } else {
            r = run(QStringLiteral("ekowarta-cli"), args);
        }
        QVERIFY(r.exitCode != 0);
        QVERIFY2(r.err.contains(QStringLiteral("brak uprawnień do zapisu w katalogu \"%1\"").arg(data()).toUtf8()), r.err.constData());
        QVERIFY(!r.err.contains("brak pliku lub katalogu"));
        verifyPolish(r);
        QVERIFY(QFile::setPermissions(data(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // A disk of 64 KiB of its own (a mount namespace of the command's own,
    // as an unprivileged user gets it), full before the export writes.
    void fullDisk()
    {
        makeRegister(QStringLiteral("http://127.0.0.1/"));
        if (QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
            QSKIP("no unshare here");
        const QString disk = QDir(data()).filePath(QStringLiteral("dysk"));
        QVERIFY(QDir().mkpath(disk));
        const QString out = QDir(disk).filePath(QStringLiteral("rejestr.csv"));
        // The shell mounts the disk, puts the old export on it, fills it,
        // runs the command and shows what is left of the old export.
        const QString script = QStringLiteral(
            "d=\"$1\"; shift; mount -t tmpfs -o size=64k none \"$d\" || exit 97; "
            "printf 'stary eksport' > \"$d/rejestr.csv\"; "
            "dd if=/dev/zero of=\"$d/wypelnienie\" bs=4k count=100 2>/dev/null; "
            "\"$@\"; status=$?; printf '\\n---\\n'; cat \"$d/rejestr.csv\"; exit $status");
        const auto r = testdata::runUnder({QStringLiteral("unshare"), QStringLiteral("-rm"), QStringLiteral("sh"),
                                           QStringLiteral("-c"), script, QStringLiteral("sh"), disk},
                                          QStringLiteral("ekowarta-cli"),
                                          {QStringLiteral("--dir"), data(), QStringLiteral("export"), out});
        if (r.exitCode == 97 || r.err.contains("unshare"))
            QSKIP("no disk of its own can be mounted here");
        QVERIFY(r.exitCode != 0);
        QVERIFY2(r.err.contains(QStringLiteral("Nie można zapisać pliku \"%1\": brak miejsca na dysku").arg(out).toUtf8()),
                 r.err.constData());
        // Nothing reported done, and the old file is whole.
        QVERIFY2(r.out.endsWith("\n---\nstary eksport"), r.out.constData());
        QVERIFY(!r.out.contains("Zapisano"));
        verifyPolish(r);
    }

    void busyAndEmptyHistory()
    {
        if (!sqlite3Available())
            QSKIP("no sqlite3 tool here");
        makeRegister(QStringLiteral("http://127.0.0.1/strona.html"));
        const QString history = QDir(data()).filePath(QStringLiteral("historia.sqlite"));

        // A database without a single table: no history yet, said so.
        QProcess make;
        make.start(QStringLiteral("sqlite3"), {history, QStringLiteral("PRAGMA user_version = 0; VACUUM;")});
        QVERIFY(make.waitForFinished(20000));
        const auto empty = cli({QStringLiteral("history"), QStringLiteral("1")});
        QVERIFY2(empty.err.contains("brak historii stron (plik historia.sqlite)"), empty.err.constData());
        verifyPolish(empty);

        // The sqlite3 tool in a transaction holds the file.
        QProcess holder;
        holder.setProcessChannelMode(QProcess::MergedChannels);
        holder.start(QStringLiteral("sqlite3"), {QStringLiteral("-interactive"), history});
        QVERIFY(holder.waitForStarted());
        holder.write("BEGIN EXCLUSIVE;\nSELECT 'trzym' || 'any';\n");
        QByteArray said;
        QElapsedTimer clock;
        clock.start();
        while (!said.contains("trzymany") && clock.elapsed() < 10000) {
            holder.waitForReadyRead(100);
            said += holder.readAll();
        }
        QVERIFY2(said.contains("trzymany"), said.constData());
        const auto busy = cli({QStringLiteral("history"), QStringLiteral("1")});
        holder.write("COMMIT;\n.quit\n");
        holder.closeWriteChannel();
        holder.waitForFinished(10000);
        QVERIFY(busy.exitCode != 0);
        QVERIFY2(busy.err.contains("historia.sqlite") && busy.err.contains("zajęty"), busy.err.constData());
        QVERIFY(!busy.err.contains("locked"));
        verifyPolish(busy);
    }

    // A redirection the program does not follow is said to be one, with
    // why; the host did answer.
    void refusedRedirections_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QString>("message");
        QTest::newRow("to another protocol") << QByteArray("ftp://127.0.0.1/wykaz.txt")
                                             << QStringLiteral("Odrzucone przekierowanie na adres inny niż http(s)");
        QTest::newRow("in a circle") << QByteArray("/petla") << QStringLiteral("Odrzucone przekierowanie: ponad 20 przekierowań");
    }

    void refusedRedirections()
    {
        QFETCH(QByteArray, location);
        QFETCH(QString, message);
        HttpTestServer server;
        server.route("/petla", HttpTestServer::Response::redirect(location, 302));
        const auto r = cli({QStringLiteral("check-page"), server.url(QStringLiteral("/petla"))});
        const QString said = QString::fromUtf8(r.out + r.err);
        QVERIFY2(said.contains(message), qPrintable(said));
        QVERIFY(!said.contains(QStringLiteral("nie odpowiada")));
        verifyPolish(r);
    }
};

QTEST_GUILESS_MAIN(TestCliSystemErrors)
#include "tst_cli_systemerrors.moc"
