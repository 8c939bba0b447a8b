#include <gtest/gtest.h>

#include <chrono>

#include "support/local_server.h"
#include "textutil/program_text.h"
#include "web/cookie_store.h"
#include "web/http_client.h"
#include "web/request_profiles.h"

namespace lh {
namespace {

using test::LocalServer;
using test::RecordedRequest;
using test::ScriptedAnswer;

const std::string kDefaultAccept(kFetchAccept);

class FetchTest : public ::testing::Test {
protected:
    void SetUp() override { CookieStore::instance().clear(); }
    void TearDown() override { CookieStore::instance().clear(); }
    LocalServer server;
    HttpClient client;
};

TEST_F(FetchTest, PlainGetCarriesDefaultAgentAcceptRefererAndLanguage) {
    server.enqueue(ScriptedAnswer::html("<html>hello</html>"));
    FetchReply reply;
    const std::string page = client.fetch(server.url("/s?wd=a#frag"), {}, &reply);
    EXPECT_EQ(page, "<html>hello</html>");
    EXPECT_EQ(reply.url, server.url("/s?wd=a"));
    EXPECT_EQ(reply.status, 200);
    ASSERT_EQ(server.requestCount(), 1u);
    const RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/s?wd=a");
    EXPECT_EQ(r.version, "HTTP/1.1");
    EXPECT_EQ(r.header("User-Agent"), kTransportUserAgent);
    EXPECT_EQ(r.header("Accept"), kDefaultAccept);
    EXPECT_EQ(r.header("Accept-Language"), "zh-cn");
    EXPECT_EQ(r.header("Referer"), server.url("/s?wd=a"));
    EXPECT_EQ(r.headerCount("Referer"), 1);
    EXPECT_FALSE(r.hasHeader("Accept-Encoding"));
    EXPECT_FALSE(r.hasHeader("Cookie"));
    EXPECT_FALSE(r.hasHeader("Content-Type"));
    // The caller's lines come first, then the defaults, in this order.
    EXPECT_LT(r.headerIndex("Referer"), r.headerIndex("Accept"));
    EXPECT_LT(r.headerIndex("Accept"), r.headerIndex("Accept-Language"));
}

TEST_F(FetchTest, CallerHeadersDecideWhichDefaultsAreAdded) {
    server.setDefaultAnswer(ScriptedAnswer::html("ok"));
    // An Accept-Language line also contains "Accept": neither default goes out.
    client.fetch(server.url("/a"),
                 {.referer = "http://ref.example/x",
                  .headers = "User-Agent: MyAgent/1.0\r\nAccept-Language: en-us"});
    RecordedRequest r = server.lastRequest();
    EXPECT_FALSE(r.hasHeader("Accept"));
    EXPECT_EQ(r.header("Accept-Language"), "en-us");
    EXPECT_EQ(r.headerCount("Accept-Language"), 1);
    EXPECT_EQ(r.header("User-Agent"), "MyAgent/1.0");
    EXPECT_EQ(r.headerCount("User-Agent"), 1);
    EXPECT_EQ(r.header("Referer"), "http://ref.example/x");

    // A caller's Accept line replaces the default one.
    client.fetch(server.url("/b"), {.headers = "Accept: text/html"});
    r = server.lastRequest();
    EXPECT_EQ(r.header("Accept"), "text/html");
    EXPECT_EQ(r.headerCount("Accept"), 1);
    EXPECT_EQ(r.header("Accept-Language"), "zh-cn");

    // A user-agent line in another spelling names no agent of its own: only it goes out.
    client.fetch(server.url("/c"), {.headers = "user-agent: lower/2"});
    r = server.lastRequest();
    EXPECT_EQ(r.headerCount("User-Agent"), 1);
    EXPECT_EQ(r.header("User-Agent"), "lower/2");
}

TEST_F(FetchTest, PostGetsFormContentTypeAndLengthUnlessGiven) {
    server.setDefaultAnswer(ScriptedAnswer::html("posted"));
    EXPECT_EQ(client.fetch(server.url("/p"), {.postText = "a=1"}), "posted");
    RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.body, "a=1");
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Content-Length"), "3");
    EXPECT_EQ(r.headerCount("Content-Type"), 1);
    EXPECT_FALSE(r.hasHeader("Expect"));
    // Content-Type and Content-Length end the block.
    EXPECT_EQ(r.headerIndex("Content-Length"), static_cast<int>(r.headerLines.size()) - 1);
    EXPECT_EQ(r.headerIndex("Content-Type"), static_cast<int>(r.headerLines.size()) - 2);

