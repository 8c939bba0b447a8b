#include <gtest/gtest.h>

#include <set>

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

class RequestTest : public ::testing::Test {
protected:
    LocalServer server;
    HttpClient client;
};

TEST_F(RequestTest, DefaultsSendFormContentTypeOnAGetAndTheTransportAgent) {
    server.setDefaultAnswer(ScriptedAnswer::html("body"));
    EXPECT_EQ(client.request(server.url("/r?q=1#frag")), "body");
    const RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/r?q=1");
    EXPECT_EQ(r.header("Referer"), server.url("/r?q=1#frag"));
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("User-Agent"), kTransportUserAgent);
    EXPECT_FALSE(r.hasHeader("Accept"));
    EXPECT_FALSE(r.hasHeader("Accept-Language"));
    EXPECT_FALSE(r.hasHeader("Cookie"));
    EXPECT_LT(r.headerIndex("Referer"), r.headerIndex("Content-Type"));
    EXPECT_LT(r.headerIndex("Content-Type"), r.headerIndex("User-Agent"));
}

TEST_F(RequestTest, CallerLinesRefererSchemeAndCaseSensitiveRules) {
    server.setDefaultAnswer(ScriptedAnswer::html("ok"));
    // Exactly "User-Agent:" in the caller's lines: no default agent; the line keeps its place.
    client.request(server.url("/a"),
                   {.referer = "www.sogou.com/web",
                    .headers = "X-First: 1\r\nUser-Agent: Caller/1\r\nContent-Type: text/xml"});
    RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.header("Referer"), "http://www.sogou.com/web");
    EXPECT_EQ(r.headerCount("User-Agent"), 1);
    EXPECT_EQ(r.header("User-Agent"), "Caller/1");
    EXPECT_LT(r.headerIndex("X-First"), r.headerIndex("User-Agent"));
    EXPECT_EQ(r.header("Content-Type"), "text/xml");
    EXPECT_EQ(r.headerCount("Content-Type"), 1);

    // In lower case the default is set first and the caller's line then replaces it in place.
    client.request(server.url("/b"),
                   {.contentType = "text/plain", .headers = "X-First: 1\r\nuser-agent: Caller/2"});
    r = server.lastRequest();
    EXPECT_EQ(r.headerCount("User-Agent"), 1);
    EXPECT_EQ(r.header("User-Agent"), "Caller/2");
    EXPECT_LT(r.headerIndex("User-Agent"), r.headerIndex("X-First"));
    EXPECT_EQ(r.header("Content-Type"), "text/plain");

    // A value containing ": " is cut there; lines without a value are skipped.
    client.request(server.url("/c"),
                   {.userAgent = "Given/3", .headers = "X-Cut: a: b\r\nX-Empty: \r\nbroken"});
    r = server.lastRequest();
    EXPECT_EQ(r.header("X-Cut"), "a");
    EXPECT_FALSE(r.hasHeader("X-Empty"));
    EXPECT_EQ(r.header("User-Agent"), "Given/3");
}

TEST_F(RequestTest, ForgedClientAddressBlockHasThreeLinesWithOneAddress) {
    server.setDefaultAnswer(ScriptedAnswer::html("ok"));
    client.request(server.url("/f"), {.headers = "X-Mine: 1", .forgeClientAddress = true});
    const RecordedRequest r = server.lastRequest();
    const std::string address = r.header("X-Forward-For");
    ASSERT_FALSE(address.empty());
    EXPECT_EQ(r.header("X-Forwarded-For"), address);
    EXPECT_EQ(r.header("REMOTE_ADDR"), address);
    EXPECT_EQ(r.header("X-Mine"), "1");
    const auto octets = splitText(address, ".");
    ASSERT_EQ(octets.size(), 4u);
    for (const std::string& octet : octets) {
        EXPECT_EQ(std::to_string(toInteger(octet)), octet);
        EXPECT_LE(toInteger(octet), 255);
    }
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const std::string block = HttpClient::forgedClientHeaders();
        const auto lines = splitText(block, "\r\n");
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0].substr(15), lines[1].substr(17));
        EXPECT_EQ(lines[0].substr(15), lines[2].substr(13));
        seen.insert(lines[0]);
    }
    EXPECT_GT(seen.size(), 15u);
}

