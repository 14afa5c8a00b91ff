#pragma once

#include <QString>

class Settings;

// config.ini: section "opcje" with nine keys, read and written one value
// at a time.
namespace konfig {

inline constexpr char kSection[] = "opcje";

// Time limit index and entry count when the file gives no number.
inline constexpr int kDefaultTimeLimitIndex = 1; // "1 min"
inline constexpr int kDefaultEntryCount = 20;
// Range of the entry count's spin buttons.
inline constexpr int kMinEntryCount = 1;
inline constexpr int kMaxEntryCount = 1000;
// Range of the failed checks that make an alert.
inline constexpr int kDefaultFailingChecks = 3;
inline constexpr int kMinFailingChecks = 1;
inline constexpr int kMaxFailingChecks = 20;

// Fills settings from the file: "tray", "czas", "dubl", "wpisy", "licz",
// then "host", "dir", "user", "pass". A missing or unreadable file gives the
// defaults. Emits settings.changed().
void LoadSettings(Settings& settings, const QString& iniPath);

// Writes the nine keys in that order. The first key that cannot be written
// ends the save with FileError "Nie można zapisać pliku "<path>": <why>";
// the keys before it stay written.
void SaveSettings(const Settings& settings, const QString& iniPath);

} // namespace konfig
