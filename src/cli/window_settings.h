#pragma once

#include <string>

#include "collect/collection_settings.h"

namespace lh::cli {

// Lays the options a window saved in its settings file (section 主界面, the keyword
// list from the "inibin" side file beside it) over `settings`, the way the window
// restores its controls: keys that are missing leave a field as it is. The file is
// only read. False with a one-line reason in `error` when it does not exist or
// cannot be read.
bool loadWindowSettings(const std::string& settingsFile, CollectionSettings& settings,
                        std::string& error);

}  // namespace lh::cli
