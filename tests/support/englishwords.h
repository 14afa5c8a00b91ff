#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace testdata {

// The English words that the system's, libcurl's, Qt's and SQLite's own
// failure texts are made of ("No such file or directory", "Unknown error",
// "database is locked", "SQL logic error", "Couldn't connect to server"...).
// A text the user reads must have none of them outside a quotation of a
// server's own words, which the caller cuts off first.
inline QString EnglishWordIn(const QString& text)
{
    static const QRegularExpression words(
        QStringLiteral("\\b(error|errors|unknown|such|file|directory|denied|permission|space|left|device|failed|"
                       "could|couldn't|unable|cannot|refused|timed|timeout|connection|database|locked|logic|"
                       "read-only|busy|invalid|unsupported|protocol|peer|certificate|resolve|reached|"
                       "redirects|maximum|the|is|of|and|not)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = words.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

// A message without the server's own words that follow our sentence
// (" (odpowiedź serwera: „…”)"), for a comparison that does not depend on
// what a test server happens to say.
inline QString WithoutServerWords(QString text)
{
    static const QRegularExpression quoted(QStringLiteral(" \\(odpowiedź serwera: „[^”]*”\\)"));
    return text.remove(quoted);
}

// An FTP step's message without the reason that follows its own sentence
// ("Nie można pobrać pliku wykaz.txt." and no more), for tests about which
// step failed rather than why.
inline QString WithoutReason(const QString& text)
{
    static const QRegularExpression reason(
        QStringLiteral(" (Serwer FTP \\S+ [^(]*\\(kod \\d+\\)\\.|Przyczyna: .*\\.|Nie można zapisać pliku \".*\": .*\\.)$"));
    return WithoutServerWords(text).remove(reason);
}

inline QStringList WithoutReasons(QStringList texts)
{
    for (QString& t : texts)
        t = WithoutReason(t);
    return texts;
}

} // namespace testdata
