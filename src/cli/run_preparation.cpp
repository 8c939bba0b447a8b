#include "cli/run_preparation.h"

#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <optional>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <variant>

#include "cli/keyword_file.h"
#include "cli/window_settings.h"
#include "collect/program_folder.h"
#include "collect/proxy_rotation.h"
#include "textutil/file_access.h"
#include "textutil/program_text.h"
#include "web/network_overrides.h"

namespace lh::cli {

namespace {

namespace fs = std::filesystem;

std::string optionError(const char* option, const std::string& what) {
    return std::string("option '--") + option + "': " + what;
}

enum class FolderAccess { Shared, Private };

// Creates the folder when missing (a private one for the user alone) and proves it
// takes files.
bool writableFolder(const fs::path& folder, std::string& reason,
                    FolderAccess access = FolderAccess::Shared) {
    std::error_code ec;
    if (access == FolderAccess::Private) {
        if (!createPrivateFolders(folder, &reason)) return false;
    } else {
        fs::create_directories(folder, ec);
    }
    if (!fs::is_directory(folder, ec)) {
        reason =
            "cannot create '" + folder.string() + "'" + (ec ? ": " + ec.message() : std::string());
        return false;
    }
    const fs::path probe = folder / ".linkharvest-write-test";
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out) {
            reason = "cannot write into '" + folder.string() + "': " + std::strerror(errno);
            return false;
        }
    }
    fs::remove(probe, ec);
    return true;
}

bool readCookieFile(const std::string& path, std::string& cookieText, std::string& error) {
    std::string bytes;
    std::string reason;
    if (readRegularFile(path, kInputFileLimit, bytes, &reason) != FileReadResult::Read) {
        error = optionError("cookies", reason);
        return false;
    }
    // One cookie text: the first line, as a browser's copy gives it. UTF-16 (Notepad's
    // "Unicode", with or without its mark) is read as a keyword file is.
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0 ||
        bytes.find('\0') != std::string::npos) {
        const std::string text = keywordListFromBytes(bytes);
        cookieText = trimSpaces(std::string_view(text).substr(0, text.find("\r\n")));
        return true;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    bytes = bytes.substr(0, bytes.find_first_of("\r\n"));
    cookieText = trimSpaces(isValidUtf8(bytes) ? utf8ToGb(bytes) : bytes);
    return true;
}

bool applyNetworkOptions(const CliOptions& o, std::string& error) {
    NetworkOverrides& overrides = NetworkOverrides::instance();
    for (const ConnectTo& mapping : o.connectTo) {
        if (!overrides.addConnectTo(mapping.spec)) {
            error =
                optionError("connect-to", "'" + mapping.spec + "' is not HOST1:PORT1:HOST2:PORT2");
            return false;
        }
    }
    if (o.caCertFile && !overrides.setExtraCaFile(*o.caCertFile)) {
        error = optionError("cacert", "cannot read certificates from '" + *o.caCertFile + "'");
        return false;
    }
    return true;
}

// --proxy names one proxy, --proxy-list a file of them; either replaces the settings
// file's list. Every address is checked before anything is sent.
bool prepareProxies(const CliOptions& o, CollectionSettings& settings, std::string& error) {
    if (o.proxy && o.proxyListFile) {
        error = optionError("proxy", "give one proxy or --proxy-list, not both");
        return false;
    }
    const char* option = o.proxy ? "proxy" : (o.proxyListFile ? "proxy-list" : "settings");
    if (o.proxy) {
        settings.proxyList = *o.proxy;
    } else if (o.proxyListFile) {
        std::string bytes;
        if (readRegularFile(*o.proxyListFile, kInputFileLimit, bytes, &error) !=
            FileReadResult::Read) {
            error = optionError(option, error);
            return false;
        }
        settings.proxyList = keywordListFromBytes(bytes);
        if (proxyAddresses(settings.proxyList).empty()) {
            error = optionError(option, "'" + *o.proxyListFile + "' holds no proxy addresses");
            return false;
        }
    }
    for (const std::string& address : proxyAddresses(settings.proxyList)) {
        const std::string problem = proxyAddressProblem(address);
        if (problem.empty()) continue;
        error = optionError(option, "'" + gbToUtf8(shownProxy(address)) + "' " + problem);
        return false;
    }
    return true;
}

bool engineGiven(const CliOptions& o) {
    for (const SettingAssignment& assignment : o.settings) {
        if (std::holds_alternative<SearchEngine CollectionSettings::*>(assignment.field))
            return true;
    }
    return false;
}

