// The per-user folders the platform names (settings, music, desktop, home), as UTF-8 paths
// without a trailing "/".
#pragma once

#include <string>

namespace platform
{

// $XDG_CONFIG_HOME, else ~/.config.
std::string GenericConfigFolder();
// These give "" when the platform names no such folder; the folder need not exist.
std::string MusicFolder();
std::string DesktopFolder();
std::string HomeFolder();

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

} // namespace platform
