#pragma once

#include <QString>

class RunReport;
class Settings;

namespace publikacja {

enum class TransferDirection { Download, Upload };

// Fetches "wykaz.txt" from the configured server directory into localPath,
// or sends localPath there, with the server data of the settings as they
// are at this moment (trimmed), and tells the outcome in the event log.
// True when the file was moved. remoteFileMissing, when given, tells whether
// a failed download failed because the server has no such file.
bool TransferList(const QString& localPath, TransferDirection direction, const Settings& settings,
                  RunReport& report, bool* remoteFileMissing = nullptr);

} // namespace publikacja
