#include "collect/result_link_resolution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "collect/engine_catalogue.h"
#include "collect/engine_page_source.h"
#include "support/fake_run_host.h"
#include "support/mock_engine_server.h"
#include "support/sample_pages.h"
#include "textutil/program_text.h"
#include "web/cookie_store.h"
#include "web/http_client.h"

namespace lh {
namespace {

using test::FakeRunHost;
using test::MockEngineServer;

struct LinkHarness {
    explicit LinkHarness(SearchEngine engine) {
        CookieStore::instance().clear();
        jsession = std::make_unique<RegexService>();
        makeJsessionPattern(*jsession);
        context = std::make_unique<LinkResolutionContext>(
            LinkResolutionContext{host.browser, host.clock, session, client, *jsession,
                                  engineProfile(engine), gb("\"#标题#\",\"#网址#\"")});
        // The hidden navigator visits through the program-wide cookie store.
        host.browser.onNavigate = [](const std::string& address) { HttpClient().fetch(address); };
    }
    std::string resolve(const std::string& address) { return resolveResultLink(*context, address); }
    std::string resolveNamed(const std::string& address, const std::string& pageTarget) {
        return resolveResultLink(*context, address, pageTarget);
    }
    std::size_t requestsTo(const std::string& hostName, const std::string& pathStart) {
        std::size_t n = 0;
        for (const auto& r : server.requests()) {
            if (r.header("Host") == hostName && r.path().rfind(pathStart, 0) == 0) ++n;
        }
        return n;
    }

