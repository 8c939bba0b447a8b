#include "cli/cli_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <map>

#include "collect/engine_catalogue.h"
#include "textutil/program_text.h"

namespace lh::cli {

namespace {

bool parsePlainInteger(const std::string& text, long long& value) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}

bool parsePort(const std::string& text, int& port) {
    if (text.empty()) {
        port = 0;
        return true;
    }
    long long value = 0;
    if (!parsePlainInteger(text, value) || value < 1 || value > 65535) return false;
    port = static_cast<int>(value);
    return true;
}

// Splits off one "host:" field; a host in brackets may hold colons.
bool takeHost(const std::string& text, std::size_t& pos, std::string& host) {
    if (pos < text.size() && text[pos] == '[') {
        const std::size_t close = text.find(']', pos);
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        host = text.substr(pos + 1, close - pos - 1);
        pos = close + 2;
        return true;
    }
    const std::size_t colon = text.find(':', pos);
    if (colon == std::string::npos) return false;
    host = text.substr(pos, colon - pos);
    pos = colon + 1;
    return true;
}

bool takePort(const std::string& text, std::size_t& pos, int& port, bool last) {
    std::size_t end = last ? text.size() : text.find(':', pos);
    if (end == std::string::npos) return false;
    if (!parsePort(text.substr(pos, end - pos), port)) return false;
    pos = end + 1;
    return true;
}

using Handler = std::function<std::string(CliOptions&, const std::string& value)>;

struct OptionSpec {
    bool takesValue;
    Handler handle;  // returns an error text (without the option name) or empty
};

OptionSpec pathOption(std::optional<std::string> CliOptions::*field) {
    return {true, [field](CliOptions& o, const std::string& v) -> std::string {
                if (v.empty()) return "needs a file name";
                o.*field = v;
                return {};
            }};
}

OptionSpec plainFlag(bool CliOptions::*field) {
    return {false, [field](CliOptions& o, const std::string&) {
                o.*field = true;
                return std::string();
            }};
}

const std::map<std::string, OptionSpec>& optionTable() {
    static const std::map<std::string, OptionSpec> table = [] {
        std::map<std::string, OptionSpec> t;
        t["help"] = plainFlag(&CliOptions::help);
        t["version"] = plainFlag(&CliOptions::version);
        t["settings"] = pathOption(&CliOptions::settingsFile);
        // The run's options: the persisted options' flags.
        for (const PersistedOption& option : persistedOptions()) {
            if (option.kind == OptionKind::KeywordList) {
                t[std::string(option.flag)] = pathOption(&CliOptions::keywordsFile);
                continue;
            }
            if (option.kind == OptionKind::ProxyList) {
                t[std::string(option.flag)] = pathOption(&CliOptions::proxyListFile);
                continue;
            }
            const PersistedOption* persisted = &option;
            const auto reader = [persisted](bool on) {
                return [persisted, on](CliOptions& o, const std::string& v) {
                    return readFlag(*persisted, v, on, o.settings);
                };
            };
            const bool takesValue = option.kind != OptionKind::Flag;
            if (!option.flag.empty()) t[std::string(option.flag)] = {takesValue, reader(true)};
            if (!option.offFlag.empty()) t[std::string(option.offFlag)] = {false, reader(false)};
        }
        t["from-html"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                              if (v.empty()) return "needs a file name";
                              o.savedPages.push_back(v);
                              return {};
                          }};
        t["no-resolve"] = plainFlag(&CliOptions::noResolve);
        t["stdout"] = plainFlag(&CliOptions::toStdout);
        t["utf8"] = {false, [](CliOptions& o, const std::string&) {
                         o.utf8 = true;
                         return std::string();
                     }};
        t["encoding"] = {
            true, [](CliOptions& o, const std::string& v) -> std::string {
                std::string name = v;
                std::transform(name.begin(), name.end(), name.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                if (name == "utf-8" || name == "utf8") {
                    o.utf8 = true;
                } else if (name == "gb18030" || name == "gbk") {
                    o.utf8 = false;
                } else {
                    return "'" + v + "' is neither 'gb18030' nor 'utf-8'";
                }
                return {};
            }};
        t["quiet"] = plainFlag(&CliOptions::quiet);
        t["verbose"] = plainFlag(&CliOptions::verbose);
        t["on-captcha"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                               if (v == "stop") {
                                   o.onCaptcha = CaptchaMode::Stop;
                               } else if (v == "ask") {
                                   o.onCaptcha = CaptchaMode::Ask;
                               } else {
                                   return "'" + v + "' is neither 'stop' nor 'ask'";
                               }
                               return {};
                           }};
        t["cookies"] = pathOption(&CliOptions::cookiesFile);
        t["program-folder"] = pathOption(&CliOptions::programFolder);
        t["connect-to"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                               const auto mapping = parseConnectTo(v);
                               if (!mapping) return "'" + v + "' is not HOST1:PORT1:HOST2:PORT2";
                               o.connectTo.push_back(*mapping);
                               return {};
                           }};
        t["shard"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                          if (v != "auto" && !parseShard(v)) {
                              return "'" + v + "' is neither I/N (0 <= I < N) nor 'auto'";
                          }
                          o.shard = v;
                          return {};
                      }};
        t["shards"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                           long long count = 0;
                           if (!parsePlainInteger(v, count) || count < 1)
                               return "'" + v + "' is not a number of shards (1 or more)";
                           o.shards = count;
                           return {};
                       }};
        t["cacert"] = pathOption(&CliOptions::caCertFile);
        t["proxy"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                          if (v.empty()) return "needs a proxy address such as http://host:port";
                          o.proxy = v;
                          return {};
                      }};
        return t;
    }();
    return table;
}