TEST_F(RequestTest, CookieJarMinusOneAndStoredResponseCookies) {
    ScriptedAnswer first = ScriptedAnswer::html("one");
    first.headers.push_back("Set-Cookie: jar=1; path=/");
    first.headers.push_back("Set-Cookie: more=2");
    server.enqueue(first);
    server.setDefaultAnswer(ScriptedAnswer::html("rest"));

    client.request(server.url("/1"), {.storeResponseCookies = true});
    EXPECT_EQ(client.responseCookieText(), "jar=1; path=/; more=2; ");
    EXPECT_EQ(client.cookieJar(), "jar=1; path=/; more=2; ");

    // Empty cookies: the jar is sent and copied back to the caller.
    RequestReply reply;
    client.request(server.url("/2"), {}, &reply);
    EXPECT_EQ(server.lastRequest().header("Cookie"), "jar=1; path=/; more=2;");
    EXPECT_EQ(reply.cookies, "jar=1; path=/; more=2; ");
    EXPECT_EQ(client.responseCookieText(), "");
    EXPECT_EQ(client.cookieJar(), "jar=1; path=/; more=2; ");  // kept without storeResponseCookies

    client.request(server.url("/3"), {.cookies = "-1"});
    RecordedRequest r = server.lastRequest();
    EXPECT_TRUE(r.hasHeader("Cookie"));
    EXPECT_EQ(r.header("Cookie"), "");

    client.request(server.url("/4"), {.cookies = "mine=1"});
    EXPECT_EQ(server.lastRequest().header("Cookie"), "mine=1");

    // A response without cookies empties the jar when asked to store.
    client.request(server.url("/5"), {.storeResponseCookies = true});
    EXPECT_EQ(client.cookieJar(), "");
    client.request(server.url("/6"));
    EXPECT_FALSE(server.lastRequest().hasHeader("Cookie"));

    server.enqueue(first);
    client.request(server.url("/7"), {.storeResponseCookies = true});
    client.reset();
    EXPECT_EQ(client.cookieJar(), "");
    EXPECT_EQ(client.responseCookieText(), "jar=1; path=/; more=2; ");
}

TEST_F(RequestTest, PostBodiesCharsetsAndTheProgramStoreIsNotUsed) {
    CookieStore::instance().clear();
    CookieStore::instance().storeSetCookie(server.url("/"), "stored=1; path=/");
    server.setDefaultAnswer(ScriptedAnswer::html("\xE4\xB8\xAD", "text/html; charset=UTF-8"));
    RequestReply reply;
    EXPECT_EQ(client.request(server.url("/p"), {.postText = "a=1&b=2"}, &reply), gb("中"));
    EXPECT_EQ(reply.charset, CharsetCode::Utf8);
    RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.body, "a=1&b=2");
    EXPECT_EQ(r.header("Content-Length"), "7");
    EXPECT_FALSE(r.hasHeader("Cookie"));

    client.request(server.url("/p"), {.postText = "ignored", .postBytes = toBytes("raw")});
    EXPECT_EQ(server.lastRequest().body, "raw");

    EXPECT_EQ(client.request(server.url("/p"), {.charset = CharsetCode::RawText}), "\xE4\xB8\xAD");
    EXPECT_EQ(client.request(server.url("/p"), {.charset = CharsetCode::ObjectText}), gb("中"));
    CookieStore::instance().clear();
}

TEST_F(RequestTest, AsynchronousWaitBoundsTheWholeExchange) {
    ScriptedAnswer slow = ScriptedAnswer::html("late");
    slow.delayMs = 20000;
    server.enqueue(slow);
    RequestReply reply;
    EXPECT_EQ(client.request(server.url("/slow"), {.timeoutSeconds = 1}, &reply), "");
    EXPECT_TRUE(reply.body.empty());
    // A trickling answer that never goes idle is still cut at the wait.
    ScriptedAnswer trickle = ScriptedAnswer::html(std::string(100, 'x'));
    trickle.pauseAfterBodyBytes = 10;
    trickle.pauseMs = 20000;
    server.enqueue(trickle);
    EXPECT_EQ(client.request(server.url("/trickle"), {.timeoutSeconds = 1}), "");
}