    MockEngineServer server;
    FakeRunHost host;
    EngineSession session;
    HttpClient client;
    std::unique_ptr<RegexService> jsession;
    std::unique_ptr<LinkResolutionContext> context;
};

const std::string kTarget = "http://r1.p1.example.com/x.html";

// A saved UTF-8 page as the run holds it: program text.
std::string samplePage(const std::string& name) {
    std::ifstream in(test::samplePagesFolder() + "/" + name, std::ios::binary);
    return utf8ToGb(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(ResultLinkResolutionE2E, BaiduAsksTheRedirectorFallsBackToRefreshAndWarmsUpForAds) {
    LinkHarness h(SearchEngine::Baidu);
    EXPECT_EQ(h.resolve("https://www.baidu.com/link?url=" + test::hexOf(kTarget)), kTarget);
    // Asked on plain http, never followed.
    EXPECT_EQ(h.requestsTo("www.baidu.com", "/link"), 1u);
    EXPECT_FALSE(h.server.requests().at(0).tls);

    h.server.clearLog();
    EXPECT_EQ(h.resolve("http://www.baidu.com/link?url=A-" + test::hexOf(kTarget)), kTarget);
    EXPECT_EQ(h.requestsTo("www.baidu.com", "/link"), 2u);  // Location (none), then the page

    h.server.clearLog();
    const std::string ad = "https://www.baidu.com/baidu.php?url=" + test::hexOf(kTarget);
    EXPECT_EQ(h.resolve(ad), kTarget);
    EXPECT_EQ(h.host.browser.navigations.size(), 1u);
    EXPECT_EQ(h.host.clock.waits().size(), 1u);
    EXPECT_EQ(h.host.clock.waits()[0].ms, 5000);
    EXPECT_FALSE(h.host.clock.waits()[0].withStopFlag);
    EXPECT_EQ(h.session.adCookieText, "BAIDUID=warm42");
    // A second advertisement reuses the cookies: no new warm-up.
    EXPECT_EQ(h.resolve(ad), kTarget);
    EXPECT_EQ(h.host.browser.navigations.size(), 1u);

    // A template without address placeholders asks nobody.
    h.server.clearLog();
    h.context->outputTemplate = gb("#标题#");
    EXPECT_EQ(h.resolve("http://www.baidu.com/link?url=" + test::hexOf(kTarget)),
              "http://www.baidu.com/link?url=" + test::hexOf(kTarget));
    EXPECT_EQ(h.server.requests().size(), 0u);
}

TEST(ResultLinkResolutionE2E, RefreshPagesOf360SogouNewsAndBaiduMobile) {
    {
        LinkHarness h(SearchEngine::Search360);
        EXPECT_EQ(h.resolve("//www.so.com/link?m=" + test::hexOf(kTarget)), kTarget);
        // A link that is no redirector gives its link?url= parameter, decoded.
        EXPECT_EQ(
            h.resolve("http://x.example.com/link?url=http%3A%2F%2Fa.example.com%2F%E4%B8%AD&z=1"),
            "http://a.example.com/" + gb("中"));
        EXPECT_EQ(h.resolve("http://plain.example.com/"), "http://plain.example.com/");
    }
    {
        LinkHarness h(SearchEngine::SogouNews);
        EXPECT_EQ(h.resolve("http://news.sogou.com/link?url=" + test::hexOf(kTarget)), kTarget);
        EXPECT_EQ(h.requestsTo("news.sogou.com", "/link"), 0u);
        EXPECT_EQ(h.requestsTo("www.sogou.com", "/link"), 1u);
    }
    {
        LinkHarness h(SearchEngine::BaiduMobile);
        EXPECT_EQ(h.resolve("https://m.baidu.com/from=844b/t=iphone/tc?order=1&nsrc=" +
                            test::hexOf(kTarget)),
                  kTarget);
    }
    {
        LinkHarness h(SearchEngine::Search360Mobile);
        EXPECT_EQ(h.resolve("https://m.so.com/jump?u=http%3A%2F%2Fr1.p1.example.com%2Fx.html&m=1"),
                  kTarget);
        EXPECT_EQ(h.server.requests().size(), 0u);
    }
    {
        LinkHarness h(SearchEngine::Sogou);  // Sogou web keeps its links
        EXPECT_EQ(h.resolve("http://www.sogou.com/link?url=abc"),
                  "http://www.sogou.com/link?url=abc");
        EXPECT_EQ(h.server.requests().size(), 0u);
    }
}

// A target the page names is written without asking the redirector, unless it is no
// absolute web address or resolve-always is on.
TEST(ResultLinkResolutionE2E, PageNamedTargetSparesTheLookUpUnlessResolveAlways) {
    for (const SearchEngine engine : {SearchEngine::Baidu, SearchEngine::Search360}) {
        LinkHarness h(engine);
        const std::string link = engine == SearchEngine::Baidu
                                     ? "http://www.baidu.com/link?url=" + test::hexOf(kTarget)
                                     : "http://www.so.com/link?m=" + test::hexOf(kTarget);
        const std::string named = "HTTPS://named.example.com/p?a=1&b=2";
        EXPECT_EQ(h.resolveNamed(link, named), named);
        EXPECT_EQ(h.server.requests().size(), 0u);
        for (const char* unusable :
             {"", "/relative/page", "//named.example.com/", "javascript:x()", "http://",
              "https:///p", "http://a b.example.com/", "ftp://named.example.com/"}) {
            h.server.clearLog();
            EXPECT_EQ(h.resolveNamed(link, unusable), kTarget) << unusable;
            EXPECT_GE(h.server.requests().size(), 1u) << unusable;
        }
        h.server.clearLog();
        h.context->resolveAlways = true;
        EXPECT_EQ(h.resolveNamed(link, named), kTarget);
        EXPECT_GE(h.server.requests().size(), 1u);
    }
}

// Where a look-up may run matches what it does: one that may run on any thread sends
// requests and touches neither the browser, the run's waits nor the session; one that
// runs here sends nothing.
TEST(ResultLinkResolutionE2E, LookUpPlaceMatchesWhatTheResolutionTouches) {
    const std::string hex = test::hexOf(kTarget);
    const struct {
        SearchEngine engine;
        std::string address;
        std::string pageTarget;
        bool addressInTemplate;
        LookUpPlace place;
    } cases[] = {
        {SearchEngine::Baidu, "https://www.baidu.com/link?url=" + hex, "", true,
         LookUpPlace::AnyThread},
        {SearchEngine::Baidu, "http://www.baidu.com/link?url=A-" + hex, "", true,
         LookUpPlace::AnyThread},
        {SearchEngine::Baidu, "https://www.baidu.com/baidu.php?url=" + hex, "", true,
         LookUpPlace::RunThread},
        {SearchEngine::Baidu, "https://www.baidu.com/link?url=" + hex, "", false,
         LookUpPlace::Here},
        {SearchEngine::Baidu, "https://www.baidu.com/link?url=" + hex, kTarget, true,
         LookUpPlace::Here},
        {SearchEngine::Search360, "//www.so.com/link?m=" + hex, "", true, LookUpPlace::AnyThread},
        {SearchEngine::Search360, "http://x.example.com/link?url=http%3A%2F%2Fa.example.com%2F", "",
         true, LookUpPlace::Here},
        {SearchEngine::SogouNews, "http://news.sogou.com/link?url=" + hex, "", true,
         LookUpPlace::AnyThread},
        {SearchEngine::BaiduMobile, "https://m.baidu.com/from=844b/t=iphone/tc?nsrc=" + hex, "",
         true, LookUpPlace::AnyThread},
        {SearchEngine::Search360Mobile, "https://m.so.com/jump?u=http%3A%2F%2Fa.example.com%2F", "",
         true, LookUpPlace::Here},
        {SearchEngine::Google, "https://www.google.com/url?q=" + kTarget + "&sa=U", "", true,
         LookUpPlace::Here},
        {SearchEngine::Bing, "https://www.bing.com/ck/a?!&&u=a1aHR0cDovL2EuZXhhbXBsZS5jb20v", "",
         true, LookUpPlace::Here},
        {SearchEngine::Sogou, "http://www.sogou.com/link?url=abc", "", true, LookUpPlace::Here},
        {SearchEngine::Baidu, "", "", true, LookUpPlace::Here},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        LinkHarness h(c.engine);
        if (!c.addressInTemplate) h.context->outputTemplate = gb("#标题#");
        const LookUpPlace place = lookUpPlace(engineProfile(c.engine), h.context->outputTemplate,
                                              false, c.address, c.pageTarget);
        EXPECT_EQ(place, c.place);
        h.resolveNamed(c.address, c.pageTarget);
        const bool sent = !h.server.requests().empty();
        const bool ranTheRunsWay = !h.host.browser.navigations.empty() ||
                                   !h.host.clock.waits().empty() || !h.session.adCookieText.empty();
        EXPECT_EQ(sent, place != LookUpPlace::Here);
        EXPECT_EQ(ranTheRunsWay, place == LookUpPlace::RunThread);
    }
    // Looking up always sends the request the page's own target spared.
    EXPECT_EQ(lookUpPlace(engineProfile(SearchEngine::Baidu), gb("#网址#"), true,
                          "https://www.baidu.com/link?url=" + hex, kTarget),
              LookUpPlace::AnyThread);
}

// Today's saved pages, each link resolved as a run would: how many links the engine's
// redirector is asked for with the targets the page names, and with resolve-always.
TEST(ResultLinkResolutionE2E, RealPagesNameTheTargetsOfTheirRedirectLinks) {
    LH_REQUIRE_SAMPLE_PAGES();
    const struct {
        SearchEngine engine;
        const char* file;
        // Read by hand: the redirect links of the blocks the rules find, and those
        // whose block names no target.
        std::size_t redirectLinks;
        std::size_t withoutTarget;
        std::vector<std::string> targets;  // in page order, "&amp;" read as "&"
    } pages[] = {
        // 7 c-container blocks: 5 results and a Baike card carry mu=, the advertisement
        // (EC_result) none; every title link is www.baidu.com/link?url=.
        {SearchEngine::Baidu,
         "modern/baidu-2026-1.html",
         7,
         1,
         {"https://baijiahao.baidu.com/s?id=1816770301443867394&wfr=spider&for=pc",
          "http://baijiahao.baidu.com/s?id=1816794429169392099&wfr=spider&for=pc",
          "https://baike.baidu.com/item/HUAWEI%20Mate%2070/64325200",
          "https://baijiahao.baidu.com/s?id=1816779668458200792&wfr=spider&for=pc",
          "https://baijiahao.baidu.com/s?id=1816796108896183277&wfr=spider&for=pc",
          "https://www.thepaper.cn/newsDetail_forward_29462217"}},
        // 7 li.res-list: the news box links news.so.com directly, 5 results link
        // www.so.com/link?m= with data-mdurl on the title link; the short-video box's li
        // is never closed in the excerpt, so its block is the start tag alone.
        {SearchEngine::Search360,
         "modern/so360-2026-1.html",
         5,
         0,
         {"https://news.mydrivers.com/1/1015/1015946.htm",
          "https://www.nbd.com.cn/articles/2024-11-26/3660127.html",
          "https://cd.bendibao.com/news/20241125/191848.shtm",
          "https://consumer.huawei.com/cn/phones/mate70/",
          "https://finance.eastmoney.com/a/202411263251028436.html"}},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.file);
        const EngineProfile& engine = engineProfile(p.engine);
        const std::vector<ResultRecord> records =
            readResultPage(engine, "https://" + std::string(engine.host) + "/s", samplePage(p.file))
                .records;
        for (const bool resolveAlways : {false, true}) {
            LinkHarness h(p.engine);
            h.context->resolveAlways = resolveAlways;
            std::vector<std::string> written;
            std::size_t asked = 0;
            for (const ResultRecord& record : records) {
                const std::size_t before = h.server.requests().size();
                written.push_back(h.resolveNamed(record.address, record.pageTarget));
                asked += h.server.requests().size() > before;
            }
            if (resolveAlways) {
                EXPECT_EQ(asked, p.redirectLinks);
            } else {
                EXPECT_EQ(asked, p.withoutTarget);
                std::vector<std::string> named;
                for (const std::string& address : written) {
                    if (std::find(p.targets.begin(), p.targets.end(), address) != p.targets.end())
                        named.push_back(address);
                }
                EXPECT_EQ(named, p.targets);
            }
        }
    }
}

TEST(ResultLinkResolution, GoogleCleanUpTakesTheTargetAndDropsJsessionid) {
    RegexService jsession;
    makeJsessionPattern(jsession);
    const std::string base = "https://www.google.com/";
    EXPECT_EQ(
        cleanGoogleAddress(base + "url?q=http://a.example.com/%E4%B8%AD&sa=U", base, jsession),
        "http://a.example.com/" + gb("中"));
    EXPECT_EQ(cleanGoogleAddress("http://a.example.com/p;jsessionid=ABC?x=1", base, jsession),
              "http://a.example.com/p");
    EXPECT_EQ(
        cleanGoogleAddress("http://h.example.com/r?x=1&url=http://t.example.com/", base, jsession),
        "http://t.example.com/");
    EXPECT_EQ(
        cleanGoogleAddress("http://h.example.com/r?url=http://t.example.com/&y=2", base, jsession),
        "http://t.example.com/");
    EXPECT_EQ(cleanGoogleAddress("", base, jsession), "");
}

}  // namespace
}  // namespace lh
