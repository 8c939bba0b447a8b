#pragma once

#include <string>
#include <string_view>

#include "collect/random_text.h"
#include "collect/search_engine.h"

namespace lh {

// What a search address is built from. Texts are program text.
struct SearchQuery {
    SearchEngine engine = SearchEngine::None;
    std::string_view keyword;  // trimmed, not encoded
    long long page = 1;        // 1 on
    int perPage = 10;          // results kept per page, 1-100
    bool useComSite = true;
    std::string_view googleBase;   // the run's Google site root
    std::string_view nextPageUrl;  // the next-page link found on the keyword's previous page
};

// The engine's search address of the keyword and page: Baidu and Baidu News pages from
// 2 on are `nextPageUrl` exactly as found (empty when there was none); Bing uses it from
// page 2 on when it is not empty. Empty for SearchEngine::None or a page below 1.
std::string buildSearchUrl(const SearchQuery& query);

// The per-page count an address asks for: the results per page, at least 10.
long long askedPerPage(const SearchQuery& query);

// Google site root with its trailing "/": the international host when `useComSite`,
// the Hong Kong host otherwise. Chosen once at run start.
std::string googleBaseFor(bool useComSite);

// Referer of a Baidu request when the session has none yet.
std::string baiduDefaultReferer();

// Referer of a 360 mobile request: the 360 web search address of the keyword.
std::string search360MobileReferer(std::string_view keyword);

// A Sogou address for one download attempt: `url` + "&sj=" + 8 random characters, a new
// value on every call.
std::string sogouAttemptUrl(std::string_view url, RandomSource& source);
std::string sogouAttemptUrl(std::string_view url);

}  // namespace lh
