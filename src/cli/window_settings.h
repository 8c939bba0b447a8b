#pragma once

#include <string>
#include <vector>

#include "collect/collection_settings.h"

namespace lh::cli {

// What reading a settings file found worth telling: English lines.
struct SettingsFileReport {
    // A file the window could not have saved: no "[主界面]" section, or text that is not
    // GB18030 (UTF-8, UTF-16).
    std::vector<std::string> warnings;
    // The options it held a value for, as the command line names them ("--engine").
    std::vector<std::string> optionsTaken;
};

// Lays the options a window saved in its settings file (section 主界面, the keyword
// list from the "inibin" side file beside it) over `settings`, the way the window
// restores its controls: keys that are missing leave a field as it is. The file is
// only read. False with a one-line reason in `error` when it does not exist, cannot be
// read or is no regular file. `report` (optional) says what was found.
bool loadWindowSettings(const std::string& settingsFile, CollectionSettings& settings,
                        std::string& error, SettingsFileReport* report = nullptr);

}  // namespace lh::cli
