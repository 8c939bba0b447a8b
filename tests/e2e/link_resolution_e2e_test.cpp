#include "collect/result_link_resolution.h"

#include <gtest/gtest.h>

#include "collect/engine_catalogue.h"
#include "support/fake_run_host.h"
#include "support/mock_engine_server.h"
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
