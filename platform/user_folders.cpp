#include "platform/user_folders.h"

#include <QDir>
#include <QStandardPaths>

#include <filesystem>
#include <system_error>

namespace platform
{
namespace
{
std::string Location(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location).toStdString();
}
} // namespace

std::string GenericConfigFolder()
{
    return Location(QStandardPaths::GenericConfigLocation);
}

std::string MusicFolder()
{
    return Location(QStandardPaths::MusicLocation);
}

std::string DesktopFolder()
{
    return Location(QStandardPaths::DesktopLocation);
}

std::string HomeFolder()
{
    return QDir::homePath().toStdString();
}

bool FolderExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(std::filesystem::path(path), ec);
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(std::filesystem::path(path), ec);
}

} // namespace platform
