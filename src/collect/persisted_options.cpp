#include "collect/persisted_options.h"

#include <charconv>
#include <type_traits>

#include "collect/engine_catalogue.h"
#include "settings/control_state_store.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

using S = CollectionSettings;

// The table. The order is --help's; the window and the settings file go by name.
constexpr PersistedOption kOptions[] = {
    {.control = "编辑框关键词",
     .name = "keywordList",
     .kind = OptionKind::KeywordList,
     .field = &S::keywordList,
     .defaultText = "外星人\r\n2012",
     .flag = "keywords",
     .valueName = "FILE",
     .help = "keywords, one per line; '-' reads standard input. UTF-8\n"
             "(with or without BOM), UTF-16 (with or without BOM), else\n"
             "GB18030; any line ending; at most 64 MB. Required unless\n"
             "--settings gives them."},
    {.control = "",
     .name = "engine",
     .kind = OptionKind::Engine,
     .field = &S::engine,
     .defaultText = "baidu",
     .flag = "engine",
     .valueName = "NAME",
     .help = "{engines} (default: {default})"},
    {.control = "编辑框采集页数",
     .name = "pageLimit",
     .kind = OptionKind::PageLimit,
     .field = &S::pageLimit,
     .defaultText = "全部",
     .flag = "pages",
     .valueName = "N",
     .help = "result pages per keyword; 0 or 'all' = every page\n(default: {default})"},
    {.control = "编辑框每页采集数",
     .name = "resultsPerPage",
     .kind = OptionKind::PerPage,
     .field = &S::resultsPerPage,
     .defaultText = "50",
     .flag = "per-page",
     .valueName = "N",
     .help = "results kept per page, 1-100 (default: {default})"},
    {.control = "编辑框保存目录",
     .name = "saveFolder",
     .kind = OptionKind::Folder,
     .field = &S::saveFolder,
     .defaultText = "",
     .flag = "save-folder",
     .valueName = "DIR",
     .help = "where result files go (default: {default})"},
    {.control = "编辑框扩展名",
     .name = "fileExtension",
     .kind = OptionKind::Extension,
     .field = &S::fileExtension,
     .defaultText = "txt",
     .flag = "ext",
     .valueName = "EXT",
     .help = "result file extension, without dot; csv files get a\n"
             "header line (default: {default})"},
    {.control = "编辑框保存模板",
     .name = "outputTemplate",
     .kind = OptionKind::Text,
     .field = &S::outputTemplate,
     .defaultText = "\"#标题#\",\"#网址#\",\"#域名#\",\"#顶级域名#\",\"#描述#\"",
     .flag = "template",
     .valueName = "TEXT",
     .help = "one output line per result; placeholders #网址# #标题#\n"
             "#域名# #顶级域名# #描述# #关键词#\n"
             "(default: {default})"},
    {.control = "编辑框指定排名",
     .name = "selectedRanks",
     .kind = OptionKind::Ranks,
     .field = &S::selectedRanks,
     .defaultText = "2|3|5",
     .flag = "ranks",
     .offFlag = "all-ranks",
     .valueName = "R|R|...",
     .help = "keep only these ranks, e.g. 2|3|5 (default: all ranks;\n"
             "--all-ranks turns a saved rank filter off)"},
    {.control = "选择框仅指定排名",
     .name = "onlySelectedRanks",
     .kind = OptionKind::Flag,
     .field = &S::onlySelectedRanks,
     .defaultText = "off"},
    {.control = "选择框www非顶级",
     .name = "wwwNotTopLevel",
     .kind = OptionKind::Flag,
     .field = &S::wwwNotTopLevel,
     .defaultText = "off",
     .flag = "www-not-top-level",
     .offFlag = "no-www-not-top-level",
     .help = "'www.' hosts are not top-level domains (default: off)"},
    {.control = "选择框英文站搜索",
     .name = "useComSite",
     .kind = OptionKind::Flag,
     .field = &S::useComSite,
     .defaultText = "on",
     .flag = "com-site",
     .offFlag = "no-com-site",
     .help = "Google and Bing: local site instead of .com (default: .com)"},
    {.control = "选择框关键词分割线",
     .name = "keywordSeparatorLine",
     .kind = OptionKind::Flag,
     .field = &S::keywordSeparatorLine,
     .defaultText = "off",
     .flag = "separator-lines",
     .offFlag = "no-separator-lines",
     .help = "with --merge: a heading line before each keyword (off)"},
    {.control = "选择框合并保存",
     .name = "mergeIntoOneFile",
     .kind = OptionKind::Flag,
     .field = &S::mergeIntoOneFile,
     .defaultText = "off",
     .flag = "merge",
     .offFlag = "no-merge",
     .help = "all keywords into one file (default: off)"},
    {.control = "选择框自动去重",
     .name = "removeDuplicates",
     .kind = OptionKind::Flag,
     .field = &S::removeDuplicates,
     .defaultText = "on",
     .flag = "dedupe",
     .offFlag = "no-dedupe",
     .help = "keep duplicate lines (default: duplicates removed)"},
    {.control = "选择框忽略自家",
     .name = "ignoreEngineSites",
     .kind = OptionKind::Flag,
     .field = &S::ignoreEngineSites,
     .defaultText = "off",
     .flag = "ignore-engine-sites",
     .offFlag = "no-ignore-engine-sites",
     .help = "drop results on the engine's own sites (default: off)"},
    {.control = "选择框总是解析跳转",
     .name = "resolveAlways",
     .kind = OptionKind::Flag,
     .field = &S::resolveAlways,
     .defaultText = "off",
     .flag = "resolve-always",
     .offFlag = "no-resolve-always",
     .help = "look up every redirect link, also where the page names\n"
             "the result's target (default: off)"},
    {.control = "编辑框同时解析数",
     .name = "resolveParallel",
     .kind = OptionKind::Parallel,
     .field = &S::resolveParallel,
     .defaultText = "4",
     .flag = "resolve-parallel",
     .valueName = "N",
     .help = "redirect links of a page looked up at once, 1-16; 1 looks\n"
             "them up one after another (default: {default})"},
    {.control = "编辑框代理服务器",
     .name = "proxyList",
     .kind = OptionKind::ProxyList,
     .field = &S::proxyList,
     .defaultText = "",
     .flag = "proxy-list",
     .valueName = "FILE",
     .help = "proxy addresses, one a line ([scheme://][user:pw@]host:port);\n"
             "keywords take them in turn, a proxy that fails to connect is\n"
             "set aside (default: http_proxy/https_proxy/no_proxy)"},
    {.control = "选择框继续采集",
     .name = "resumeRun",
     .kind = OptionKind::Flag,
     .field = &S::resumeRun,
     .defaultText = "off",
     .flag = "resume",
     .offFlag = "no-resume",
     .help = "go on with the unfinished run in the save folder: finished\n"
             "keywords skipped, files appended to (default: off)"},
    // There is no browser view on a terminal to clear or close.
    {.control = "选择框删除缓存",
     .name = "clearCacheOnVerification",
     .kind = OptionKind::Flag,
     .field = &S::clearCacheOnVerification,
     .defaultText = "off"},
    {.control = "选择框自动关闭验证窗口",
     .name = "autoCloseVerification",
     .kind = OptionKind::Flag,
     .field = &S::autoCloseVerification,
     .defaultText = "off"},
    {.control = "组合框采集模式",
     .name = "baiduFetchMode",
     .kind = OptionKind::Choice,
     .field = &S::baiduFetchMode,
     .defaultText = "0",
     .flag = "baidu-mode",
     .valueName = "2|3",
     .choices = "2|3",
     .choiceNoun = "Baidu mode",
     .help = "Baidu download mode (default: {default})"},
};

