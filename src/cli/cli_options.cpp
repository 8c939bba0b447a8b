#include "cli/cli_options.h"

#include <charconv>
#include <functional>
#include <map>

#include "textutil/program_text.h"

namespace lh::cli {

namespace {

struct EngineName {
    SearchEngine engine;
    const char* option;
    const char* display;  // UTF-8
};

constexpr EngineName kEngineNames[] = {
    {SearchEngine::Baidu, "baidu", "百度"},
    {SearchEngine::BaiduNews, "baidu-news", "百度新闻"},
    {SearchEngine::Sogou, "sogou", "搜狗"},
    {SearchEngine::SogouNews, "sogou-news", "搜狗新闻"},
    {SearchEngine::Search360, "360", "360"},
    {SearchEngine::Google, "google", "谷歌"},
    {SearchEngine::Bing, "bing", "必应"},
    {SearchEngine::BaiduMobile, "baidu-mobile", "百度移动"},
    {SearchEngine::Search360Mobile, "360-mobile", "360移动"},
    {SearchEngine::ShenmaMobile, "shenma-mobile", "神马移动"},
};

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

std::string programTextOf(const std::string& utf8, std::string& out) {
    if (!isValidUtf8(utf8)) return "is not valid UTF-8 text";
    out = utf8ToGb(utf8);
    return {};
}

OptionSpec textOption(std::optional<std::string> CliOptions::*field) {
    return {true, [field](CliOptions& o, const std::string& v) {
                std::string text;
                std::string error = programTextOf(v, text);
                if (error.empty()) o.*field = text;
                return error;
            }};
}

OptionSpec pathOption(std::optional<std::string> CliOptions::*field) {
    return {true, [field](CliOptions& o, const std::string& v) -> std::string {
                if (v.empty()) return "needs a file name";
                o.*field = v;
                return {};
            }};
}

OptionSpec flag(std::optional<bool> CliOptions::*field, bool value) {
    return {false, [field, value](CliOptions& o, const std::string&) {
                o.*field = value;
                return std::string();
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
        t["keywords"] = pathOption(&CliOptions::keywordsFile);
        t["engine"] = {
            true, [](CliOptions& o, const std::string& v) -> std::string {
                const SearchEngine e = engineFromName(v);
                if (e == SearchEngine::None) {
                    return "'" + v +
                           "' is not an engine (baidu, baidu-news, sogou, sogou-news, 360, "
                           "google, bing, baidu-mobile, 360-mobile, shenma-mobile)";
                }
                o.engine = e;
                return {};
            }};
        t["pages"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                          long long n = 0;
                          if (v == "all") {
                              o.pageLimitText = gb("全部");
                              return {};
                          }
                          if (!parsePlainInteger(v, n) || n < 0) {
                              return "'" + v +
                                     "' is not a page count (a number, 0 or 'all' for every page)";
                          }
                          o.pageLimitText = n == 0 ? gb("全部") : std::to_string(n);
                          return {};
                      }};
        t["per-page"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                             long long n = 0;
                             if (!parsePlainInteger(v, n) || n < 1 || n > 100) {
                                 return "'" + v + "' is not a number of results from 1 to 100";
                             }
                             o.resultsPerPageText = std::to_string(n);
                             return {};
                         }};
        t["save-folder"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                                if (v.empty()) return "needs a folder";
                                o.saveFolder = programTextOfPath(v);
                                return {};
                            }};
        t["ext"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                        std::string text;
                        std::string error = programTextOf(v, text);
                        if (!error.empty()) return error;
                        if (text.find_first_of("/\\") != std::string::npos)
                            return "must not contain a slash";
                        if (!text.empty() && text[0] == '.') text.erase(0, 1);
                        o.fileExtension = text;
                        return {};
                    }};
        t["template"] = textOption(&CliOptions::outputTemplate);
        t["ranks"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                          std::string text;
                          std::string error = programTextOf(v, text);
                          if (!error.empty()) return error;
                          if (text.empty()) return "needs ranks such as 2|3|5";
                          o.selectedRanks = text;
                          o.onlySelectedRanks = true;
                          return {};
                      }};
        t["all-ranks"] = flag(&CliOptions::onlySelectedRanks, false);
        t["www-not-top-level"] = flag(&CliOptions::wwwNotTopLevel, true);
        t["no-www-not-top-level"] = flag(&CliOptions::wwwNotTopLevel, false);
        t["no-com-site"] = flag(&CliOptions::useComSite, false);
        t["com-site"] = flag(&CliOptions::useComSite, true);
        t["separator-lines"] = flag(&CliOptions::keywordSeparatorLine, true);
        t["no-separator-lines"] = flag(&CliOptions::keywordSeparatorLine, false);
        t["merge"] = flag(&CliOptions::mergeIntoOneFile, true);
        t["no-merge"] = flag(&CliOptions::mergeIntoOneFile, false);
        t["no-dedupe"] = flag(&CliOptions::removeDuplicates, false);
        t["dedupe"] = flag(&CliOptions::removeDuplicates, true);
        t["ignore-engine-sites"] = flag(&CliOptions::ignoreEngineSites, true);
        t["no-ignore-engine-sites"] = flag(&CliOptions::ignoreEngineSites, false);
        t["baidu-mode"] = {true, [](CliOptions& o, const std::string& v) -> std::string {
                               if (v == "2") {
                                   o.baiduFetchMode = 0;
                               } else if (v == "3") {
                                   o.baiduFetchMode = 1;
                               } else {
                                   return "'" + v + "' is not a Baidu mode (2 or 3)";
                               }
                               return {};
                           }};
        t["stdout"] = plainFlag(&CliOptions::toStdout);
        t["utf8"] = plainFlag(&CliOptions::utf8);
        t["quiet"] = plainFlag(&CliOptions::quiet);
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

}  // namespace

