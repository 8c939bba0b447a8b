#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "textutil/html_redirect.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"
#include "textutil/text_between.h"

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

// The noscript elements leave the page in one pass; taking them out one by one, each
// looked up in the page as it then stands, is the reference. Random pages up to 300 KB,
// then one of 2 MB with a hundred.
TEST(HtmlRedirect, NoscriptRemovalAgreesWithOneByOneAtAnySize) {
    // The detection as it was, elements taken out one by one.
    const auto oneByOne = [](const std::string& page, std::string& address) -> std::string {
        HtmlTagScanner scanner;
        std::string target;
        std::string work = page;
        scanner.findBySample(work, "noscript",
                             {.listAll = true, .removeMatches = true, .rawText = true});
        std::string head = scanner.findElement(work, {.tag = "head"});
        if (head.empty()) head = page;
        const std::string meta = scanner.findElement(
            head, {.tag = "meta", .attrNames = {"http-equiv"}, .attrValues = {"Refresh"}});
        if (!meta.empty()) {
            const std::string content = scanner.attributeValue(meta, "content");
            target = textBetween(content, "URL='", "'");
            if (target.empty()) target = textBetween(content, "URL=", "");
        }
        if (target.empty()) {
            const std::string script = scanner.findElement(page, {.tag = "script"});
            if (script.empty()) return {};
            target = trimSpaces(scanner.attributeValue(script, "location.href"));
        }
        if (target.empty()) return {};
        address = resolveRedirectTarget(address, target);
        return address;
    };
    // Makes pages longer than the first part read for the head.
    const std::string kFiller(23000, 'y');
    const std::vector<std::string> pieces = {
        "<noscript>", "</noscript>", "<NOSCRIPT class=a>", "<noscript/>", "<head>", "</head>",
        "<meta http-equiv=\"refresh\" content=\"0;url=/m\">",
        "<meta http-equiv=refresh content='0;URL=/k'>", "x", "\xD6\xD0", "<nos",
        "<script>location.href='s.htm'</script>", kFiller};
    std::mt19937 rng(15);
    int redirected = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        const int n = static_cast<int>(rng() % 14);
        for (int i = 0; i < n; ++i) page += pieces[rng() % pieces.size()];
        std::string fast = "http://s/d/p.htm";
        std::string slow = fast;
        const std::string found = detectRedirect(page, fast);
        ASSERT_EQ(found, oneByOne(page, slow)) << page;
        ASSERT_EQ(fast, slow) << page;
        redirected += found.empty() ? 0 : 1;
    }
    EXPECT_GT(redirected, 300);

    std::string large = "<html><head>";
    while (large.size() < (std::size_t{2} << 20))
        large += "<noscript><meta http-equiv=\"refresh\" content=\"0;url=/n\"></noscript>" +
                 std::string(20000, 'x');
    large += "<meta http-equiv=\"refresh\" content=\"0;url=/last\"></head></html>";
    std::string fast = "http://s/d/p.htm";
    std::string slow = fast;
    EXPECT_EQ(detectRedirect(large, fast), "http://s/last");
    EXPECT_EQ(oneByOne(large, slow), "http://s/last");
}

}  // namespace
}  // namespace lh
