#include "cli/run_preparation.h"

#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/keyword_file.h"
#include "cli/window_settings.h"
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
    if (o.proxy) {
        // Requests that name no proxy of their own take libcurl's proxy variables.
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY"}) {
            ::setenv(name, o.proxy->c_str(), 1);
        }
    }
    return true;
}

}  // namespace

std::string defaultProgramFolder(const std::string& executableFolder) {
    std::string reason;
    if (!executableFolder.empty() && ::access(executableFolder.c_str(), W_OK) == 0) {
        return executableFolder;
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

bool prepareRun(const CliOptions& o, const ProcessContext& context, PreparedRun& run,
                std::string& error) {
    run.settings = CollectionSettings::defaults();
    std::string reason;
    if (o.settingsFile &&
        !loadWindowSettings(*o.settingsFile, run.settings, reason, &run.settingsReport)) {
        error = optionError("settings", reason);
        return false;
    }
    if (o.keywordsFile) {
        if (!readKeywordFile(*o.keywordsFile, run.settings.keywordList, reason)) {
            error = optionError("keywords", reason);
            return false;
        }
    } else if (!o.settingsFile) {
        error = "no keywords: give --keywords FILE ('-' for standard input) or --settings FILE";
        return false;
    }
    applyCliOptions(o, run.settings);
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
