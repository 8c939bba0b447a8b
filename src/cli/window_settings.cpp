#include "cli/window_settings.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "collect/persisted_options.h"
#include "settings/control_state_store.h"
#include "textutil/program_text.h"

namespace lh::cli {

bool loadWindowSettings(const std::string& settingsFile, CollectionSettings& s,
                        std::string& error) {
    const std::filesystem::path native(settingsFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(native, ec)) {
        error = "'" + settingsFile + "' is not a settings file";
        return false;
    }
    if (!std::ifstream(native, std::ios::binary)) {
        error = "cannot read '" + settingsFile + "'";
        return false;
    }

    // A store of our own, dropped at the end, so the window's file is not held for
    // the whole run.
    ControlStateStore store;
    store.openStore(programTextOfPath(native));
    store.setCurrentSection(mainWindowSection());

    readSavedOptions(store, s);
    return true;
}

}  // namespace lh::cli