constexpr std::size_t kHelpColumn = 28;  // where the texts after the flags start
constexpr std::size_t kHelpWidth = 84;   // a list of names wraps before this

std::string replaced(std::string text, std::string_view mark, const std::string& with) {
    const std::size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), with);
    return text;
}

// The engines' --engine values, wrapped to the help's width.
std::string engineNames(std::size_t firstColumn) {
    std::string text;
    std::size_t column = firstColumn;
    bool first = true;
    for (const EngineProfile& engine : engineCatalogue()) {
        const std::string word = std::string(engine.cliName) + ",";
        if (!first && column + 1 + word.size() > kHelpWidth) {
            text += "\n";
            column = kHelpColumn;
        } else if (!first) {
            text += " ";
            ++column;
        }
        text += word;
        column += word.size();
        first = false;
    }
    text.pop_back();  // the last comma
    return text;
}

// One option's lines of --help: the flag that changes the default, its value name, and
// the table's text with the default filled in.
std::string optionHelp(const PersistedOption& option) {
    if (option.help.empty()) return {};
    const bool onByDefault = option.kind == OptionKind::Flag && option.defaultText == "on";
    std::string usage = "  --" + std::string(onByDefault ? option.offFlag : option.flag);
    if (!option.valueName.empty()) usage += " " + std::string(option.valueName);
    usage.resize(std::max(usage.size() + 1, kHelpColumn), ' ');
    std::string text = replaced(std::string(option.help), "{default}", defaultForHelp(option));
    text = replaced(text, "{engines}", engineNames(kHelpColumn));
    std::string lines = usage;
    for (char c : text) {
        lines += c;
        if (c == '\n') lines += std::string(kHelpColumn, ' ');
    }
    return lines + "\n";
}

}  // namespace

std::optional<KeywordShard> parseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    KeywordShard shard;
    if (slash == std::string::npos || !parsePlainInteger(text.substr(0, slash), shard.index) ||
        !parsePlainInteger(text.substr(slash + 1), shard.count) || shard.count < 1 ||
        shard.index < 0 || shard.index >= shard.count) {
        return std::nullopt;
    }
    return shard;
}

std::optional<ConnectTo> parseConnectTo(const std::string& text) {
    ConnectTo mapping;
    mapping.spec = text;
    std::size_t pos = 0;
    if (!takeHost(text, pos, mapping.fromHost)) return std::nullopt;
    if (!takePort(text, pos, mapping.fromPort, false)) return std::nullopt;
    if (!takeHost(text, pos, mapping.toHost)) return std::nullopt;
    if (!takePort(text, pos, mapping.toPort, true)) return std::nullopt;
    return mapping;
}

CliParseResult parseCliOptions(const std::vector<std::string>& args) {
    CliParseResult result;
    const auto& table = optionTable();
    bool takingPages = false;  // --from-html takes every file up to the next option
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h") {
            result.options.help = true;
            continue;
        }
        if (takingPages && !arg.empty() && arg.compare(0, 2, "--") != 0) {
            result.options.savedPages.push_back(arg);
            continue;
        }
        takingPages = false;
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            result.error = "unexpected argument '" + arg + "' (options start with --; see --help)";
            return result;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
        }
        const auto it = table.find(name);
        if (it == table.end()) {
            result.error = "unknown option '--" + name + "' (see --help)";
            return result;
        }
        const OptionSpec& spec = it->second;
        if (spec.takesValue && !value) {
            if (i + 1 >= args.size()) {
                result.error = "option '--" + name + "' needs a value";
                return result;
            }
            value = args[++i];
        } else if (!spec.takesValue && value) {
            result.error = "option '--" + name + "' takes no value";
            return result;
        }
        const std::string error = spec.handle(result.options, value.value_or(std::string()));
        if (!error.empty()) {
            result.error = "option '--" + name + "': " + error;
            return result;
        }
        takingPages = name == "from-html";
    }
    if (result.options.utf8.has_value() && !result.options.toStdout) {
        result.error =
            "option '--utf8' or '--encoding' only applies with --stdout (result files "
            "are always GB18030)";
    } else if (result.options.shards && result.options.shard != "auto") {
        result.error = "option '--shards' only applies with --shard auto";
    } else if (result.options.shard && result.options.toStdout) {
        result.error = "option '--shard' writes files that merge joins; leave out --stdout";
    } else if (result.options.noResolve && result.options.savedPages.empty()) {
        result.error = "option '--no-resolve' only applies with --from-html";
    } else if (!result.options.savedPages.empty() && result.options.keywordsFile) {
        result.error =
            "option '--from-html' takes its keywords from the file names; "
            "leave out --keywords";
    }
    return result;
}