SearchEngine engineFromName(const std::string& name) {
    const std::string lower = toLowerAscii(name);
    for (const EngineName& e : kEngineNames) {
        if (lower == e.option || name == e.display) return e.engine;
    }
    return SearchEngine::None;
}

const char* engineOptionName(SearchEngine engine) {
    for (const EngineName& e : kEngineNames) {
        if (e.engine == engine) return e.option;
    }
    return "none";
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h") {
            result.options.help = true;
            continue;
        }
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
    }
    if (result.options.utf8 && !result.options.toStdout) {
        result.error =
            "option '--utf8' only applies with --stdout (result files are always GB18030)";
    }
    return result;
}

void applyCliOptions(const CliOptions& o, CollectionSettings& s) {
    if (o.engine) s.engine = *o.engine;
    if (o.pageLimitText) s.pageLimitText = *o.pageLimitText;
    if (o.resultsPerPageText) s.resultsPerPageText = *o.resultsPerPageText;
    if (o.saveFolder) s.saveFolder = *o.saveFolder;
    if (o.fileExtension) s.fileExtension = *o.fileExtension;
    if (o.outputTemplate) s.outputTemplate = *o.outputTemplate;
    if (o.onlySelectedRanks) s.onlySelectedRanks = *o.onlySelectedRanks;
    if (o.selectedRanks) s.selectedRanks = *o.selectedRanks;
    if (o.wwwNotTopLevel) s.wwwNotTopLevel = *o.wwwNotTopLevel;
    if (o.useComSite) s.useComSite = *o.useComSite;
    if (o.keywordSeparatorLine) s.keywordSeparatorLine = *o.keywordSeparatorLine;
    if (o.mergeIntoOneFile) s.mergeIntoOneFile = *o.mergeIntoOneFile;
    if (o.removeDuplicates) s.removeDuplicates = *o.removeDuplicates;
    if (o.ignoreEngineSites) s.ignoreEngineSites = *o.ignoreEngineSites;
    if (o.baiduFetchMode) s.baiduFetchMode = *o.baiduFetchMode;
    // There is no browser view to clear or close on a terminal.
    s.clearCacheOnVerification = false;
    s.autoCloseVerification = false;
}