template <class T>
T& fieldOf(const PersistedOption& option, CollectionSettings& settings) {
    return settings.*std::get<T CollectionSettings::*>(option.field);
}

template <class T>
const T& fieldOf(const PersistedOption& option, const CollectionSettings& settings) {
    return settings.*std::get<T CollectionSettings::*>(option.field);
}

bool parsePlainInteger(std::string_view text, long long& value) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}

// Appends field = value (built in place: copying a variant that may hold a string
// trips GCC's uninitialised-use warning).
template <class T>
void add(std::vector<SettingAssignment>& out, SettingsField field, T value) {
    out.emplace_back();
    out.back().field = field;
    out.back().value.template emplace<T>(std::move(value));
}

std::string quoted(std::string_view value) { return "'" + std::string(value) + "'"; }

std::string programTextOf(std::string_view utf8, std::string& out) {
    if (!isValidUtf8(utf8)) return "is not valid UTF-8 text";
    out = utf8ToGb(utf8);
    return {};
}

std::string engineList() {
    std::string list;
    for (const EngineProfile& engine : engineCatalogue()) {
        if (!list.empty()) list += ", ";
        list += engine.cliName;
    }
    return list;
}

}  // namespace

std::span<const PersistedOption> persistedOptions() { return kOptions; }

const PersistedOption* optionOfControl(std::string_view control) {
    for (const PersistedOption& option : kOptions) {
        if (!option.control.empty() && option.control == control) return &option;
    }
    return nullptr;
}

