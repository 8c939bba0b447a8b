#include <gtest/gtest.h>

#include "support/local_server.h"
#include "web/cookie_store.h"
#include "web/http_client.h"
#include "web/network_overrides.h"

namespace lh {
namespace {

using test::LocalServer;
using test::ScopedServerRedirect;
using test::ScriptedAnswer;

TEST(FetchTls, EngineAddressReachesLocalServerOverVerifiedTls) {
    CookieStore::instance().clear();
    LocalServer server(LocalServer::Scheme::Https);
    ASSERT_TRUE(server.running());
    ScriptedAnswer answer = ScriptedAnswer::html("<html>baidu</html>");
    answer.headers.push_back("Set-Cookie: BAIDUID=1; domain=.baidu.com; path=/; secure");
    server.setDefaultAnswer(answer);
    ScopedServerRedirect redirect(server, {"www.baidu.com", "m.baidu.com"});

    HttpClient client;
    EXPECT_EQ(client.fetch("https://www.baidu.com/s?wd=x"), "<html>baidu</html>");
    const auto r = server.lastRequest();
    EXPECT_TRUE(r.tls);
    EXPECT_EQ(r.header("Host"), "www.baidu.com");
    EXPECT_EQ(r.target, "/s?wd=x");
    // The domain cookie reaches the sibling host over https, and not over plain http.
    EXPECT_EQ(CookieStore::instance().cookieTextFor("https://m.baidu.com/"), "BAIDUID=1");
    EXPECT_EQ(CookieStore::instance().cookieTextFor("http://m.baidu.com/"), "");
    CookieStore::instance().clear();
}

TEST(FetchTls, HttpsAddressWithPortUsesThatPort) {
    LocalServer server(LocalServer::Scheme::Https);
    server.setDefaultAnswer(ScriptedAnswer::html("on my port"));
    ScopedServerRedirect trustOnly(server, {});
    HttpClient client;
    // The certificate names 127.0.0.1 and localhost; the address names the server's port.
    EXPECT_EQ(client.fetch(server.url("/x")), "on my port");
    EXPECT_EQ(client.fetch("https://localhost:" + std::to_string(server.port()) + "/y"),
              "on my port");
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST(FetchTls, UntrustedCertificateOrUnknownNameGivesNothing) {
    {
        LocalServer untrusted(LocalServer::untrustedCertFile(), LocalServer::untrustedKeyFile());
        untrusted.setDefaultAnswer(ScriptedAnswer::html("must not be read"));
        ScopedServerRedirect trustTestCa(untrusted, {});
        HttpClient client;
        FetchReply reply;
        EXPECT_EQ(client.fetch(untrusted.url("/"), {.timeoutSeconds = 5}, &reply), "");
        EXPECT_TRUE(reply.body.empty());
        EXPECT_EQ(reply.outcome.failure, TransferFailure::Tls);
        EXPECT_FALSE(reply.outcome.reason.empty());
        EXPECT_EQ(untrusted.requestCount(), 0u);
    }
    {
        // Without the test CA the system store alone does not trust the test server.
        LocalServer server(LocalServer::Scheme::Https);
        server.setDefaultAnswer(ScriptedAnswer::html("must not be read"));
        NetworkOverrides::instance().clear();
        HttpClient client;
        EXPECT_EQ(client.fetch(server.url("/"), {.timeoutSeconds = 5}), "");
        EXPECT_EQ(server.requestCount(), 0u);
    }
    {
        // A host the certificate does not name is refused even with the test CA.
        LocalServer server(LocalServer::Scheme::Https);
        server.setDefaultAnswer(ScriptedAnswer::html("must not be read"));
        ScopedServerRedirect redirect(server, {"www.example.org"});
        HttpClient client;
        EXPECT_EQ(client.fetch("https://www.example.org/", {.timeoutSeconds = 5}), "");
        EXPECT_EQ(server.requestCount(), 0u);
    }
}

TEST(FetchTls, ConnectToEntriesInCurlFormAndUnreadableCaFiles) {
    LocalServer server;
    server.setDefaultAnswer(ScriptedAnswer::html("sogou"));
    NetworkOverrides& overrides = NetworkOverrides::instance();
    overrides.clear();
    EXPECT_FALSE(overrides.addConnectTo("www.sogou.com:80"));
    EXPECT_FALSE(overrides.setExtraCaFile("/nonexistent/ca.pem"));
    EXPECT_FALSE(overrides.snapshot().caBundle);
    ASSERT_TRUE(
        overrides.addConnectTo("www.sogou.com:80:127.0.0.1:" + std::to_string(server.port())));
    HttpClient client;
    EXPECT_EQ(client.fetch("www.sogou.com/web?query=a"), "sogou");
    EXPECT_EQ(server.lastRequest().header("Host"), "www.sogou.com");
    overrides.clear();
    EXPECT_TRUE(overrides.snapshot().connectTo.empty());
}

}  // namespace
}  // namespace lh

namespace lh {
namespace {

TEST(FetchTls, RedirectScopesNestForHttpAndHttpsServers) {
    LocalServer plain;
    plain.setDefaultAnswer(ScriptedAnswer::html("plain sogou"));
    LocalServer secure(LocalServer::Scheme::Https);
    secure.setDefaultAnswer(ScriptedAnswer::html("secure baidu"));
    HttpClient client;
    {
        ScopedServerRedirect toPlain(plain, {"www.sogou.com"});
        {
            ScopedServerRedirect toSecure(secure, {"www.baidu.com"});
            EXPECT_EQ(client.fetch("http://www.sogou.com/web"), "plain sogou");
            EXPECT_EQ(client.fetch("https://www.baidu.com/s"), "secure baidu");
        }
        EXPECT_EQ(NetworkOverrides::instance().snapshot().connectTo.size(), 1u);
        EXPECT_EQ(client.fetch("http://www.sogou.com/web"), "plain sogou");
    }
    EXPECT_TRUE(NetworkOverrides::instance().snapshot().connectTo.empty());
    EXPECT_FALSE(NetworkOverrides::instance().snapshot().caBundle);
    EXPECT_EQ(plain.requestCount(), 2u);
    EXPECT_EQ(secure.requestCount(), 1u);
}

}  // namespace
}  // namespace lh
