#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collect/result_extraction.h"
#include "collect/search_engine.h"
#include "collect/search_url.h"

namespace lh {

// How an engine's result page is downloaded.
enum class FetchRecipe {
    None,
    // Baidu web: by the download mode, the client's fetch with a User-Agent line (mode 2)
    // or the request object claiming a forged client address (mode 3); 50 s; the referer
    // starts as the Baidu home page.
    BaiduDownloadMode,
    // The request object with the mobile agent, the session's referer and cookies; 30 s.
    MobileRequest,
    // The request object with the mobile agent and nothing else; 30 s.
    BareMobileRequest,
    // The client's fetch with the keyword's 360 web search as referer and the session's
    // cookies; 30 s.
    FetchWithSearchReferer,
    // The page fetch with retries and markup redirects, the desktop agent and (unless
    // the profile sends none) the session's cookies; 30 s.
    PageFetch,
    // The page fetch with the web view's cookies and the session's referer, 50 s; the
    // page is then shown in the web view too.
    PageFetchWithViewCookies,
};

// How an engine pages.
enum class Paging {
    // Every page's address is built from its number; no next-page link is looked for.
    PageNumber,
    // Page 1 is built, every later page is the next-page link of the page before; a page
    // without one is the keyword's last.
    NextLinkOnly,
    // Built from the number until a page offers a next-page link, then the link.
    NextLinkWhenFound,
};

// How a result's address becomes its target.
enum class LinkRule {
    Keep,             // as the page gives it
    BaiduRedirector,  // the redirector's Location, advertisement links with warm cookies,
                      // refresh pages as the fallback; only when the template shows it
    RefreshPage,      // the redirect page's meta refresh, else the link?url= parameter
    JumpParameter,    // the ?u= parameter of a jump address, decoded locally
    GoogleCleanUp,    // the url?q= / url= target, jsessionid dropped, percent-decoded
    ClickTracking,    // a click-tracking address's u= (a1 + base64url), decoded locally
};

// The cookie file an engine reads its cookies from and stores verified cookies in.
enum class CookieFile { None, Baidu, BaiduMobile };

// What makes two results duplicates when duplicates are removed.
enum class DuplicateKey { Line, Title };

// Everything that differs between engines. One entry per engine in engine_catalogue.cpp;
// code asks the entry instead of switching on the engine.
struct EngineProfile {
    SearchEngine id = SearchEngine::None;
    std::string displayName{};   // program text: first part of file names ("百度")
    std::string radioButton{};   // program text: the window's control and settings key
    std::string_view cliName{};  // --engine value
    int controlOrder = 0;        // place among the window's engine buttons (Bing before Google)
    std::string_view host{};     // the search host, where the address names one

    std::string (*searchAddress)(const SearchQuery& query) = nullptr;
    Paging paging = Paging::PageNumber;

    FetchRecipe fetch = FetchRecipe::None;
    bool sendsSessionCookies = true;  // PageFetch: 360 web sends none
    bool freshAttemptMark = false;    // Sogou web: "&sj=" + 8 random characters each try

    const ExtractionRules* extraction = nullptr;
    // What the rules miss on today's markup, added after them.
    ExtractionFallbacks extractionFallbacks{};
    LinkRule links = LinkRule::Keep;
    // Where a result names its target in the page; that target spares the look-up.
    CarriedTarget carriedTarget{};
    DuplicateKey duplicateKey = DuplicateKey::Line;

    // Pages are examined for verification markers (and handed to the user on a hit).
    bool examinedForVerification = false;
    CookieFile cookieFile = CookieFile::None;
    // A text only the engine's own challenge page holds (letter case ignored). Such a
    // page is handed to the user like a verification page, whether or not the pages are
    // examined for the shared markers. Empty: none.
    std::string_view challengeMarker{};

    bool pauseBetweenKeywords = true;  // 5 s between keywords
    // 10-12 s instead of 5-7 s between pages at 20 or more results per page.
    bool slowPagePauseFromTwentyPerPage = false;
    // Consecutive poor pages that end a keyword (Bing's grace: 5).
    int poorPagesToEnd = 1;
    // Before each keyword the web view goes to about:blank and the run waits 1 s.
    bool blankViewBeforeKeyword = false;
};

// The ten engines, in the order of SearchEngine.
std::span<const EngineProfile> engineCatalogue();

// The engine's profile; for SearchEngine::None a profile named "未知引擎" that builds no
// address, downloads nothing and finds no results.
const EngineProfile& engineProfile(SearchEngine engine);

// The engines in the window's control order (the order the settings store visits them
// backwards and a saved settings file is read forwards).
std::vector<const EngineProfile*> enginesInControlOrder();

// The engine a radio button (program text) selects; nullptr for any other name.
const EngineProfile* engineOfRadioButton(std::string_view name);

// The engine the command line names: its --engine value in any letter case, or its
// display name in UTF-8. nullptr when unknown.
const EngineProfile* engineNamed(std::string_view name);

// The cookie file's name in the program folder (program text); empty for None.
std::string cookieFileName(CookieFile file);

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

}  // namespace lh