const PersistedOption* optionNamed(std::string_view name) {
    for (const PersistedOption& option : kOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

void setFromControlText(const PersistedOption& option, CollectionSettings& settings,
                        std::string_view text) {
    switch (option.kind) {
    case OptionKind::PageLimit:
        fieldOf<PageLimit>(option, settings) = PageLimit::fromText(text);
        break;
    case OptionKind::PerPage:
        fieldOf<int>(option, settings) = resultsPerPageFromText(text);
        break;
    case OptionKind::Parallel:
        fieldOf<int>(option, settings) = parallelLookUpsFromText(text);
        break;
    case OptionKind::KeywordList:
    case OptionKind::ProxyList:
    case OptionKind::Text:
    case OptionKind::Folder:
    case OptionKind::Extension:
    case OptionKind::Ranks:
        fieldOf<std::string>(option, settings) = std::string(text);
        break;
    case OptionKind::Engine:
    case OptionKind::Flag:
    case OptionKind::Choice:
        break;
    }
}

std::string controlText(const PersistedOption& option, const CollectionSettings& settings) {
    switch (option.kind) {
    case OptionKind::PageLimit: {
        const PageLimit limit = fieldOf<PageLimit>(option, settings);
        return limit.isAll() ? gb("全部") : std::to_string(limit.pages);
    }
    case OptionKind::PerPage:
    case OptionKind::Parallel:
        return std::to_string(fieldOf<int>(option, settings));
    case OptionKind::KeywordList:
    case OptionKind::ProxyList:
    case OptionKind::Text:
    case OptionKind::Folder:
    case OptionKind::Extension:
    case OptionKind::Ranks:
        return fieldOf<std::string>(option, settings);
    case OptionKind::Engine:
    case OptionKind::Flag:
    case OptionKind::Choice:
        break;
    }
    return {};
}

void setFlag(const PersistedOption& option, CollectionSettings& settings, bool on) {
    fieldOf<bool>(option, settings) = on;
}

bool flagOf(const PersistedOption& option, const CollectionSettings& settings) {
    return fieldOf<bool>(option, settings);
}

void setChoice(const PersistedOption& option, CollectionSettings& settings, long long index) {
    const auto items = static_cast<long long>(splitText(option.choices, "|").size());
    // An index beyond the last item selects the last one, one below 0 selects nothing.
    fieldOf<int>(option, settings) = index > items - 1 ? static_cast<int>(items - 1)
                                                       : (index < 0 ? -1 : static_cast<int>(index));
}

int choiceOf(const PersistedOption& option, const CollectionSettings& settings) {
    return fieldOf<int>(option, settings);
}

void applyDefault(const PersistedOption& option, CollectionSettings& settings) {
    switch (option.kind) {
    case OptionKind::Engine:
        fieldOf<SearchEngine>(option, settings) = engineNamed(option.defaultText)->id;
        break;
    case OptionKind::Flag:
        setFlag(option, settings, option.defaultText == "on");
        break;
    case OptionKind::Choice:
        setChoice(option, settings, toInteger(option.defaultText));
        break;
    case OptionKind::Folder:
        setFromControlText(
            option, settings,
            option.defaultText.empty() ? defaultSaveFolder() : gb(option.defaultText));
        break;
    default:
        setFromControlText(option, settings, gb(option.defaultText));
        break;
    }
}

void assign(const SettingAssignment& assignment, CollectionSettings& settings) {
    std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(settings.*member)>;
            if (const T* value = std::get_if<T>(&assignment.value)) settings.*member = *value;
        },
        assignment.field);
}

