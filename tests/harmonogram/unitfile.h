#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// A systemd unit file read the way systemd reads it: sections, keys, and
// the words of a command line with systemd's quoting undone.
namespace unitfile {

using Sections = QMap<QString, QMap<QString, QString>>;

inline Sections Parse(const QString& text)
{
    Sections sections;
    QString section;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            sections[section];
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            sections[section][line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }
    return sections;
}

// Undoes %% and $$ and splits into words: blanks separate them, double
// quotes keep them together, backslash escapes inside quotes.
inline QStringList ExecWords(const QString& value)
{
    QStringList words;
    QString word;
    bool inWord = false, quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if ((c == QLatin1Char('%') || c == QLatin1Char('$')) && i + 1 < value.size() && value[i + 1] == c) {
            word += c;
            inWord = true;
            ++i;
        } else if (quoted && c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value[++i];
            word += n == QLatin1Char('n') ? QLatin1Char('\n') : n == QLatin1Char('t') ? QLatin1Char('\t') : n;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (c.isSpace() && !quoted) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

} // namespace unitfile