std::string helpText() {
    const CollectionSettings d = CollectionSettings::defaults();
    const std::string folder = gbToUtf8(d.saveFolder);
    const std::string templ = gbToUtf8(d.outputTemplate);
    std::string h;
    h += "Usage: linkharvest-cli --keywords FILE [options]\n"
         "Harvests search-engine results for a list of keywords into GB18030 text/CSV files,\n"
         "exactly as the linkharvest window does.\n"
         "\n"
         "Run options (defaults are the window's):\n"
         "  --keywords FILE           keywords, one per line; '-' reads standard input. UTF-8\n"
         "                            (with or without BOM), UTF-16 with BOM, else GB18030;\n"
         "                            any line ending. Required unless --settings gives them.\n"
         "  --engine NAME             baidu, baidu-news, sogou, sogou-news, 360, google, bing,\n"
         "                            baidu-mobile, 360-mobile, shenma-mobile (default: baidu)\n"
         "  --pages N                 result pages per keyword; 0 or 'all' = every page\n"
         "                            (default: all)\n"
         "  --per-page N              results kept per page, 1-100 (default: 50)\n"
         "  --save-folder DIR         where result files go (default: " +
         folder +
         ")\n"
         "  --ext EXT                 result file extension, without dot; csv files get a\n"
         "                            header line (default: txt)\n"
         "  --template TEXT           one output line per result; placeholders #网址# #标题#\n"
         "                            #域名# #顶级域名# #描述# #关键词#\n"
         "                            (default: " +
         templ +
         ")\n"
         "  --ranks R|R|...           keep only these ranks, e.g. 2|3|5 (default: all ranks;\n"
         "                            --all-ranks turns a saved rank filter off)\n"
         "  --www-not-top-level       'www.' hosts are not top-level domains (default: off)\n"
         "  --no-com-site             Google and Bing: local site instead of .com (default: .com)\n"
         "  --separator-lines         with --merge: a heading line before each keyword (off)\n"
         "  --merge                   all keywords into one file (default: off)\n"
         "  --no-dedupe               keep duplicate lines (default: duplicates removed)\n"
         "  --ignore-engine-sites     drop results on the engine's own sites (default: off)\n"
         "  --baidu-mode 2|3          Baidu download mode (default: 2)\n"
         "  --settings FILE           start from the options a window saved in its settings\n"
         "                            file (section 主界面, keywords from its inibin folder);\n"
         "                            the options above override them\n"
         "  Every on/off flag has an opposite: --no-merge, --dedupe, --com-site,\n"
         "  --no-separator-lines, --no-www-not-top-level, --no-ignore-engine-sites.\n"
         "\n"
         "Output:\n"
         "  --stdout                  write the result lines to standard output instead of\n"
         "                            files (GB18030, CR LF line ends)\n"
         "  --utf8                    with --stdout: UTF-8 lines ending in LF\n"
         "  --quiet                   no progress on standard error, only the end-of-run line\n"
         "  --program-folder DIR      where the Baidu cookie files and the failure report\n"
         "                            采集失败代码.html go (default: the folder of this program)\n"
         "\n"
         "Verification pages:\n"
         "  --on-captcha stop|ask     stop: end the run as a Cancel would (default when standard\n"
         "                            input is not a terminal); ask: print the page address,\n"
         "                            solve it in a browser and paste the browser's cookie text\n"
         "                            (an empty line cancels; default on a terminal)\n"
         "  --cookies FILE            start the run with this cookie text (name=value; ...)\n"
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
         "Ctrl-C stops the run like the window's stop button (files of finished pages stay\n"
         "complete); a second Ctrl-C ends at once.\n"
         "Exit status: 0 when lines were written, 1 when none were, 2 for bad options.\n";
    return h;
}

}  // namespace lh::cli
