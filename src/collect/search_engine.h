#pragma once

#include <array>
#include <string>
#include <string_view>

#include "collect/random_text.h"

namespace lh {

struct CollectionSettings;
struct CollectionRun;

// The ten engines a run can search; exactly one radio button selects one of them.
// `None` stands for "no engine button selected".
enum class SearchEngine {
    None,
    Baidu,
    BaiduNews,
    Sogou,
    SogouNews,
    Search360,
    Google,
    Bing,
    BaiduMobile,
    Search360Mobile,
    ShenmaMobile,
};

// The ten engines in the order of their radio buttons.
const std::array<SearchEngine, 10>& allSearchEngines();

// How an engine's result page is downloaded.
enum class FetchFamily {
    None,
    A,       // Baidu, Baidu News: by download mode, HttpClient fetch or request; cookie file
    B,       // Baidu mobile: request with the mobile agent; its own cookie file
    BPrime,  // Shenma mobile: request with the mobile agent, no referer, no cookies
    C,       // 360 mobile: fetch with the 360 web search address as referer
    D,       // Sogou, Sogou News, 360, Google: page fetch with retries (Sogou adds sj)
    E,       // Bing: page fetch with the hidden browser's cookies
};

// Display name, the first part of per-keyword file names ("百度" …); "未知引擎" for None.
std::string engineDisplayName(SearchEngine engine);
// Name of the engine's radio button on the main window ("单选框百度" …); empty for None.
std::string engineRadioButtonName(SearchEngine engine);
// The engine a radio button selects; None for any other name.
SearchEngine engineFromRadioButton(std::string_view name);
FetchFamily engineFetchFamily(SearchEngine engine);

// Hosts the engines are asked.
inline constexpr std::string_view kBaiduHost = "www.baidu.com";
inline constexpr std::string_view kSogouHost = "www.sogou.com";
inline constexpr std::string_view kSogouNewsHost = "news.sogou.com";
inline constexpr std::string_view kSearch360Host = "www.so.com";
inline constexpr std::string_view kGoogleComHost = "www.google.com";
inline constexpr std::string_view kGoogleHongKongHost = "www.google.com.hk";
inline constexpr std::string_view kBingDomain = "bing.com";
inline constexpr std::string_view kBaiduMobileHost = "m.baidu.com";
inline constexpr std::string_view kSearch360MobileHost = "m.so.com";
inline constexpr std::string_view kShenmaMobileHost = "m.sm.cn";
inline constexpr std::string_view kSearch360Domain = "so.com";

// Google site root with its trailing "/": the international host when `useComSite`,
// the Hong Kong host otherwise. Chosen once at run start.
std::string googleBaseFor(bool useComSite);

// The search address of a keyword (program text, trimmed, not encoded) and page (1 on).
// Reads the clamped results per page and the .com option from `settings`, and
// `googleBase` and `nextPageUrl` from `run`. Baidu and Baidu News pages from 2 on are
// `nextPageUrl` exactly as found (empty when the previous page had none); Bing uses it
// from page 2 on when it is not empty. Empty for `SearchEngine::None` or a page below 1.
std::string buildSearchUrl(const CollectionSettings& settings, const CollectionRun& run,
                           std::string_view keyword, long long page);

// Referer of a Baidu request when the run has none yet.
std::string baiduDefaultReferer();

// Referer of a 360 mobile request: the 360 web search address of the keyword.
std::string search360MobileReferer(std::string_view keyword);

// A Sogou address for one download attempt: `url` + "&sj=" + 8 random characters, a new
// value on every call.
std::string sogouAttemptUrl(std::string_view url, RandomSource& source);
std::string sogouAttemptUrl(std::string_view url);

}  // namespace lh
