#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/local_server.h"
#include "support/virtual_clock.h"
#include "web/cookie_store.h"
#include "web/page_fetch.h"
#include "web/request_profiles.h"

namespace lh {
namespace {

using test::LocalServer;
using test::ScriptedAnswer;
using test::VirtualClock;

class PageFetchTest : public ::testing::Test {
protected:
    void SetUp() override { CookieStore::instance().clear(); }
    void TearDown() override { CookieStore::instance().clear(); }
    LocalServer server;
    VirtualClock clock;
};

TEST_F(PageFetchTest, EmptyFirstAnswerCostsExactlyOneSecondPause) {
    server.enqueue(ScriptedAnswer::html(""));
    server.enqueue(ScriptedAnswer::html("<html><a href=\"/next\">n</a></html>"));
    const std::string page = fetchPage(server.url("/s?wd=1"), clock);
    EXPECT_EQ(page, "<html><a href=\"" + server.url("/next") + "\">n</a></html>");
    ASSERT_EQ(clock.waits.size(), 1u);
    EXPECT_EQ(clock.waits[0].ms, 1000);
    EXPECT_FALSE(clock.waits[0].withStopFlag);
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST_F(PageFetchTest, ThreeEmptyAnswersGiveEmptyTextAfterThreePauses) {
    server.setDefaultAnswer(ScriptedAnswer::html(""));
    EXPECT_EQ(fetchPage(server.url("/empty"), clock), "");
    EXPECT_EQ(clock.waits.size(), 3u);
    EXPECT_EQ(server.requestCount(), 3u);
}

TEST_F(PageFetchTest, CutShortAnswerIsRetriedAndTheWholeSecondOneCounts) {
    std::string results;
    for (int i = 0; i < 100; ++i) results += "<div class=r>" + std::to_string(i) + "</div>";
    ScriptedAnswer reset = ScriptedAnswer::html(results);
    reset.dropAfterBodyBytes = results.size() / 2;
    reset.resetOnDrop = true;
    server.enqueue(reset);
    server.enqueue(ScriptedAnswer::html(results));
    PageFetchReply reply;
    EXPECT_EQ(fetchPage(server.url("/s"), clock, {}, &reply), results);
    EXPECT_EQ(reply.outcome.failure, TransferFailure::None);
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(clock.waits.size(), 1u);
}

TEST_F(PageFetchTest, StopEndsTheAttemptsAndSkipsThePauses) {
    ScriptedAnswer stalled = ScriptedAnswer::html("late");
    stalled.delayMs = 30000;
    server.setDefaultAnswer(stalled);
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        server.waitForRequests(1);
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    PageFetchReply reply;
    EXPECT_EQ(fetchPage(server.url("/s"), clock, {.stop = StopToken(stop)}, &reply), "");
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(reply.outcome.failure, TransferFailure::Stopped);
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(clock.waits.empty());

    // An empty answer's pause takes the stop flag, so a stop cuts it short.
    server.setDefaultAnswer(ScriptedAnswer::html(""));
    stop = false;
    VirtualClock pauses;
    fetchPage(server.url("/empty"), pauses, {.stop = StopToken(stop)});
    ASSERT_EQ(pauses.waits.size(), 3u);
    EXPECT_TRUE(pauses.waits[0].withStopFlag);
}

TEST_F(PageFetchTest, MetaRefreshIsFollowedAndLinksAreAbsoluteAgainstTheLastAddress) {
    server.route("/dir/start",
                 ScriptedAnswer::html(
                     "<html><head><meta http-equiv=\"refresh\" content=\"0;url=sub/landing.html\">"
                     "</head></html>"));
    server.route(
        "/dir/sub/landing.html",
        ScriptedAnswer::html(
            "<html><body><a href=\"item.html\">i</a><img src=\"/logo.png\"></body></html>"));
    PageFetchReply reply;
    const std::string page = fetchPage(server.url("/dir/start"), clock, {}, &reply);
    EXPECT_EQ(reply.url, server.url("/dir/sub/landing.html"));
    EXPECT_NE(page.find("href=\"" + server.url("/dir/sub/item.html") + "\""), std::string::npos)
        << page;
    EXPECT_NE(page.find("src=\"" + server.url("/logo.png") + "\""), std::string::npos) << page;
    EXPECT_TRUE(clock.waits.empty());
    const auto log = server.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].target, "/dir/sub/landing.html");
}

TEST_F(PageFetchTest, RedirectLoopEndsWithTheThirdAttemptsPage) {
    const std::string loop =
        "<html><head><meta http-equiv=\"refresh\" content=\"0;url=/again\"></head></html>";
    server.setDefaultAnswer(ScriptedAnswer::html(loop));
    const std::string page = fetchPage(server.url("/again"), clock);
    EXPECT_NE(page.find("refresh"), std::string::npos);
    EXPECT_EQ(server.requestCount(), 3u);
    EXPECT_TRUE(clock.waits.empty());
}

TEST_F(PageFetchTest, FormDataAfterTheBarPostsWithAgentAndContentTypeLines) {
    server.setDefaultAnswer(ScriptedAnswer::html("posted"));
    PageFetchReply reply;
    EXPECT_EQ(fetchPage(server.url("/form") + "|q=1&r=2|dropped", clock,
                        {.userAgent = std::string(kDesktopUserAgent), .cookies = "c=1"}, &reply),
              "posted");
    auto r = server.lastRequest();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/form");
    EXPECT_EQ(r.body, "q=1&r=2");
    EXPECT_EQ(r.header("User-Agent"), kDesktopUserAgent);
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Cookie"), "c=1");

    fetchPage(server.url("/form") + "|a=b", clock, {.contentType = "text/plain"});
    r = server.lastRequest();
    EXPECT_EQ(r.header("Content-Type"), "text/plain");
    EXPECT_EQ(r.headerCount("Content-Type"), 1);
    EXPECT_EQ(r.header("User-Agent"), kTransportUserAgent);

    fetchPage(server.url("/get"), clock);
    r = server.lastRequest();
    EXPECT_EQ(r.method, "GET");
    EXPECT_FALSE(r.hasHeader("Content-Type"));
    EXPECT_EQ(r.header("User-Agent"), kTransportUserAgent);
}

TEST_F(PageFetchTest, Utf8FoundInHeadersCarriesToLaterAttemptsAndCookiesComeBack) {
    ScriptedAnswer redirecting = ScriptedAnswer::html(
        "<html><head><meta http-equiv=\"refresh\" content=\"0;url=/plain\"></head></html>",
        "text/html; charset=utf-8");
    server.route("/start", redirecting);
    ScriptedAnswer plain =
        ScriptedAnswer::html("<p>\xE4\xB8\xAD\xE6\x96\x87 \xE2\x84\x83</p>", "text/html");
    plain.headers.push_back("Set-Cookie: k=v; path=/");
    server.route("/plain", plain);
    PageFetchReply reply;
    const std::string page = fetchPage(server.url("/start"), clock, {}, &reply);
    EXPECT_EQ(reply.charset, CharsetCode::Utf8);
    EXPECT_EQ(page, utf8ToGb("<p>\xE4\xB8\xAD\xE6\x96\x87 \xE2\x84\x83</p>"));
    EXPECT_EQ(reply.responseCookies, "k=v;");
    EXPECT_EQ(fromBytes(reply.body), plain.body);
}

}  // namespace
}  // namespace lh
