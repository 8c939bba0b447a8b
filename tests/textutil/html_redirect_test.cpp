#include <gtest/gtest.h>

#include <string>

#include "textutil/html_redirect.h"

namespace lh {
namespace {

std::string redirectOf(const std::string& page, std::string address = "http://s/dir/p.htm") {
    return detectRedirect(page, address);
}

TEST(HtmlRedirect, MetaRefresh) {
    std::string address = "http://s/dir/p.htm";
    const std::string page =
        R"(<html><head><meta http-equiv="refresh" content="0;URL='a.htm'"></head></html>)";
    EXPECT_EQ(detectRedirect(page, address), "http://s/dir/a.htm");
    EXPECT_EQ(address, "http://s/dir/a.htm");

    EXPECT_EQ(redirectOf(R"(<head><META HTTP-EQUIV = "Refresh" content="5; url=/x"></head>)"),
              "http://s/x");
    EXPECT_EQ(redirectOf(R"(<meta http-equiv='REFRESH' content='0;url=http://o/t'>)"),
              "http://o/t");
    // Inside noscript it is ignored, when the page has a head.
    EXPECT_EQ(
        redirectOf(
            R"(<head><noscript><meta http-equiv="refresh" content="0;url=/n"></noscript></head>)"),
        "");
    // An empty target falls through to the script.
    EXPECT_EQ(redirectOf(R"(<head><meta http-equiv="refresh" content="30"></head>)"
                         R"(<script>location.href="/s";</script>)"),
              "http://s/s");
}

TEST(HtmlRedirect, ScriptAssignments) {
    EXPECT_EQ(redirectOf("<script>window.location.href = 'next.htm';</script>"),
              "http://s/dir/next.htm");
    EXPECT_EQ(redirectOf("<script>top.location=\"//cdn/x\"</script>"), "http://s//cdn/x");
    EXPECT_EQ(redirectOf("<script>window.navigate('go.htm');</script>"), "http://s/dir/go.htm");
    // Only the first script counts, and a conditional one is not followed.
    EXPECT_EQ(redirectOf("<script>var counter=1;</script><script>window.location='x.htm'</script>"),
              "");
    EXPECT_EQ(redirectOf("<script>if(top!=self) top.location='x.htm'</script>"), "");
    EXPECT_EQ(redirectOf("<script>IF (a) self.location='x.htm'</script>"), "");
    EXPECT_EQ(redirectOf("<p>no redirect here</p>"), "");
    EXPECT_EQ(redirectOf(""), "");

    std::string address = "http://s/p";
    EXPECT_EQ(detectRedirect("<script>var a=1;</script>", address), "");
    EXPECT_EQ(address, "http://s/p");
}

TEST(HtmlRedirect, ResolveTarget) {
    EXPECT_EQ(resolveRedirectTarget("https://s:8080/a/b", "c/d"), "https://s:8080/a/c/d");
    EXPECT_EQ(resolveRedirectTarget("https://s:8080/a/b", "/c"), "https://s:8080/c");
    EXPECT_EQ(resolveRedirectTarget("http://s/a", "ftp://o/x"), "ftp://o/x");
    EXPECT_EQ(resolveRedirectTarget("http://s", "t"), "http://t");
    EXPECT_EQ(resolveRedirectTarget("http://s/a/", "../x"), "http://s/a/../x");
}

}  // namespace
}  // namespace lh
