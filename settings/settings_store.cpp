#include "settings/settings_store.h"

#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace
{
// Windows reads DesDir into a 1024-character buffer; the same cap keeps old files readable.
constexpr size_t kDesDirBufferChars = 1024;

std::string WithTrailingSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

int16_t ReadShort(const char* section, const char* key, int16_t defaultValue,
                  const std::string& file)
{
    // Saturate rather than wrap, so a huge hand-edited number cannot turn into a legal index.
    const int value = platform::GetPrivateProfileInt(section, key, defaultValue, file);
    return static_cast<int16_t>(std::min(value, static_cast<int>(INT16_MAX)));
}
} // namespace

std::string DefaultOutputFolder()
{
    for (const std::string& folder : {platform::MusicFolder(), platform::DesktopFolder()})
        if (platform::FolderExists(folder))
            return WithTrailingSlash(folder);
    return WithTrailingSlash(platform::HomeFolder());
}

std::string SettingsFolderPath()
{
    return platform::GenericConfigFolder() + "/Sonoria";
}

std::string SettingsFilePath()
{
    return SettingsFolderPath() + "/Config.ini";
}

bool LoadSettingsFrom(const std::string& file, AppSettingsRecord& record)
{
    try
    {
        // Each field is set as soon as it is read, so a failure part-way keeps what arrived.
        record.Filter = platform::GetPrivateProfileInt("OUTPUT", "Filter", DefaultFilter, file);
        record.LameBits = ReadShort("MP3", "LameBits", DefaultLameBits, file);
        record.LameChannel = ReadShort("MP3", "LameChannel", DefaultLameChannel, file);
        record.Freq = ReadShort("MP3", "Freq", DefaultFreq, file);
        const std::string defaultFolder = DefaultOutputFolder();
        std::string folder = platform::GetPrivateProfileString("OUTPUT", "DesDir", defaultFolder,
                                                               kDesDirBufferChars, file);
        // An empty value would send every output to the current folder; the default is meant.
        if (folder.empty())
            folder = defaultFolder;
        // The task builder appends file names directly, so the folder must end with "/".
        record.DesDir = WithTrailingSlash(std::move(folder));
        return true;
    }
    catch (const std::exception&)
    {
        platform::ShowMessageBox("An Error Occurred while loading settings!",
                                 platform::MbOk | platform::MbIconError);
        return false;
    }
}

bool LoadSettings()
{
    return LoadSettingsFrom(SettingsFilePath(), AppSettings);
}

bool SaveSettingsTo(const std::string& file, const AppSettingsRecord& record)
{
    try
    {
        // A refused write (read-only file, missing folder) is not shown to the user, but the
        // result still says the settings were not saved.
        bool ok = true;
        ok &= platform::WritePrivateProfileString("OUTPUT", "Filter", std::to_string(record.Filter),
                                                  file);
        ok &= platform::WritePrivateProfileString("OUTPUT", "DesDir", record.DesDir, file);
        ok &= platform::WritePrivateProfileString("MP3", "LameBits",
                                                  std::to_string(record.LameBits), file);
        ok &= platform::WritePrivateProfileString("MP3", "LameChannel",
                                                  std::to_string(record.LameChannel), file);
        ok &= platform::WritePrivateProfileString("MP3", "Freq", std::to_string(record.Freq), file);
        return ok;
    }
    catch (const std::exception&)
    {
        platform::ShowMessageBox("An error occurred while saving settings!",
                                 platform::MbOk | platform::MbIconError);
        return false;
    }
}

bool SaveSettings()
{
    return SaveSettingsTo(SettingsFilePath(), AppSettings);
}

bool ResetSettings()
{
    std::error_code ec;
    std::filesystem::remove(SettingsFilePath(), ec); // a missing file is not an error
    const bool loaded = LoadSettings();
    return !ec && loaded;
}

void PrepareSettings()
{
    AppSettings.DesDir = DefaultOutputFolder();

    const std::string folder = SettingsFolderPath();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !platform::FolderExists(folder))
        platform::ShowMessageBox("Fail to create folder " + folder + " !!",
                                 platform::MbOk | platform::MbIconWarning);

    const std::string file = SettingsFilePath();
    if (platform::FileExists(file))
    {
        LoadSettings();
        return;
    }
    // An empty file marks where the first save goes. If it cannot be made, the folder message
    // above has already told the user; the defaults stand and the save at close will fail.
    std::ofstream create(file, std::ios::binary | std::ios::app);
}