    client.fetch(server.url("/p"), {.postText = "ignored",
                                    .postBytes = toBytes("x=\x01\x02"),
                                    .headers = "content-type: text/plain"});
    r = server.lastRequest();
    EXPECT_EQ(r.body, "x=\x01\x02");
    EXPECT_EQ(r.headerCount("Content-Type"), 1);
    EXPECT_EQ(r.header("Content-Type"), "text/plain");
    EXPECT_EQ(r.header("Content-Length"), "4");
}

TEST_F(FetchTest, CallerCookiesReplaceTheStoreAndStoredCookiesGoOutOtherwise) {
    ScriptedAnswer withCookies = ScriptedAnswer::html("first");
    withCookies.headers.push_back("Set-Cookie: BAIDUID=abc; path=/; domain=127.0.0.1");
    withCookies.headers.push_back("Set-Cookie: H_PS=1; Path=/");
    withCookies.headers.push_back("Set-Cookie: plain=yes");
    server.enqueue(withCookies);
    server.setDefaultAnswer(ScriptedAnswer::html("later"));

    FetchReply reply;
    client.fetch(server.url("/first"), {}, &reply);
    EXPECT_EQ(reply.responseCookies, "BAIDUID=abc;H_PS=1;plain=yes;");
    EXPECT_FALSE(server.lastRequest().hasHeader("Cookie"));

    // Without caller cookies the stored ones are sent, on the last line.
    client.fetch(server.url("/second"));
    RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.header("Cookie"), "BAIDUID=abc; H_PS=1; plain=yes");
    EXPECT_EQ(r.headerIndex("Cookie"), static_cast<int>(r.headerLines.size()) - 1);

    // With caller cookies exactly that line goes out, and the answer's cookies are not kept.
    ScriptedAnswer more = ScriptedAnswer::html("third");
    more.headers.push_back("Set-Cookie: extra=1; path=/");
    server.enqueue(more);
    client.fetch(server.url("/third"), {.cookies = "mine=1; other=2"});
    r = server.lastRequest();
    EXPECT_EQ(r.header("Cookie"), "mine=1; other=2");
    EXPECT_EQ(r.headerCount("Cookie"), 1);
    EXPECT_EQ(CookieStore::instance().cookieTextFor(server.url("/")),
              "BAIDUID=abc; H_PS=1; plain=yes");
}

TEST_F(FetchTest, ResponseHeadersDeclaringUtf8DecodeTheBody) {
    const std::string utf8Page = "<html>\xE4\xB8\xAD\xE6\x96\x87 \xC2\xA9</html>";
    for (const char* contentType : {"text/html; Charset=UTF-8", "text/html; charset=\"utf-8\"",
                                    "text/html;CHARSET='UTF-8'"}) {
        ScriptedAnswer answer = ScriptedAnswer::html(utf8Page, contentType);
        server.enqueue(answer);
        FetchReply reply;
        const std::string page =
            client.fetch(server.url("/u"), {.charset = CharsetCode::Native}, &reply);
        EXPECT_EQ(page, utf8Page) << contentType;  // a named charset is not overridden
        server.enqueue(answer);
        EXPECT_EQ(client.fetch(server.url("/u"), {}, &reply), utf8ToGb(utf8Page)) << contentType;
        EXPECT_EQ(reply.charset, CharsetCode::Utf8);
    }
}

