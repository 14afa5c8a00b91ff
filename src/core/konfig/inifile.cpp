#include "konfig/inifile.h"

#include "platform/systemerror.h"

#include "text/cp1250.h"
#include "platform/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace konfig {
namespace {

// One line of the file as byte offsets: the text without its line break,
// and where the next line starts.
struct Line
{
    qsizetype begin = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
    bool terminated() const { return end > contentEnd; }
};

QList<Line> splitLines(const QByteArray& bytes)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype newline = bytes.indexOf('\n', start);
        Line line;
        line.begin = start;
        if (newline < 0) {
            line.contentEnd = line.end = bytes.size();
        } else {
            line.end = newline + 1;
            line.contentEnd = newline > start && bytes[newline - 1] == '\r' ? newline - 1 : newline;
        }
        lines << line;
        start = line.end;
    }
    return lines;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (cp1250::toLower(a[i]) != cp1250::toLower(b[i]))
            return false;
    return true;
}

struct Parsed
{
    enum Kind { Other, Section, Key } kind = Other;
    QByteArrayView name;
    QByteArrayView value;
};

Parsed parse(QByteArrayView content)
{
    const QByteArrayView text = trimmed(content);
    Parsed p;
    if (text.startsWith('[')) {
        qsizetype close = text.indexOf(']');
        if (close < 0)
            close = text.size();
        p.kind = Parsed::Section;
        p.name = trimmed(text.sliced(1, close - 1));
        return p;
    }
    if (text.startsWith(';'))
        return p;
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return p;
    p.kind = Parsed::Key;
    p.name = trimmed(text.first(equals));
    p.value = trimmed(text.sliced(equals + 1));
    if (p.name.isEmpty())
        p.kind = Parsed::Other;
    return p;
}

// The file's lines with the bytes they stand for, and where a section is.
struct Layout
{
    QByteArray bytes;
    QList<Line> lines;

    QByteArrayView content(int i) const
    {
        return QByteArrayView(bytes).sliced(lines[i].begin, lines[i].contentEnd - lines[i].begin);
    }
    Parsed parsed(int i) const { return parse(content(i)); }

    // Index of the section's header line, -1 when missing. The first of
    // several sections of the same name is the one that counts.
    int findSection(QByteArrayView section) const
    {
        for (int i = 0; i < lines.size(); ++i) {
            const Parsed p = parsed(i);
            if (p.kind == Parsed::Section && sameName(p.name, section))
                return i;
        }
        return -1;
    }
    // One past the last line of the section whose header is at index header.
    int sectionEnd(int header) const
    {
        for (int i = header + 1; i < lines.size(); ++i)
            if (parsed(i).kind == Parsed::Section)
                return i;
        return int(lines.size());
    }
    int findKey(int header, QByteArrayView key) const
    {
        const int end = sectionEnd(header);
        for (int i = header + 1; i < end; ++i) {
            const Parsed p = parsed(i);
            if (p.kind == Parsed::Key && sameName(p.name, key))
                return i;
        }
        return -1;
    }
};

bool holdsLineBreakOrNul(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

QByteArray sectionAndKey(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    return "[" + section.toByteArray() + "]\r\n" + key.toByteArray() + "=" + value.toByteArray() + "\r\n";
}

} // namespace

QString IniFile::read(const QString& section, const QString& key) const
{
    return cp1250::toUnicode(readBytes(cp1250::fromUnicode(section), cp1250::fromUnicode(key)));
}

QByteArray IniFile::readBytes(QByteArrayView section, QByteArrayView key) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Layout layout;
    layout.bytes = file.readAll();
    layout.lines = splitLines(layout.bytes);
    const int header = layout.findSection(trimmed(section));
    if (header < 0)
        return {};
    const int line = layout.findKey(header, trimmed(key));
    if (line < 0)
        return {};
    QByteArrayView value = layout.parsed(line).value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.first(qMin(value.size(), qsizetype(kMaxValueLength))).toByteArray();
}

bool IniFile::write(const QString& section, const QString& key, const QString& value)
{
    return writeBytes(cp1250::fromUnicode(section), cp1250::fromUnicode(key), cp1250::fromUnicode(value));
}

bool IniFile::writeBytes(QByteArrayView sectionName, QByteArrayView keyName, QByteArrayView value)
{
    m_error.clear();
    const QByteArrayView section = trimmed(sectionName);
    const QByteArrayView key = trimmed(keyName);
    if (section.isEmpty() || key.isEmpty() || section.contains(']') || key.contains('=') ||
        holdsLineBreakOrNul(section) || holdsLineBreakOrNul(key)) {
        m_error = QStringLiteral("błędna nazwa sekcji lub klucza");
        return false;
    }
    if (holdsLineBreakOrNul(value)) {
        m_error = QStringLiteral("wartość zawiera znak końca wiersza lub bajt zerowy");
        return false;
    }

    Layout layout;
    const QFileInfo info(m_path);
    if (info.exists()) {
        if (!info.isFile()) {
            m_error = QStringLiteral("to nie jest plik");
            return false;
        }
        // The mode bits, not what this user may do: root may write anything.
        if (!(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther))) {
            m_error = QStringLiteral("plik jest tylko do odczytu");
            return false;
        }
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_error = SystemError::FileReason(file);
            return false;
        }
        layout.bytes = file.readAll();
        layout.lines = splitLines(layout.bytes);
    }

    QByteArray& bytes = layout.bytes;
    const int header = layout.findSection(section);
    if (header < 0) {
        if (!bytes.isEmpty() && !bytes.endsWith('\n'))
            bytes += "\r\n";
        bytes += sectionAndKey(section, key, value);
    } else if (const int line = layout.findKey(header, key); line >= 0) {
        const Line& l = layout.lines[line];
        // The key keeps its spelling from the file; only its value changes.
        QByteArray replacement = layout.parsed(line).name.toByteArray() + "=" + value.toByteArray();
        if (!l.terminated())
            replacement += "\r\n";
        bytes.replace(l.begin, l.contentEnd - l.begin, replacement);
    } else {
        // After the last line of the section that is not blank, so that
        // the blank lines before the next section stay where they are.
        int after = header;
        for (int i = header + 1; i < layout.sectionEnd(header); ++i)
            if (!trimmed(layout.content(i)).isEmpty())
                after = i;
        const Line& l = layout.lines[after];
        QByteArray insertion = key.toByteArray() + "=" + value.toByteArray() + "\r\n";
        if (!l.terminated())
            insertion.prepend("\r\n");
        bytes.insert(l.end, insertion);
    }

    // Written beside the file and renamed over it, so that a full disk
    // never leaves half a config.ini; in a directory that takes no new
    // files the file itself is rewritten.
    QSaveFile out(m_path);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !CommitSaveFile(out)) {
        m_error = SystemError::FileReason(out);
        return false;
    }
    return true;
}

} // namespace konfig
