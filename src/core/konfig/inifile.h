#pragma once

#include <QByteArray>
#include <QString>

namespace konfig {

// An initialisation file read and written one value at a time, the way the
// Windows profile-string functions do it, so that config.ini files move
// between the two systems unchanged:
// - "[section]" lines, then "key=value" lines; names compare without
//   regard to case; lines before the first section and ";" comments are
//   nobody's keys;
// - a value reads back trimmed of blanks, without one pair of enclosing
//   quotes, cut to 2047 characters; a missing file, section or key reads as
//   the empty text;
// - a write replaces the key's line in place, or adds the key at the end of
//   its section, or adds the section at the end of the file, or creates the
//   file; every other byte of the file stays as it was; new lines end with
//   CR LF;
// - the bytes are Windows-1250.
class IniFile
{
public:
    static constexpr int kMaxValueLength = 2047;

    explicit IniFile(QString path) : m_path(std::move(path)) {}

    QString path() const { return m_path; }

    QString read(const QString& section, const QString& key) const;
    QByteArray readBytes(QByteArrayView section, QByteArrayView key) const;

    // False when the value could not be written; errorString() says why.
    // A file without any write permission counts as read-only and is not
    // written, like a file with the read-only attribute on Windows. A value
    // holding a line break or a NUL is refused: it would break the file.
    bool write(const QString& section, const QString& key, const QString& value);
    bool writeBytes(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    // Why the last write failed, in Polish, as the reason of a message.
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};

} // namespace konfig