TEST_F(FetchTest, LongHeaderBlocksAreKeptWhole) {
    ScriptedAnswer answer = ScriptedAnswer::html("<p>\xE4\xB8\xAD</p>", "text/html");
    for (int i = 0; i < 60; ++i)
        answer.headers.push_back("X-Padding-" + std::to_string(i) + ": " + std::string(60, 'p'));
    answer.headers.push_back("Content-Language: x; charset=utf-8");
    answer.headers.push_back("Set-Cookie: late=1; path=/");
    server.enqueue(answer);
    FetchReply reply;
    const std::string page = client.fetch(server.url("/long"), {}, &reply);
    EXPECT_GT(reply.rawHeaders.size(), 4000u);
    EXPECT_EQ(reply.rawHeaders.rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_EQ(reply.responseCookies, "late=1;");
    EXPECT_EQ(reply.charset, CharsetCode::Utf8);
    EXPECT_EQ(page, gb("<p>中</p>"));
}

TEST_F(FetchTest, AddressesWithoutSchemeOrHostOnlyAndEmptyOnes) {
    server.setDefaultAnswer(ScriptedAnswer::html("root"));
    const std::string hostOnly = "127.0.0.1:" + std::to_string(server.port());
    EXPECT_EQ(client.fetch(hostOnly), "root");
    EXPECT_EQ(server.lastRequest().target, "/");
    EXPECT_EQ(server.lastRequest().header("Host"), hostOnly);

    const std::size_t before = server.requestCount();
    FetchReply reply;
    EXPECT_EQ(client.fetch("   ", {}, &reply), "");
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(server.requestCount(), before);
}

TEST_F(FetchTest, RedirectChainIsFollowedWithCookiesOfEveryHop) {
    ScriptedAnswer first = ScriptedAnswer::redirect(302, "/hop2");
    first.headers.push_back("Set-Cookie: hop1=a; path=/");
    server.route("/hop1", first);
    server.route("/hop2", ScriptedAnswer::redirect(301, server.url("/final?x=1")));
    ScriptedAnswer last = ScriptedAnswer::html("arrived");
    last.headers.push_back("Set-Cookie: hop3=c; path=/");
    server.route("/final", last);

    FetchReply reply;
    EXPECT_EQ(client.fetch(server.url("/hop1"), {.postText = "q=1"}, &reply), "arrived");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.responseCookies, "hop3=c;");
    const auto log = server.requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[1].method, "GET");  // 302 turns a POST into a GET
    EXPECT_FALSE(log[1].hasHeader("Content-Length"));
    EXPECT_EQ(log[1].header("Cookie"), "hop1=a");
    EXPECT_EQ(log[2].target, "/final?x=1");
    EXPECT_EQ(CookieStore::instance().cookieTextFor(server.url("/")), "hop1=a; hop3=c");
}

TEST_F(FetchTest, GzipBodyIsKeptPackedAndDecodedAfterwards) {
    const std::string page = "<html><head><meta charset=\"utf-8\"></head>\xE4\xB8\xAD</html>";
    ScriptedAnswer answer = ScriptedAnswer::html(test::gzipText(page));
    answer.headers.push_back("Content-Encoding: gzip");
    server.enqueue(answer);
    FetchReply reply;
    EXPECT_EQ(client.fetch(server.url("/gz"), {}, &reply), utf8ToGb(page));
    EXPECT_EQ(fromBytes(reply.body), test::gzipText(page));
}

TEST_F(FetchTest, StalledServerEndsTheTransferAfterTheIdleTime) {
    ScriptedAnswer stall = ScriptedAnswer::html("too late");
    stall.delayMs = 20000;
    server.enqueue(stall);
    const auto start = std::chrono::steady_clock::now();
    FetchReply reply;
    EXPECT_EQ(client.fetch(server.url("/stall"), {.timeoutSeconds = 2.9}, &reply), "");
    EXPECT_EQ(reply.outcome.failure, TransferFailure::TimedOut);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(4));
    EXPECT_GE(took, std::chrono::milliseconds(1500));
}

TEST_F(FetchTest, RunTransferWithoutRedirectsReturnsTheRedirectItself) {
    ScriptedAnswer moved = ScriptedAnswer::redirect(302, "/elsewhere");
    moved.headers.push_back("Set-Cookie: r=1; path=/");
    server.route("/moved", moved);
    HttpRequest request;
    request.url = server.url("/moved");
    request.headers = "User-Agent: T/1";
    request.cookies = "given=1";
    request.noRedirect = true;
    request.timeoutMs = 5000;
    const HttpResponse response = HttpClient::runTransfer(request);
    EXPECT_EQ(response.status, 302);
    EXPECT_NE(response.rawHeaders.find("Location: /elsewhere\r\n"), std::string::npos);
    EXPECT_EQ(response.responseCookies, "r=1;");
    EXPECT_EQ(server.requestCount(), 1u);
    const RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.header("User-Agent"), "T/1");
    EXPECT_EQ(r.header("Cookie"), "given=1");
    // Without a Referer in the record the address itself is sent.
    EXPECT_EQ(r.header("Referer"), server.url("/moved"));
}

}  // namespace
}  // namespace lh
