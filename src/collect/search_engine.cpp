#include "collect/search_engine.h"

#include "textutil/program_text.h"

namespace lh {

namespace {

struct EngineEntry {
    SearchEngine engine;
    const char* radioButton;  // UTF-8
    const char* displayName;  // UTF-8
    FetchFamily family;
};

constexpr EngineEntry kEngines[] = {
    {SearchEngine::Baidu, "单选框百度", "百度", FetchFamily::A},
    {SearchEngine::BaiduNews, "单选框百度新闻", "百度新闻", FetchFamily::A},
    {SearchEngine::Sogou, "单选框搜狗", "搜狗", FetchFamily::D},
    {SearchEngine::SogouNews, "单选框搜狗新闻", "搜狗新闻", FetchFamily::D},
    {SearchEngine::Search360, "单选框360", "360", FetchFamily::D},
    {SearchEngine::Google, "单选框谷歌", "谷歌", FetchFamily::D},
    {SearchEngine::Bing, "单选框必应", "必应", FetchFamily::E},
    {SearchEngine::BaiduMobile, "单选框百度移动", "百度移动", FetchFamily::B},
    {SearchEngine::Search360Mobile, "单选框360移动", "360移动", FetchFamily::C},
    {SearchEngine::ShenmaMobile, "单选框神马移动", "神马移动", FetchFamily::BPrime},
};

const EngineEntry* entryOf(SearchEngine engine) {
    for (const EngineEntry& entry : kEngines) {
        if (entry.engine == engine) return &entry;
    }
    return nullptr;
}

}  // namespace

const std::array<SearchEngine, 10>& allSearchEngines() {
    static const std::array<SearchEngine, 10> engines = {
        SearchEngine::Baidu,       SearchEngine::BaiduNews,   SearchEngine::Sogou,
        SearchEngine::SogouNews,   SearchEngine::Search360,   SearchEngine::Google,
        SearchEngine::Bing,        SearchEngine::BaiduMobile, SearchEngine::Search360Mobile,
        SearchEngine::ShenmaMobile};
    return engines;
}

std::string engineDisplayName(SearchEngine engine) {
    const EngineEntry* entry = entryOf(engine);
    return gb(entry != nullptr ? entry->displayName : "未知引擎");
}

std::string engineRadioButtonName(SearchEngine engine) {
    const EngineEntry* entry = entryOf(engine);
    return entry != nullptr ? gb(entry->radioButton) : std::string();
}

SearchEngine engineFromRadioButton(std::string_view name) {
    for (const EngineEntry& entry : kEngines) {
        if (gb(entry.radioButton) == name) return entry.engine;
    }
    return SearchEngine::None;
}

FetchFamily engineFetchFamily(SearchEngine engine) {
    const EngineEntry* entry = entryOf(engine);
    return entry != nullptr ? entry->family : FetchFamily::None;
}

std::string googleBaseFor(bool useComSite) {
    return "https://" + std::string(useComSite ? kGoogleComHost : kGoogleHongKongHost) + "/";
}

}  // namespace lh
