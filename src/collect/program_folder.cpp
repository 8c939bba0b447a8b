#include "collect/program_folder.h"

#include <unistd.h>

#include <cstdlib>
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

}  // namespace lh
