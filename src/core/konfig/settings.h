#pragma once

#include "harmonogram/schedule.h"
#include "konfig/timelimits.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace konfig {
// "Liczba jednocześnie sprawdzanych stron": its range, for the window, the
// file and the command line alike.
inline constexpr int kMinJobs = 1;
inline constexpr int kMaxJobs = 16;
// The pause between two requests to one host, in milliseconds.
inline constexpr int kDefaultHostDelayMs = 1000;
inline constexpr int kMaxHostDelayMs = 600000;
// "najwyżej N dokumentów ze strony"
inline constexpr int kDefaultDocumentsPerPage = 10;
inline constexpr int kMinDocumentsPerPage = 1;
inline constexpr int kMaxDocumentsPerPage = 50;
// The formats read when the file names none: PDF and the XML formats, and
// sub-pages of the page's own site.
inline QStringList DefaultDocumentFormats()
{
    return {QStringLiteral("pdf"), QStringLiteral("docx"), QStringLiteral("odt"), QStringLiteral("html")};
}
} // namespace konfig

// Every setting of the program, for the whole life of the program. The
// configuration window edits this object and every user reads it at the
// moment of use, so a change acts at once; config.ini is only its store.
// Initial values are those of the window layout before config.ini is read.
class Settings : public QObject
{
    Q_OBJECT

public:
    explicit Settings(QObject* parent = nullptr) : QObject(parent) {}

    // "minimalizuj do zasobnika systemowego" (CheckBox2, key "tray")
    bool tray = false;
    // "Maksymalny czas kontroli jednej strony" (ComboBox2, key "czas"):
    // the selected item 0..4, -1 when none is selected.
    int timeLimitIndex = -1;
    // "usuń starsze wpisy gmin" (CheckBox3, key "dubl")
    bool removeOlderEntries = false;
    // "ogranicz liczbę wpisów do" (CheckBox4, key "wpisy")
    bool limitEntries = false;
    // Edit1 text and the UpDown1 position (key "licz")
    QString entryCountText = QStringLiteral("1");
    int entryCountPosition = 1;
    // "pomijaj zmiany bez nowej treści" (key "tresc"): a page whose visible
    // text, noise aside, is that of its previous version gets kod 0 instead
    // of 1 or 2. Off unless the user turns it on.
    bool skipWithoutNewContent = false;
    // Server tab (keys "host", "dir", "user", "pass")
    QString host;
    QString directory;
    QString user;
    QString password;

    // "Liczba jednocześnie sprawdzanych stron" (key "watki"): 1 to 16; 1
    // checks one page at a time, as the program always did.
    int jobs = 1;
    // Least pause between two requests to the same host when several pages
    // are checked at once, in milliseconds (key "przerwa").
    int hostDelayMs = konfig::kDefaultHostDelayMs;
    // The User-Agent of page requests (key "agent"); empty: the program's
    // name and version.
    QString userAgent;

    // "Powiadomienia" tab. "wyślij podsumowanie po każdej kontroli" (key
    // "powiadom"); the SMTP server as smtp://host:port or smtps://host:port
    // ("smtp"), its user ("smtpuser") and password ("smtppass", scrambled
    // like the FTP password), sender ("mailod") and comma-separated
    // recipients ("maildo"). Off unless the user turns it on.
    bool notify = false;
    QString smtpUrl;
    QString smtpUser;
    QString smtpPassword;
    QString mailFrom;
    QString mailTo;
    // A page whose newest this many checks all failed is an alert (key
    // "alarm"): listed apart in the summary, by "strony niedostępne" and by
    // ekowarta-cli list --failing.
    int failingChecks = 3;
    // "publikuj także kanał Atom" (key "atom"): publication also sends
    // wykaz.xml beside wykaz.txt.
    bool atom = false;
    // "publikuj także terminy (iCalendar)" (key "ical"): publication also
    // sends terminy.ics, the calendar of comment deadlines, beside wykaz.txt.
    bool ical = false;

    // "czytaj dokumenty podlinkowane na stronie" (key "dokumenty"): a check
    // also reads the documents its page's new lines link to. "1" (the
    // default) reads documentFormats' defaults, "0" none; the file may
    // name the formats instead ("pdf,docx,odt,doc,rtf,html").
    bool documents = true;
    QStringList documentFormats = konfig::DefaultDocumentFormats();
    // "najwyżej N dokumentów ze strony" (key "dokumentow").
    int documentsPerPage = konfig::kDefaultDocumentsPerPage;

    // What the last LoadSettings found in config.ini that it could not use
    // as written (watki=999, przerwa=nan …): one Polish line per key with
    // the text read and the value used instead; empty for a sound file.
    // Whoever loads the settings tells these lines (event log, stderr).
    QStringList corrections;

    // "Sprawdzaj strony automatycznie codziennie o godz." (keys
    // "harmonogram", "godzina", the days "dni", and "publikuj": publish the
    // marked records after the scheduled check). Off unless turned on.
    harmonogram::Schedule schedule;

    // Seconds for the selected time limit: 30, 60, 120, 180, 300; 0 (no
    // limit) when nothing or anything else is selected.
    static int TimeLimitSeconds(int index) { return konfig::TimeLimitSeconds(index); }
    int timeLimitSeconds() const { return TimeLimitSeconds(timeLimitIndex); }

    // Whoever changes the values calls this, so that windows showing them
    // can follow.
    void notifyChanged() { Q_EMIT changed(); }

Q_SIGNALS:
    void changed();
};