std::string readFlag(const PersistedOption& option, std::string_view value, bool on,
                     std::vector<SettingAssignment>& out) {
    switch (option.kind) {
    case OptionKind::KeywordList:
    case OptionKind::ProxyList:
        return {};
    case OptionKind::Engine: {
        const EngineProfile* engine = engineNamed(value);
        if (engine == nullptr) return quoted(value) + " is not an engine (" + engineList() + ")";
        add(out, option.field, engine->id);
        return {};
    }
    case OptionKind::PageLimit: {
        if (value == "all") {
            add(out, option.field, PageLimit::all());
            return {};
        }
        long long n = 0;
        if (!parsePlainInteger(value, n) || n < 0) {
            return quoted(value) + " is not a page count (a number, 0 or 'all' for every page)";
        }
        add(out, option.field, PageLimit{n});
        return {};
    }
    case OptionKind::PerPage: {
        long long n = 0;
        if (!parsePlainInteger(value, n) || n < 1 || n > 100) {
            return quoted(value) + " is not a number of results from 1 to 100";
        }
        add(out, option.field, static_cast<int>(n));
        return {};
    }
    case OptionKind::Parallel: {
        long long n = 0;
        if (!parsePlainInteger(value, n) || n < 1 || n > kMostParallelLookUps) {
            return quoted(value) + " is not a number of look-ups from 1 to " +
                   std::to_string(kMostParallelLookUps);
        }
        add(out, option.field, static_cast<int>(n));
        return {};
    }
    case OptionKind::Text: {
        std::string text;
        std::string error = programTextOf(value, text);
        if (error.empty()) add(out, option.field, std::move(text));
        return error;
    }
    case OptionKind::Folder:
        if (value.empty()) return "needs a folder";
        add(out, option.field, programTextOfPath(std::string(value)));
        return {};
    case OptionKind::Extension: {
        std::string text;
        std::string error = programTextOf(value, text);
        if (!error.empty()) return error;
        if (text.find_first_of("/\\") != std::string::npos) return "must not contain a slash";
        if (!text.empty() && text[0] == '.') text.erase(0, 1);
        add(out, option.field, std::move(text));
        return {};
    }
    case OptionKind::Ranks: {
        if (!on) {
            add(out, &S::onlySelectedRanks, false);
            return {};
        }
        std::string text;
        std::string error = programTextOf(value, text);
        if (!error.empty()) return error;
        if (text.empty()) return "needs ranks such as 2|3|5";
        add(out, option.field, std::move(text));
        add(out, &S::onlySelectedRanks, true);
        return {};
    }
    case OptionKind::Flag:
        add(out, option.field, on);
        return {};
    case OptionKind::Choice: {
        const std::vector<std::string> items = splitText(option.choices, "|");
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (value == items[i]) {
                add(out, option.field, static_cast<int>(i));
                return {};
            }
        }
        std::string labels;
        for (std::size_t i = 0; i < items.size(); ++i) {
            labels += (i == 0 ? "" : (i + 1 == items.size() ? " or " : ", ")) + items[i];
        }
        return quoted(value) + " is not a " + std::string(option.choiceNoun) + " (" + labels + ")";
    }
    }
    return {};
}

std::string defaultForHelp(const PersistedOption& option) {
    CollectionSettings settings;
    applyDefault(option, settings);
    switch (option.kind) {
    case OptionKind::PageLimit: {
        const PageLimit limit = fieldOf<PageLimit>(option, settings);
        return limit.isAll() ? std::string("all") : std::to_string(limit.pages);
    }
    case OptionKind::Engine:
        return std::string(engineProfile(fieldOf<SearchEngine>(option, settings)).cliName);
    case OptionKind::Flag:
        return flagOf(option, settings) ? "on" : "off";
    case OptionKind::Choice: {
        const std::vector<std::string> items = splitText(option.choices, "|");
        const int index = choiceOf(option, settings);
        return index >= 0 && static_cast<std::size_t>(index) < items.size()
                   ? items[static_cast<std::size_t>(index)]
                   : std::string();
    }
    default:
        return gbToUtf8(controlText(option, settings));
    }
}

void readSavedOptions(ControlStateStore& store, CollectionSettings& settings,
                      std::vector<const PersistedOption*>* taken) {
    for (const PersistedOption& option : kOptions) {
        const std::string key = gb(option.control);
        if (taken) {
            bool held = false;
            if (option.kind == OptionKind::KeywordList || option.kind == OptionKind::ProxyList) {
                held = store.holdsBytes(key);
            } else if (option.kind == OptionKind::Engine) {
                for (const EngineProfile* profile : enginesInControlOrder())
                    held = held || store.holdsValue(profile->radioButton);
            } else {
                held = store.holdsValue(key);
            }
            if (held) taken->push_back(&option);
        }
        switch (option.kind) {
        case OptionKind::KeywordList:
        case OptionKind::ProxyList: {
            std::string& list = fieldOf<std::string>(option, settings);
            list = fromBytes(store.readBytes(key, toBytes(list)));
            break;
        }
        case OptionKind::Engine: {
            SearchEngine& engine = fieldOf<SearchEngine>(option, settings);
            for (const EngineProfile* profile : enginesInControlOrder()) {
                if (store.readBool(profile->radioButton, engine == profile->id)) {
                    engine = profile->id;
                } else if (engine == profile->id) {
                    engine = SearchEngine::None;
                }
            }
            break;
        }
        case OptionKind::Flag:
            setFlag(option, settings, store.readBool(key, flagOf(option, settings)));
            break;
        case OptionKind::Choice:
            setChoice(option, settings, store.readNumber(key, choiceOf(option, settings)));
            break;
        default:
            setFromControlText(option, settings,
                               store.readText(key, controlText(option, settings)));
            break;
        }
    }
}

}  // namespace lh
