#pragma once

#include <string>

namespace lh {

// "砚溪·搜词取链器.ini", program text: the settings file's name in the program folder.
std::string settingsFileName();

// Where the program keeps its settings, cookie files and failure report (native path).
// The program file's own folder only when someone made it portable: a settings file or
// a "portable" marker already sits there, and it takes files. Everything else (an
// installed program, one in a build tree) uses the per-user data folder,
// $XDG_DATA_HOME or ~/.local/share, then "linkharvest/linkharvest", so `make clean` or
// an update never takes a user's settings with it.
std::string defaultProgramFolder(const std::string& executableFolder);

}  // namespace lh