void applyCliOptions(const CliOptions& o, CollectionSettings& s) {
    for (const SettingAssignment& assignment : o.settings) assign(assignment, s);
    // There is no browser view on a terminal to clear or close.
    s.clearCacheOnVerification = false;
    s.autoCloseVerification = false;
}

std::string helpText() {
    std::string h;
    h += "Usage: linkharvest-cli --keywords FILE [options]\n"
         "       linkharvest-cli --from-html FILE... --engine E [options]\n"
         "Harvests search-engine results for a list of keywords into GB18030 text/CSV files,\n"
         "exactly as the linkharvest window does.\n"
         "\n"
         "Run options (defaults are the window's):\n";
    for (const PersistedOption& option : persistedOptions()) h += optionHelp(option);
    h += "  --settings FILE           start from the options a window saved in its settings\n"
         "                            file (section 主界面, keywords from its inibin folder);\n"
         "                            the options above override them; --verbose lists the\n"
         "                            options taken from it\n"
         "  Every on/off flag has an opposite: --no-merge, --dedupe, --com-site,\n"
         "  --no-separator-lines, --no-www-not-top-level, --no-ignore-engine-sites,\n"
         "  --no-resolve-always.\n"
         "\n"
         "Saved pages:\n"
         "  --from-html FILE...       read these saved result pages of the engine --engine\n"
         "                            names instead of searching; each file is one keyword\n"
         "                            (its name without the extension) with one page; lines\n"
         "                            are written as a run writes them\n"
         "  --no-resolve              with --from-html: write result links as the pages give\n"
         "                            them, without looking up redirect targets\n"
         "\n"
         "Output:\n"
         "  --stdout                  write the result lines to standard output instead of\n"
         "                            files: UTF-8 lines ending in LF on a UTF-8 terminal\n"
         "                            locale (LC_ALL, LC_CTYPE, LANG), else GB18030, CR LF\n"
         "  --encoding gb18030|utf-8  with --stdout: this encoding, whatever the locale\n"
         "  --utf8                    the same as --encoding utf-8\n"
         "  --quiet                   no progress on standard error, only the end-of-run line\n"
         "  --verbose                 also say which options came from --settings\n"
         "  --program-folder DIR      where the Baidu cookie files and the failure report\n"
         "                            采集失败代码.html go (default: the per-user folder\n"
         "                            ~/.local/share/linkharvest/linkharvest)\n"
         "\n"
         "Verification pages:\n"
         "  --on-captcha stop|ask     stop: end the run as a Cancel would (default when standard\n"
         "                            input is not a terminal); ask: print the page address,\n"
         "                            solve it in a browser and paste the browser's cookie text\n"
         "                            (an empty line cancels; default on a terminal)\n"
         "  --cookies FILE            start the run with this cookie text (name=value; ...)\n"
         "\n"
         "At scale:\n"
         "  --shard I/N               search only the keywords at positions I, I+N, I+2N, ...\n"
         "                            (non-blank keywords, counted from 0); the save folder\n"
         "                            keeps a record for 'linkharvest-cli merge'\n"
         "  --shard auto              I and N from the scheduler: JOB_COMPLETION_INDEX with\n"
         "                            --shards N (Kubernetes Indexed Jobs), or\n"
         "                            SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT\n"
         "  --shards N                the number of shards, with --shard auto\n"
         "  linkharvest-cli merge OUT IN...\n"
         "                            join the save folders of finished shards into OUT as\n"
         "                            one run over the whole list would have written them\n"
         "\n"
         "Network:\n"
         "  --connect-to H1:P1:H2:P2  connect to H2:P2 whenever H1:P1 is asked for (repeatable;\n"
         "                            empty H1 or P1 matches any, as in curl)\n"
         "  --cacert FILE             also trust the certificates in this PEM file\n"
         "  --proxy URL               send every request through this proxy\n"
         "\n"
         "  -h, --help                this text\n"
         "  --version                 the program's version\n"
         "\n"
         "Ctrl-C, SIGTERM and SIGHUP stop the run like the window's stop button (files of\n"
         "finished pages stay complete); a second one ends at once.\n"
         "Exit status: 0 when every line reached its file, 1 when none were collected,\n"
         "2 for bad options, 3 when some lines were lost (named at the end of the run).\n";
    return h;
}

}  // namespace lh::cli
