#pragma once

#include <optional>
#include <string>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/search_engine.h"

namespace lh::cli {

// What happens when an engine answers with a verification page.
enum class CaptchaMode {
    Stop,  // end the run as a Cancel would
    Ask,   // print the address, wait for the browser's cookie text on the terminal
};

// One --connect-to HOST1:PORT1:HOST2:PORT2 mapping, as curl spells it. An empty
// host or port on the left matches any; on the right it keeps the original.
struct ConnectTo {
    std::string spec;  // as given
    std::string fromHost;
    int fromPort = 0;  // 0 = any
    std::string toHost;
    int toPort = 0;  // 0 = the original port
};

// The command line as given. Options of the run stay empty unless given, so that
// they can be laid over the values read from a settings file. Texts of the run are
// program text (converted from the platform's UTF-8); paths stay as typed.
struct CliOptions {
    bool help = false;
    bool version = false;

    std::optional<std::string> settingsFile;
    std::optional<std::string> keywordsFile;  // "-" = standard input

    std::optional<SearchEngine> engine;
    std::optional<std::string> pageLimitText;
    std::optional<std::string> resultsPerPageText;
    std::optional<std::string> saveFolder;
    std::optional<std::string> fileExtension;
    std::optional<std::string> outputTemplate;
    std::optional<bool> onlySelectedRanks;
    std::optional<std::string> selectedRanks;
    std::optional<bool> wwwNotTopLevel;
    std::optional<bool> useComSite;
    std::optional<bool> keywordSeparatorLine;
    std::optional<bool> mergeIntoOneFile;
    std::optional<bool> removeDuplicates;
    std::optional<bool> ignoreEngineSites;
    std::optional<int> baiduFetchMode;

    bool toStdout = false;
    bool utf8 = false;
    bool quiet = false;
    std::optional<CaptchaMode> onCaptcha;  // unset: stop unless standard input is a terminal
    std::optional<std::string> cookiesFile;
    std::optional<std::string> programFolder;

    std::vector<ConnectTo> connectTo;
    std::optional<std::string> caCertFile;
    std::optional<std::string> proxy;
};

struct CliParseResult {
    CliOptions options;
    // Empty when the command line is sound; otherwise one line naming the option.
    std::string error;

    bool ok() const { return error.empty(); }
};

// Parses the arguments after the program name. Both "--opt VALUE" and "--opt=VALUE"
// are accepted; every on/off flag also has its opposite ("--merge" / "--no-merge",
// "--no-dedupe" / "--dedupe").
CliParseResult parseCliOptions(const std::vector<std::string>& args);

// Lays every option that was given over `settings`.
void applyCliOptions(const CliOptions& options, CollectionSettings& settings);

// Parses "HOST1:PORT1:HOST2:PORT2"; IPv6 addresses go in brackets. Empty on failure.
std::optional<ConnectTo> parseConnectTo(const std::string& text);

// The engine named on the command line ("baidu", "360-mobile", or the display name
// "百度" in UTF-8). None when unknown.
SearchEngine engineFromName(const std::string& name);
const char* engineOptionName(SearchEngine engine);

// The --help text (UTF-8), with every option and its default.
std::string helpText();

}  // namespace lh::cli
