#include "collect/result_link_resolution.h"

#include <gtest/gtest.h>

#include "collect/result_extraction.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

// Encodings worked out apart from the program (base64url of the target's UTF-8).
TEST(ResultLinkResolution, ClickTrackingAddressGivesTheTargetItsUParameterCarries) {
    const std::string lead = "https://www.bing.com/ck/a?!&&p=7a0d3f95&ptn=3&ver=2&hsh=4&u=a1";
    EXPECT_EQ(clickTrackingTarget(lead + "aHR0cHM6Ly9lbi53aWtpcGVkaWEub3JnL3dpa2kvQ2F0&ntb=1"),
              "https://en.wikipedia.org/wiki/Cat");
    // Padded or not, padding written plainly or percent-encoded; u= last or first.
    EXPECT_EQ(clickTrackingTarget(lead + "aHR0cHM6Ly94LmNuL2E&ntb=1"), "https://x.cn/a");
    EXPECT_EQ(clickTrackingTarget(lead + "aHR0cHM6Ly94LmNuL2E=&ntb=1"), "https://x.cn/a");
    EXPECT_EQ(clickTrackingTarget(lead + "aHR0cHM6Ly94LmNuL2E%3D"), "https://x.cn/a");
    EXPECT_EQ(clickTrackingTarget("http://cn.bing.com/ck/a?u=a1aHR0cHM6Ly94LmNuL2Fi&p=1"),
              "https://x.cn/ab");
    // A target in Chinese comes out as program text.
    EXPECT_EQ(clickTrackingTarget(lead + "aHR0cHM6Ly_kvovlrZAuY24v6Lev5b6E&ntb=1"),
              gb("https://例子.cn/路径"));

    // Anything else stays as it was.
    const std::string unchanged[] = {
        "https://www.bing.com/ck/a?!&&p=7a0d3f95&ntb=1",               // no u=
        "https://www.bing.com/ck/a?!&&p=1&u=&ntb=1",                   // empty u=
        "https://www.bing.com/ck/a?!&&p=1&u=a0aHR0cHM6Ly94LmNuL2Fi",   // not a1
        "https://www.bing.com/ck/a?!&&p=1&uu=a1aHR0cHM6Ly94LmNuL2Fi",  // another name
        lead + "aHR0cHM6Ly94LmNuL2Fi*&ntb=1",                          // not base64url
        lead + "aHR0cHM6Ly94LmNuL2FiY&ntb=1",                          // a digit too many
        lead + "aHR0cHM6Ly94LmNuL2E==&ntb=1",                          // too much padding
        lead + "amF2YXNjcmlwdDphbGVydCgxKQ&ntb=1",                     // javascript:
        lead + "ZnRwOi8veC5jbi8&ntb=1",                                // ftp://
        lead + "aHR0cDovL__-LmNuLw&ntb=1",                             // no UTF-8
        lead + "aHR0cHM6Ly9hIGIuY24v&ntb=1",                           // a blank
        "https://example.com/ck/a?!&&p=1&u=a1aHR0cHM6Ly94LmNuL2Fi",    // not Bing
        "https://notbing.com/ck/a?!&&p=1&u=a1aHR0cHM6Ly94LmNuL2Fi",    // not Bing
        "https://www.bing.com/search?q=x&u=a1aHR0cHM6Ly94LmNuL2Fi",    // not ck/a
        "http://r1.example.com/page.html",
        "",
    };
    for (const std::string& address : unchanged) EXPECT_EQ(clickTrackingTarget(address), address);
}

// The carriers of today's markup: an attribute of the block's start tag, of the title
// link, or anywhere in the block; "&amp;" reads as "&".
TEST(ResultLinkResolution, ExtractionKeepsTheTargetTheBlockNames) {
    ExtractionRules rules;
    rules.blocks.tag = "div";
    rules.link = LinkElement::AnchorInH3;
    rules.description = [](HtmlTagScanner&, const std::string&) { return std::string(); };
    const std::string block =
        "<div class=\"result\" mu=\"https://t.cn/a?x=1&amp;y=2\"><h3><a href=\"/link?url=Q\" "
        "data-mdurl=\"http://m.cn/\">T</a></h3><span data-url=\"https://s.cn/\"></span></div>";
    const struct {
        CarriedTarget carried;
        std::string expected;
    } cases[] = {
        {{TargetCarrier::BlockTag, "mu"}, "https://t.cn/a?x=1&y=2"},
        {{TargetCarrier::LinkTag, "data-mdurl"}, "http://m.cn/"},
        {{TargetCarrier::AnyInBlock, "data-url"}, "https://s.cn/"},
        {{TargetCarrier::BlockTag, "data-mdurl"}, ""},  // on the link, not the block
        {{TargetCarrier::LinkTag, "mu"}, ""},
        {{}, ""},
    };
    HtmlTagScanner scanner;
    for (const auto& c : cases) {
        const ResultRecord record = parseResult(rules, block, scanner, c.carried);
        EXPECT_EQ(record.pageTarget, c.expected) << c.carried.attribute;
        EXPECT_EQ(record.address, "/link?url=Q");
        EXPECT_EQ(record.title, "T");
    }
}

}  // namespace
}  // namespace lh
