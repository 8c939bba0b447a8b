#pragma once

#include <optional>
#include <string>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/persisted_options.h"
#include "collect/run_journal.h"

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

// The command line as given. Options of the run are kept as given, so that they can be
// laid over the values read from a settings file. Texts of the run are program text
// (converted from the platform's UTF-8); paths stay as typed.
struct CliOptions {
    bool help = false;
    bool version = false;

    std::optional<std::string> settingsFile;
    std::optional<std::string> keywordsFile;  // "-" = standard input
    // Saved result pages read instead of downloaded pages, each a keyword named after
    // its file.
    std::vector<std::string> savedPages;
    bool noResolve = false;  // with savedPages: links stay as the pages give them

    // The persisted options given, in the order given (later ones win), read by their
    // rules in persisted_options.h.
    std::vector<SettingAssignment> settings;

    bool toStdout = false;
    std::optional<bool> utf8;  // --stdout as UTF-8; unset: as the terminal's locale says
    bool quiet = false;
    bool verbose = false;
    std::optional<CaptchaMode> onCaptcha;  // unset: stop unless standard input is a terminal
    std::optional<std::string> cookiesFile;
    std::optional<std::string> programFolder;

    // --shard I/N, or --shard auto with the index (and count) from a scheduler's
    // environment; --shards N is the count where that environment has none.
    std::optional<std::string> shard;
    std::optional<long long> shards;

    std::vector<ConnectTo> connectTo;
    std::optional<std::string> caCertFile;
    std::optional<std::string> proxy;
    std::optional<std::string> proxyListFile;
};

struct CliParseResult {
    CliOptions options;
    // Empty when the command line is sound; otherwise one line naming the option.
    std::string error;

    bool ok() const { return error.empty(); }
};

// Parses the arguments after the program name. Both "--opt VALUE" and "--opt=VALUE"
// are accepted; every on/off flag also has its opposite ("--merge" / "--no-merge",
// "--no-dedupe" / "--dedupe"). The run's options and their flags come from the table of
// persisted options.
CliParseResult parseCliOptions(const std::vector<std::string>& args);

// Lays every option that was given over `settings`.
void applyCliOptions(const CliOptions& options, CollectionSettings& settings);

// Parses "I/N" with 0 <= I < N. Empty on failure.
std::optional<KeywordShard> parseShard(const std::string& text);

// Parses "HOST1:PORT1:HOST2:PORT2"; IPv6 addresses go in brackets. Empty on failure.
std::optional<ConnectTo> parseConnectTo(const std::string& text);

// The --help text (UTF-8), with every option and its default.
std::string helpText();

}  // namespace lh::cli
