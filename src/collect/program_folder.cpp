#include "collect/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "textutil/program_text.h"

namespace lh {

namespace fs = std::filesystem;

std::string settingsFileName() { return gb("砚溪·搜词取链器.ini"); }

std::string defaultProgramFolder(const std::string& executableFolder) {
    if (!executableFolder.empty() && ::access(executableFolder.c_str(), W_OK) == 0) {
        std::error_code ec;
        const fs::path folder(executableFolder);
        if (fs::exists(folder / nativePath(settingsFileName()), ec) ||
            fs::exists(folder / "portable", ec)) {
            return executableFolder;
        }
    }
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
        data = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        data = std::string(home) + "/.local/share";
    } else {
        return executableFolder.empty() ? std::string(".") : executableFolder;
    }
    return data + "/linkharvest/linkharvest";
}

bool makePrivateFolder(const std::string& folder, std::string& reason) {
    std::error_code ec;
    fs::path path = fs::path(folder).lexically_normal();
    if (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
    // Parents first, so each folder made here gets 0700 whatever the umask leaves.
    fs::path partial;
    for (const fs::path& part : path) {
        partial /= part;
        if (fs::is_directory(partial, ec)) continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            reason = "cannot create '" + partial.string() + "': " + std::strerror(errno);
            return false;
        }
    }
    if (!fs::is_directory(path, ec)) {
        reason = "'" + path.string() + "' is not a folder";
        return false;
    }
    return true;
}

}  // namespace lh
