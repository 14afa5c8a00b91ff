#pragma once

#include <QString>

class RunReport;
class Settings;

namespace publikacja {

enum class TransferDirection { Download, Upload };

// Fetches "wykaz.txt" from the configured server directory into localPath,
// or sends localPath there, with the server data of the settings as they
// are at this moment (trimmed), and tells the outcome in the event log.
// True when the file was moved. remoteFileUnread, when given, tells whether
// a failed download left a list on the server unread.
bool TransferList(const QString& localPath, TransferDirection direction, const Settings& settings,
                  RunReport& report, bool* remoteFileUnread = nullptr);

} // namespace publikacja
