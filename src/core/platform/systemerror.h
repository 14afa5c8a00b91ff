#pragma once

#include <QString>

class QFileDevice;

// The one place where what the system, a library or a server said about a
// failure becomes Polish words. Their own texts are English (and follow the
// locale), so none of them is ever shown as it stands: a message names the
// file, folder or host and gives one of these reasons.
namespace SystemError {

// An operating-system error number (errno) as a reason for a message about
// a file: "brak miejsca na dysku", "brak uprawnień do pliku lub katalogu"...
QString Reason(int errorNumber);

// The same for a failure to create a file in a folder: a missing folder or
// one the user may not write in is named as such.
QString FolderReason(int errorNumber, const QString& folder);

// The error number behind a system's text (what strerror gives, and Qt's
// errorString() of a file is made of); 0 when the text is none of them.
int ErrorNumberOf(const QString& systemText);

// Why a QFile or QSaveFile failed: the system's error behind its text when
// there is one, else errorNumber (errno taken right after the failed call,
// for a short write that Qt gives no text), else the kind of its failure
// (for a write, a disk with no space left says so).
QString FileReason(const QFileDevice& file, int errorNumber = 0);

// A transfer library's failure (a CURLcode) as a reason, for the host that
// was asked: "serwer nie odpowiada", "certyfikat serwera nie został
// potwierdzony"...
QString TransferReason(int curlCode);

// An SQLite result code (extended or primary) as a reason for a message
// about the page history's file.
QString DatabaseReason(int sqliteCode);

// The refusal of a mail (SMTP) or FTP server, by its reply code, as a
// Polish sentence naming the server; the server's own words, when it gave
// any, are quoted after it.
QString MailRefusal(long replyCode, const QString& server, const QString& serverText = QString());
QString FtpRefusal(long replyCode, const QString& server, const QString& serverText = QString());

// The words of a server reply made fit to quote: one line, printable, at
// most a sensible length. Empty when nothing is left.
QString QuotedServerText(const QString& serverText);

} // namespace SystemError
