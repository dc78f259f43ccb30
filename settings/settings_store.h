// Config.ini: loads the settings record from the per-user settings file and saves it back,
// supplies the default output folder, and prepares the settings folder at startup.
#pragma once

#include "settings/app_settings.h"

#include <string>

// The music folder, else the desktop folder, else the home folder, with a trailing "/"; a
// folder counts only when it exists, so the default is always somewhere files can go.
std::string DefaultOutputFolder();

// GenericConfigFolder() + "/Sonoria", and that + "/Config.ini".
std::string SettingsFolderPath();
std::string SettingsFilePath();

// Reads `file` into `record`: absent keys give the defaults, and nothing is created or
// written, so a missing file yields the defaults. Out-of-range indexes are kept as read (the
// table lookups fall back to their defaults); a value too large for its field reads as the
// field's largest value. An empty DesDir reads as the default output folder, and a DesDir
// without a trailing "/" gets one. False, after a message box, when reading failed.
bool LoadSettingsFrom(const std::string& file, AppSettingsRecord& record);
bool LoadSettings(); // SettingsFilePath() into AppSettings

// Writes `record` to `file`, creating the file and its sections as needed (not the folder).
// False when any value could not be written; only an unexpected error shows a message box.
bool SaveSettingsTo(const std::string& file, const AppSettingsRecord& record);
bool SaveSettings(); // AppSettings into SettingsFilePath()

// Deletes the settings file and loads again, so every field takes its default. False when
// the file could not be deleted.
bool ResetSettings();

// Startup: the default output folder, the settings folder (created when missing), then the
// settings file (loaded when present, else created empty).
void PrepareSettings();