TEST_F(RequestTest, RedirectLocationSendsItsFixedHeadersAndDoesNotFollow) {
    server.route("/link", ScriptedAnswer::redirect(302, "http://target.example/page?id=1"));
    server.route("/plain", ScriptedAnswer::html("no redirect"));
    EXPECT_EQ(
        client.redirectLocation(server.url("/link"), {.referer = "www.baidu.com/s", .cookies = ""}),
        "http://target.example/page?id=1");
    ASSERT_EQ(server.requestCount(), 1u);
    const RecordedRequest r = server.lastRequest();
    EXPECT_EQ(r.method, "GET");
    const std::vector<std::string> expectedOrder = {
        "Host", "User-Agent", "Accept-Language", "Connection", "Accept", "Referer", "Cookie"};
    for (std::size_t i = 1; i < expectedOrder.size(); ++i) {
        EXPECT_LT(r.headerIndex(expectedOrder[i - 1]), r.headerIndex(expectedOrder[i]))
            << expectedOrder[i];
    }
    EXPECT_EQ(r.header("User-Agent"), kTransportUserAgent);
    EXPECT_EQ(r.header("Accept-Language"), "zh-cn");
    EXPECT_EQ(r.header("Connection"), "Keep-Alive");
    EXPECT_EQ(r.header("Accept"), kRedirectProbeAccept);
    EXPECT_EQ(r.header("Referer"), "http://www.baidu.com/s");
    EXPECT_EQ(r.header("Cookie"), "");
    EXPECT_FALSE(r.hasHeader("Content-Type"));

    EXPECT_EQ(client.redirectLocation(server.url("/plain")), "");
    EXPECT_FALSE(server.lastRequest().hasHeader("Cookie"));  // not given, not sent
    EXPECT_EQ(
        client.redirectLocation(server.url("/link"),
                                {.userAgent = "UA/9", .postText = "x=1", .headers = "X-A: b"}),
        "http://target.example/page?id=1");
    const RecordedRequest post = server.lastRequest();
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, "x=1");
    EXPECT_EQ(post.header("User-Agent"), "UA/9");
    EXPECT_EQ(post.header("X-A"), "b");
    EXPECT_EQ(server.requestCount(), 3u);
    EXPECT_EQ(client.redirectLocation(""), "");
}

}  // namespace
}  // namespace lh

namespace lh {
namespace {

TEST(Proxies, FetchAndRequestSendTheirProxyTheAbsoluteAddress) {
    LocalServer proxy;
    proxy.setDefaultAnswer(ScriptedAnswer::html("via proxy"));
    HttpClient client;
    const std::string hostPort = "127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(client.fetch("http://www.example.org/x?y=1", {.proxy = hostPort, .cookies = "c=1"}),
              "via proxy");
    RecordedRequest r = proxy.lastRequest();
    EXPECT_EQ(r.target, "http://www.example.org/x?y=1");
    EXPECT_EQ(r.header("Host"), "www.example.org");

    EXPECT_EQ(client.request("http://www.example.org/r", {.proxy = hostPort + ",user,secret"}),
              "via proxy");
    r = proxy.lastRequest();
    EXPECT_EQ(r.target, "http://www.example.org/r");
    EXPECT_EQ(r.header("Proxy-Authorization"), "Basic dXNlcjpzZWNyZXQ=");

    // "-1" makes no proxy call: the address is contacted directly.
    LocalServer direct;
    direct.setDefaultAnswer(ScriptedAnswer::html("direct"));
    const std::size_t before = proxy.requestCount();
    EXPECT_EQ(client.request(direct.url("/d"), {.proxy = std::string("-1")}), "direct");
    EXPECT_EQ(direct.lastRequest().target, "/d");
    EXPECT_EQ(proxy.requestCount(), before);

    // A client's own proxy carries every kind of transfer that names none.
    HttpClient through;
    through.useProxy("http://" + hostPort);
    EXPECT_EQ(through.fetch("http://www.example.org/f"), "via proxy");
    EXPECT_EQ(through.request("http://www.example.org/q"), "via proxy");
    through.redirectLocation("http://www.example.org/l");
    EXPECT_EQ(proxy.requestCount(), before + 3);
    EXPECT_EQ(proxy.lastRequest().target, "http://www.example.org/l");
}

}  // namespace
}  // namespace lh
