#pragma once

#include <QString>

#include <atomic>
#include <functional>

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

// The same with the event log's lines going to log, and a stop request: a
// stopped transfer logs "Pobieranie pliku przerwane." or "Wysyłanie pliku
// przerwane." and is no success (result->stopped).
struct TransferOutcome
{
    bool success = false;
    bool remoteFileMissing = false;
    bool stopped = false;
    bool renameUnsure = false; // see FtpResult
};
TransferOutcome TransferList(const QString& localPath, TransferDirection direction, const Settings& settings,
                             const std::function<void(const QString&)>& log, const std::atomic_bool* stop);

} // namespace publikacja