// Each saved page becomes a keyword of one page; a saved verification page cannot be
// solved, so it ends the run.
bool prepareSavedPages(const CliOptions& o, PreparedRun& run, std::string& error) {
    if (!engineGiven(o)) {
        error = optionError("from-html", "name the engine the pages come from with --engine");
        return false;
    }
    std::string keywords;
    for (const std::string& path : o.savedPages) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            error = optionError("from-html", "'" + path + "' is a folder, not a page");
            return false;
        }
        if (!std::ifstream(path, std::ios::binary)) {
            error = optionError("from-html", "cannot open '" + path + "': " + std::strerror(errno));
            return false;
        }
        SavedPage page{keywordOfSavedPage(path), path};
        if (page.keyword.empty()) {
            error = optionError("from-html", "'" + path + "' has no name to use as keyword");
            return false;
        }
        for (const SavedPage& earlier : run.savedPages) {
            if (earlier.keyword == page.keyword) {
                error = optionError("from-html", "'" + earlier.path + "' and '" + path +
                                                     "' give the same keyword; rename one");
                return false;
            }
        }
        if (!keywords.empty()) keywords += "\r\n";
        keywords += page.keyword;
        run.savedPages.push_back(std::move(page));
    }
    run.settings.keywordList = keywords;
    run.settings.pageLimit = PageLimit{1};
    return true;
}

// A number from the environment; empty when unset or not a plain number.
std::optional<long long> environmentNumber(const char* name) {
    const char* text = std::getenv(name);
    long long value = 0;
    if (text == nullptr) return std::nullopt;
    const std::string_view view(text);
    const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (ec != std::errc() || end != view.data() + view.size()) return std::nullopt;
    return value;
}

// --shard auto: Kubernetes Indexed Jobs give the index, the count comes with --shards;
// Slurm arrays give both (their ids may start anywhere: the lowest is shard 0).
bool resolveShard(const CliOptions& o, KeywordShard& shard, std::string& error) {
    if (!o.shard) return true;
    if (*o.shard != "auto") {
        shard = *parseShard(*o.shard);
        return true;
    }
    if (const auto index = environmentNumber("JOB_COMPLETION_INDEX")) {
        if (!o.shards) {
            error = optionError("shard", "JOB_COMPLETION_INDEX is set: give the count with --shards N");
            return false;
        }
        shard = {*index, *o.shards};
    } else if (const auto id = environmentNumber("SLURM_ARRAY_TASK_ID")) {
        const auto count = environmentNumber("SLURM_ARRAY_TASK_COUNT");
        shard = {*id - environmentNumber("SLURM_ARRAY_TASK_MIN").value_or(0),
                 o.shards.value_or(count.value_or(0))};
    } else {
        error = optionError("shard", "'auto' found neither JOB_COMPLETION_INDEX nor "
                                     "SLURM_ARRAY_TASK_ID in the environment");
        return false;
    }
    if (shard.count < 1 || shard.index < 0 || shard.index >= shard.count) {
        error = optionError("shard", "the scheduler gives shard " + std::to_string(shard.index) +
                                         " of " + std::to_string(shard.count) +
                                         ", which is no shard of the list");
        return false;
    }
    return true;
}

}  // namespace

bool prepareRun(const CliOptions& o, const ProcessContext& context, PreparedRun& run,
                std::string& error) {
    run.settings = CollectionSettings::defaults();
    std::string reason;
    if (o.settingsFile &&
        !loadWindowSettings(*o.settingsFile, run.settings, reason, &run.settingsReport)) {
        error = optionError("settings", reason);
        return false;
    }
    if (!o.savedPages.empty()) {
        // Taken over below, after the options are laid over the settings.
    } else if (o.keywordsFile) {
        if (!readKeywordFile(*o.keywordsFile, run.settings.keywordList, reason)) {
            error = optionError("keywords", reason);
            return false;
        }
    } else if (!o.settingsFile) {
        error = "no keywords: give --keywords FILE ('-' for standard input) or --settings FILE";
        return false;
    }
    applyCliOptions(o, run.settings);
    if (!prepareProxies(o, run.settings, error)) return false;
    if (!o.savedPages.empty() && !prepareSavedPages(o, run, error)) return false;
    if (!resolveShard(o, run.shard, error)) return false;
    run.keywordCount = countKeywords(run.settings.keywordList);
    if (run.keywordCount == 0) {
        error = o.keywordsFile
                    ? optionError("keywords", "'" + *o.keywordsFile + "' holds no keywords")
                    : optionError("settings", "the settings file holds no keywords");
        return false;
    }
    if (run.settings.engine == SearchEngine::None) {
        error = optionError("engine", "the settings file selects no engine; name one");
        return false;
    }

    if (o.cookiesFile && !readCookieFile(*o.cookiesFile, run.cookieText, error)) return false;
    run.captchaMode =
        o.onCaptcha.value_or(context.stdinIsTerminal ? CaptchaMode::Ask : CaptchaMode::Stop);
    if (!run.savedPages.empty()) run.captchaMode = CaptchaMode::Stop;

    const std::string programFolder =
        o.programFolder ? *o.programFolder : defaultProgramFolder(context.executableFolder);
    // It holds the cookie files: a folder made for it is the user's alone.
    if (!writableFolder(programFolder, reason, FolderAccess::Private)) {
        error = optionError("program-folder", reason);
        return false;
    }
    run.programFolder = programTextOfPath(fs::path(programFolder).lexically_normal());
    while (run.programFolder.size() > 1 && run.programFolder.back() == '/')
        run.programFolder.pop_back();

    if (!o.toStdout && !writableFolder(nativePath(run.settings.saveFolder), reason)) {
        error = optionError("save-folder", reason);
        return false;
    }
    return applyNetworkOptions(o, error);
}

}  // namespace lh::cli
