#include "cli/window_settings.h"

#include <filesystem>
#include <string_view>

#include "collect/persisted_options.h"
#include "settings/control_state_store.h"
#include "textutil/file_access.h"
#include "textutil/program_text.h"

namespace lh::cli {

namespace {

// Why the bytes cannot be text the window saved, or empty. The window writes GB18030;
// UTF-8 Chinese often also parses as GB18030, so UTF-8 is looked for first.
std::string encodingProblem(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) return "holds NUL bytes (UTF-16?)";
    bool ascii = true;
    for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return {};
    if (isValidUtf8(bytes)) return "is UTF-8";
    bool clean = false;
    convertCharset(bytes, "GB18030", "UTF-8", &clean);
    return clean ? std::string() : "is not GB18030 text";
}

std::string commandLineName(const PersistedOption& option) {
    return option.flag.empty() ? std::string(option.name) : "--" + std::string(option.flag);
}

}  // namespace

bool loadWindowSettings(const std::string& settingsFile, CollectionSettings& s, std::string& error,
                        SettingsFileReport* report) {
    const std::filesystem::path native(settingsFile);
    std::string bytes;
    if (readRegularFile(native, kInputFileLimit, bytes, &error) != FileReadResult::Read)
        return false;

    // A store of our own, dropped at the end, so the window's file is not held for
    // the whole run.
    ControlStateStore store;
    store.openStore(programTextOfPath(native));
    store.setCurrentSection(mainWindowSection());

    std::vector<const PersistedOption*> taken;
    readSavedOptions(store, s, &taken);
    if (!report) return true;
    const std::string quoted = "'" + settingsFile + "'";
    if (const std::string problem = encodingProblem(bytes); !problem.empty()) {
        report->warnings.push_back("settings file " + quoted + " " + problem +
                                   ": the window saves GB18030, so its options may not be "
                                   "recognised");
    } else if (!store.holdsSection(mainWindowSection())) {
        report->warnings.push_back("settings file " + quoted +
                                   " has no [主界面] section, so no options are read from it");
    }
    for (const PersistedOption* option : taken)
        report->optionsTaken.push_back(commandLineName(*option));
    return true;
}

}  // namespace lh::cli
