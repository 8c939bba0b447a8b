#pragma once

#include <string>

#include "cli/cli_options.h"
#include "cli/window_settings.h"
#include "collect/collection_settings.h"
#include "collect/saved_page_source.h"

namespace lh::cli {

// What the process finds around it.
struct ProcessContext {
    bool stdinIsTerminal = false;
    bool stderrIsTerminal = false;
    int stderrWidth = 0;
    std::string executableFolder;  // file-system form
};

// A run with everything checked and resolved.
struct PreparedRun {
    CollectionSettings settings;
    int keywordCount = 0;
    CaptchaMode captchaMode = CaptchaMode::Stop;
    std::string cookieText;             // program text
    std::string programFolder;          // program text, no trailing separator
    std::vector<SavedPage> savedPages;  // --from-html: the pages read instead of searching
    SettingsFileReport settingsReport;  // what --settings found worth telling
    KeywordShard shard;                 // --shard, resolved
};

// Settings file, keywords, cookies, folders and network options, checked before any
// request is made (with --stdout no result file is written, so the save folder is left
// alone). False with a message that names the option to fix.
bool prepareRun(const CliOptions& options, const ProcessContext& context, PreparedRun& run,
                std::string& error);

}  // namespace lh::cli
