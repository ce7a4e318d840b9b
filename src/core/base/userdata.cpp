#include "base/userdata.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace velmora {

std::string UserDataDirectory(const std::string& startFolder)
{
    std::error_code ec;
    if (!startFolder.empty() && std::filesystem::is_directory(startFolder, ec) && ::access(startFolder.c_str(), W_OK) == 0)
        return startFolder;
    std::filesystem::path base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && std::filesystem::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return startFolder;
        base = std::filesystem::path(home) / ".local" / "share";
    }
    const std::filesystem::path folder = base / "velmora";
    std::filesystem::create_directories(folder, ec);
    return folder.string();
}

} // namespace velmora
