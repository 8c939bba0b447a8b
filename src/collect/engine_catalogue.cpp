#include "collect/engine_catalogue.h"

#include <algorithm>
#include <array>

#include "textutil/program_text.h"
#include "textutil/url_encoders.h"
#include "web/cookie_files.h"

namespace lh {

namespace {

std::string n(long long value) { return std::to_string(value); }
std::string https(std::string_view host) { return "https://" + std::string(host); }
std::string http(std::string_view host) { return "http://" + std::string(host); }
std::string keyword(const SearchQuery& q) { return percentEncodeKeyword(q.keyword); }

std::string baiduAddress(const SearchQuery& q) {
    if (q.page >= 2) return std::string(q.nextPageUrl);
    const long long c = askedPerPage(q);
    return https(kBaiduHost) +
           "/s?ie=utf-8&f=8&rsv_bp=1&rsv_idx=1&tn=baidu&word=" + percentEncodeComponent(q.keyword) +
           "&rn=" + n(c) + "&pn=" + n((q.page - 1) * c);
}

// The catalogue, one entry per engine. Adding an engine: an id in search_engine.h, an
// entry here, its extraction rules in result_extraction.cpp (and a download recipe or
// link rule of its own only when none of the existing ones fits).
std::array<EngineProfile, 10> makeCatalogue() {
    std::array<EngineProfile, 10> entries;
    entries[0] = {
        .id = SearchEngine::Baidu,
        .displayName = gb("百度"),
        .radioButton = gb("单选框百度"),
        .cliName = "baidu",
        .controlOrder = 0,
        .host = kBaiduHost,
        .searchAddress = baiduAddress,
        .paging = Paging::NextLinkOnly,
        .fetch = FetchRecipe::BaiduDownloadMode,
        .extraction = &extraction_rules::baidu(),
        .extractionFallbacks =
            {
                .blocks = {{classToken("div", {"result", "result-op"})}},  // c-container gone
                .snippets =
                    {
                        {classToken("span", {"summary-text*"})},   // 2024+ cos-line-clamp boxes
                        {classToken("div", {"cos-line-clamp*"})},  // the same box, no summary span
                        {classToken("div", {"c-span-last"})},      // image-left results
                    },
                .longestText = true,
                .headingLink = true,
            },
        .links = LinkRule::BaiduRedirector,
        // Today's result blocks: <div class="result c-container" mu="target">.
        .carriedTarget = {TargetCarrier::BlockTag, "mu"},
        .examinedForVerification = true,
        .cookieFile = CookieFile::Baidu,
        .slowPagePauseFromTwentyPerPage = true,
    };
    entries[1] = {
        .id = SearchEngine::BaiduNews,
        .displayName = gb("百度新闻"),
        .radioButton = gb("单选框百度新闻"),
        .cliName = "baidu-news",
        .controlOrder = 1,
        .host = kBaiduHost,
        .searchAddress =
            [](const SearchQuery& q) {
                if (q.page >= 2) return std::string(q.nextPageUrl);
                return baiduAddress(q) + "&rtt=4&bsst=1&tn=news&cl=2";
            },
        .paging = Paging::NextLinkOnly,
        .fetch = FetchRecipe::BaiduDownloadMode,
        .extraction = &extraction_rules::baiduNews(),
        .examinedForVerification = true,
        .cookieFile = CookieFile::Baidu,
        .slowPagePauseFromTwentyPerPage = true,
    };
    entries[2] = {
        .id = SearchEngine::Sogou,
        .displayName = gb("搜狗"),
        .radioButton = gb("单选框搜狗"),
        .cliName = "sogou",
        .controlOrder = 2,
        .host = kSogouHost,
        .searchAddress =
            [](const SearchQuery& q) {
                return http(kSogouHost) + "/web?num=" + n(askedPerPage(q)) +
                       "&query=" + keyword(q) + "&page=" + n(q.page);
            },
        .fetch = FetchRecipe::PageFetch,
        .freshAttemptMark = true,
        .extraction = &extraction_rules::sogou(),
        .extractionFallbacks =
            {
                .blocks = {{classToken("div", {"vrwrap", "rb"})}},  // "vrwrap" with more classes
                .snippets =
                    {
                        {classToken("p", {"space-txt"})},    // 2022+ results
                        {classToken("div", {"space-txt"})},  // the same in a box
                        {classToken("div", {"fz-mid"})},     // 2022+ cards
                        {classToken("p", {"str-info"})},     // renamed str_info
                        {classToken("div", {"str-info"})},
                    },
                .longestText = true,
                .headingLink = true,
            },
        // Today's results name their target in a data-url attribute inside the block.
        .carriedTarget = {TargetCarrier::AnyInBlock, "data-url"},
        .examinedForVerification = true,
        .pauseBetweenKeywords = false,
    };
    entries[3] = {
        .id = SearchEngine::SogouNews,
        .displayName = gb("搜狗新闻"),
        .radioButton = gb("单选框搜狗新闻"),
        .cliName = "sogou-news",
        .controlOrder = 3,
        .host = kSogouNewsHost,
        .searchAddress =
            [](const SearchQuery& q) {
                return http(kSogouNewsHost) + "/news?num=" + n(askedPerPage(q)) +
                       "&query=" + keyword(q) + "&page=" + n(q.page);
            },
        .fetch = FetchRecipe::PageFetch,
        .extraction = &extraction_rules::sogou(),
        .links = LinkRule::RefreshPage,
        .carriedTarget = {TargetCarrier::AnyInBlock, "data-url"},
        .examinedForVerification = true,
    };
    entries[4] = {
        .id = SearchEngine::Search360,
        .displayName = gb("360"),
        .radioButton = gb("单选框360"),
        .cliName = "360",
        .controlOrder = 4,
        .host = kSearch360Host,
        .searchAddress =
            [](const SearchQuery& q) {
                return http(kSearch360Host) + "/s?q=" + keyword(q) + "&pn=" + n(q.page);
            },
        .fetch = FetchRecipe::PageFetch,
        .sendsSessionCookies = false,
        .extraction = &extraction_rules::search360(),
        .extractionFallbacks =
            {
                .blocks = {{classToken("li", {"res-list"})}},  // "res-list referer-news-flow" items
                .snippets =
                    {
                        {classToken("p", {"res-desc"})},    // plain results
                        {classToken("div", {"res-desc"})},  // answer boxes
                        {classToken("div", {"res-rich"})},  // onebox cards
                    },
                .longestText = true,
                .headingLink = true,
            },
        .links = LinkRule::RefreshPage,
        // Today's title links: <a href="…/link?m=…" data-mdurl="target">.
        .carriedTarget = {TargetCarrier::LinkTag, "data-mdurl"},
    };
    entries[5] = {
        .id = SearchEngine::Google,
        .displayName = gb("谷歌"),
        .radioButton = gb("单选框谷歌"),
        .cliName = "google",
        .controlOrder = 6,
        .searchAddress =
            [](const SearchQuery& q) {
                const long long c = askedPerPage(q);
                return std::string(q.googleBase) + "search?biw=1920&bih=919&filter=0&num=" + n(c) +
                       "&q=" + keyword(q) + "&start=" + n((q.page - 1) * c);
            },
        .fetch = FetchRecipe::PageFetch,
        .extraction = &extraction_rules::google(),
        .extractionFallbacks =
            {
                .blocks =
                    {
                        {classToken("div", {"g"})},  // 2022+ "g Ww4FFb vt6azd tF2Cxc"
                        {classToken("div", {"ZINbbc"}), "/url?q="},  // the basic-HTML page
                    },
                .notResults = {"liYKde", "kno-kp", "kp-blk"},  // image box, knowledge panel
                .snippets =
                    {
                        {classToken("div", {"VwiC3b"})},   // 2021+
                        {classToken("div", {"IsZvec"})},   // 2021+, around VwiC3b
                        {classToken("span", {"aCOpRe"})},  // 2020
                    },
                .longestText = true,
                .headingLink = true,  // basic HTML's h3.r > a, image blocks
            },
        .links = LinkRule::GoogleCleanUp,
        .examinedForVerification = true,
    };
    entries[6] = {
        .id = SearchEngine::Bing,
        .displayName = gb("必应"),
        .radioButton = gb("单选框必应"),
        .cliName = "bing",
        .controlOrder = 5,
        .searchAddress =
            [](const SearchQuery& q) {
                if (q.page != 1 && !q.nextPageUrl.empty()) return std::string(q.nextPageUrl);
                std::string url = "https://" + std::string(q.useComSite ? "global" : "cn") + "." +
                                  std::string(kBingDomain) + "/search?q=" + keyword(q) +
                                  "&form=QBRE&sp=-1&first=" + n((q.page - 1) * 10 + 1);
                if (q.useComSite) url += "&setmkt=en-us&setlang=en-us";
                return url;
            },
        .paging = Paging::NextLinkWhenFound,
        .fetch = FetchRecipe::PageFetchWithViewCookies,
        .extraction = &extraction_rules::bing(),
        .extractionFallbacks =
            {
                .blocks = {{classToken("li", {"b_algo"})}},  // b_algo with more classes
                .snippets =
                    {
                        {classToken("p", {"b_lineclamp*"})},  // 2020+ snippet lines
                        {classToken("div", {"b_caption"}),
                         {.tag = "p"}},  // caption with more classes
                    },
                .longestText = true,
                .headingLink = true,
            },
        // Today's links: https://www.bing.com/ck/a?!&&p=…&u=a1<target in base64url>&ntb=1.
        .links = LinkRule::ClickTracking,
        // The "One last step" page Bing serves scripts on a result address.
        .challengeMarker = "class=\"captcha_header\">One last step",
        .poorPagesToEnd = 5,
        .blankViewBeforeKeyword = true,
    };
    entries[7] = {
        .id = SearchEngine::BaiduMobile,
        .displayName = gb("百度移动"),
        .radioButton = gb("单选框百度移动"),
        .cliName = "baidu-mobile",
        .controlOrder = 7,
        .host = kBaiduMobileHost,
        .searchAddress =
            [](const SearchQuery& q) {
                return https(kBaiduMobileHost) + "/s?word=" + keyword(q) +
                       "&pn=" + n((q.page - 1) * 10);
            },
        .fetch = FetchRecipe::MobileRequest,
        .extraction = &extraction_rules::baiduMobile(),
        .links = LinkRule::RefreshPage,
        .duplicateKey = DuplicateKey::Title,
        .examinedForVerification = true,
        .cookieFile = CookieFile::BaiduMobile,
    };
    entries[8] = {
        .id = SearchEngine::Search360Mobile,
        .displayName = gb("360移动"),
        .radioButton = gb("单选框360移动"),
        .cliName = "360-mobile",
        .controlOrder = 8,
        .host = kSearch360MobileHost,
        .searchAddress =
            [](const SearchQuery& q) {
                return https(kSearch360MobileHost) + "/nextpage?q=" + keyword(q) +
                       "&src=msearch_next_input&sug_pos=&sug=&srcg=home_next&ajax=1&pn=" +
                       n(q.page);
            },
        .fetch = FetchRecipe::FetchWithSearchReferer,
        .extraction = &extraction_rules::search360Mobile(),
        .links = LinkRule::JumpParameter,
        .examinedForVerification = true,
    };
    entries[9] = {
        .id = SearchEngine::ShenmaMobile,
        .displayName = gb("神马移动"),
        .radioButton = gb("单选框神马移动"),
        .cliName = "shenma-mobile",
        .controlOrder = 9,
        .host = kShenmaMobileHost,
        .searchAddress =
            [](const SearchQuery& q) {
                return https(kShenmaMobileHost) + "/s?q=" + keyword(q) +
                       "&from=smor&safe=1&snum=6&by=next&layout=html&page=" + n(q.page);
            },
        .fetch = FetchRecipe::BareMobileRequest,
        .extraction = &extraction_rules::shenmaMobile(),
    };
    return entries;
}

const std::array<EngineProfile, 10>& catalogue() {
    static const std::array<EngineProfile, 10> engines = makeCatalogue();
    return engines;
}

}  // namespace

std::span<const EngineProfile> engineCatalogue() { return catalogue(); }

const EngineProfile& engineProfile(SearchEngine engine) {
    for (const EngineProfile& profile : catalogue()) {
        if (profile.id == engine) return profile;
    }
    static const EngineProfile none = [] {
        EngineProfile p;
        p.displayName = gb("未知引擎");
        p.extraction = &extraction_rules::none();
        p.pauseBetweenKeywords = true;
        return p;
    }();
    return none;
}

std::vector<const EngineProfile*> enginesInControlOrder() {
    std::vector<const EngineProfile*> engines;
    for (const EngineProfile& profile : catalogue()) engines.push_back(&profile);
    std::sort(engines.begin(), engines.end(), [](const EngineProfile* a, const EngineProfile* b) {
        return a->controlOrder < b->controlOrder;
    });
    return engines;
}

const EngineProfile* engineOfRadioButton(std::string_view name) {
    for (const EngineProfile& profile : catalogue()) {
        if (profile.radioButton == name) return &profile;
    }
    return nullptr;
}

const EngineProfile* engineNamed(std::string_view name) {
    const std::string lower = toLowerAscii(name);
    const std::string asProgramText = isValidUtf8(name) ? utf8ToGb(name) : std::string();
    for (const EngineProfile& profile : catalogue()) {
        if (lower == profile.cliName) return &profile;
        if (!asProgramText.empty() && asProgramText == profile.displayName) return &profile;
    }
    return nullptr;
}

std::string cookieFileName(CookieFile file) {
    switch (file) {
    case CookieFile::Baidu:
        return baiduCookieFileName();
    case CookieFile::BaiduMobile:
        return baiduMobileCookieFileName();
    case CookieFile::None:
        break;
    }
    return {};
}

}  // namespace lh
