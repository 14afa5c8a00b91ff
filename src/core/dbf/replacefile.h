#pragma once

#include <QFile>
#include <QString>

#include <memory>

namespace dbf {

// A new content for a file, written beside it and put in its place in one
// rename, so that a kill or a power loss at any moment leaves either the old
// file or the complete new one. The temporary file lives in the same
// directory (a rename does not cross file systems) under a name that no
// reader takes for the file itself: "<name>.tmp-XXXXXX".
class FileReplacement
{
public:
    // Creates the temporary file; throws DbfError when it cannot.
    explicit FileReplacement(const QString& path);
    // Removes the temporary file unless it was committed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // The temporary file, open for reading and writing.
    QFile& file() { return *m_file; }
    void write(const char* data, qint64 size);
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }

    // Flushes and syncs the new content, renames it over the path, takes the
    // old file's permissions and syncs the directory. Afterwards file() is
    // the file at the path (same descriptor, locks taken on it kept).
    void commit();
    // The committed file, handed over to a new owner.
    std::unique_ptr<QFile> takeFile() { return std::move(m_file); }

    // Temporary files left by a replacement that was killed: removed when
    // the file is next opened by someone who holds it (nobody else can be
    // in the middle of a replacement then).
    static void removeLeftovers(const QString& path);

private:
    [[noreturn]] void fail(); // with errno of the failed call
    [[noreturn]] void failOfFile(); // a failed call of the QFile

    QString m_path;
    QString m_tempPath;
    std::unique_ptr<QFile> m_file;
    bool m_committed = false;
};

} // namespace dbf
