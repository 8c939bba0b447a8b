#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "support/sample_pages.h"
#include "textutil/absolutise_links.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/next_page.h"
#include "textutil/program_text.h"
#include "textutil/text_cleanup.h"

namespace lh {
namespace {

bool saysNext(const std::string& text) {
    return isNextLinkText(text, nextLinkWords(), nextLinkArrows());
}

TEST(NextPage, WordAndArrowLists) {
    ASSERT_EQ(nextLinkWords().size(), 15u);
    EXPECT_EQ(nextLinkWords()[0], "Next");
    EXPECT_EQ(nextLinkWords()[1], "\xCF\xC2\xD2\xBB\xD2\xB3");  // 下一页
    EXPECT_EQ(nextLinkWords()[14], gb("下張圖"));
    ASSERT_EQ(nextLinkArrows().size(), 4u);
    EXPECT_EQ(nextLinkArrows()[0], "\xA1\xB7");  // 》
    EXPECT_EQ(nextLinkArrows()[3], "");

    EXPECT_TRUE(saysNext(gb("下一页")));
    EXPECT_TRUE(saysNext(gb("下一页》")));
    EXPECT_TRUE(saysNext("Next&raquo;"));
    EXPECT_TRUE(saysNext("NEXT"));
    EXPECT_TRUE(saysNext(gb("下一页(3)")));
    EXPECT_TRUE(saysNext(gb("下一頁")));
    EXPECT_FALSE(saysNext(gb("下一页共10页")));
    EXPECT_FALSE(saysNext(gb("上一页")));
    EXPECT_FALSE(saysNext(""));
    EXPECT_FALSE(saysNext("Nex"));
}

TEST(NextPage, LinkTextRule) {
    const std::string page =
        "<a href=\"http://h/list/9.htm\">9</a>"
        "<a class=n href=\"http://h/list/2.htm\"><span> " +
        gb("下一") + "</span>\r\n<b>" + gb("页") + "</b></a>";
    EXPECT_EQ(findNextPageUrl("http://h/list/1.htm", page), "http://h/list/2.htm");
    EXPECT_EQ(
        findNextPageUrl("http://h/list/1.htm", R"(<a href="http://h/list/x?p=2">Next &raquo;</a>)"),
        "http://h/list/x?p=2");
    // Outside the current directory the text does not count.
    EXPECT_EQ(findNextPageUrl("http://h/list/1.htm",
                              "<a href=\"http://o/list/2.htm\">" + gb("下一页") + "</a>"),
              "");
    EXPECT_EQ(findNextPageUrl("http://h/list/1.htm", ""), "");
}

TEST(NextPage, SecondPageNameRule) {
    EXPECT_EQ(findNextPageUrl("http://h/a/list.htm", "<a href=\"http://h/a/LIST_2.htm\">2</a>"),
              "http://h/a/list_2.htm");
    EXPECT_EQ(findNextPageUrl("http://h/a/list", "see http://h/a/list_2. here"),
              "http://h/a/list_2.");
    EXPECT_EQ(findNextPageUrl("http://h/a/list.htm", "<a href=\"http://h/b/list_2.htm\">2</a>"),
              "");
}

TEST(NextPage, NumberRule) {
    EXPECT_EQ(findNextPageUrl("http://h/a/list_5.htm", "<a href=\"http://h/a/list_6.htm\">6</a>"),
              "http://h/a/list_6.htm");
    EXPECT_EQ(findNextPageUrl("http://h/a/list_5.htm", "<a href=\"http://h/a/list_7.htm\">7</a>"),
              "");
    EXPECT_EQ(findNextPageUrl("http://h/a/p9.htm", "<a href=\"http://h/b/p10.htm\">10</a>"), "");
    EXPECT_EQ(findNextPageUrl("http://h/a/p9.htm", "<a href=\"http://h/a/p10.htm\">10</a>"),
              "http://h/a/p10.htm");
    EXPECT_EQ(findNextPageUrl("http://h/s?q=x&pn=10", "<a href=\"http://h/s?q=x&pn=11\">"),
              "http://h/s?q=x&pn=11");
    EXPECT_EQ(findNextPageUrl("http://h/a/list.htm", "<a href=\"http://h/a/list1.htm\">"), "");
    EXPECT_EQ(findNextPageUrl("http://h/a/p99999999999999999999.htm", "http://h/a/p1.htm"), "");
}

// A saved result page as program text.
std::string samplePage(const std::string& name) {
    std::ifstream in(test::samplePagesFolder() + "/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return utf8ToGb(bytes);
}

TEST(NextPage, RealBaiduPage) {
    LH_REQUIRE_SAMPLE_PAGES();
    std::string page = samplePage("baidu-1.html");
    ASSERT_GT(page.size(), 100000u);
    const std::string address = "https://www.baidu.com/s?wd=number";
    const std::string absolute = absolutiseLinks(address, page);
    // The pager's last link, text "下一页&gt;", written root-relative in the page.
    EXPECT_EQ(
        findNextPageUrl(address, absolute),
        "https://www.baidu.com/s?wd=number&pn=10&oq=number&ie=utf-8&usm=2&rsv_idx=1"
        "&rsv_pq=c4d7712b0000a3d9&rsv_t=e28c7GcQNSQKuUkn7WIp9UJehQeSyLz7VdXXe4RSHlyNBbB39eWduquPQ9Q"
        "&rsv_page=1");
    HtmlTagScanner scanner;
    EXPECT_EQ(scanner.findAllElements(absolute, {.tag = "div",
                                                 .attrNames = {"class"},
                                                 .attrValues = {"c-container"},
                                                 .containsMatch = true}),
              10);
}

// Links whose text is plainly too long or too short are passed over unstripped;
// stripping every link into the directory, as the text rule says, is the reference.
// Random pages of links with tags, blanks, entities, guarded widths and Chinese text
// around "next" words.
TEST(NextPage, LinksPassedOverUnstrippedNeverHoldTheNextLink) {
    const auto everyLinkStripped = [](const std::string& page) -> std::string {
        HtmlTagScanner scanner;
        const int count = scanner.findAllElements(page, {.tag = "a",
                                                         .attrNames = {"href"},
                                                         .attrValues = {"http://h/d/"},
                                                         .containsMatch = true});
        for (int i = 1; i <= count; ++i) {
            const auto [begin, end] = scanner.elementRange(i);
            const std::string raw = page.substr(begin, end - begin);
            if (saysNext(removeWhitespace(stripTags(raw))))
                return scanner.attributeValue(std::string_view(scanner.elementText(i)), "href");
        }
        return {};
    };
    const std::vector<std::string> inside = {
        gb("下一页"), "Next", "&gt;", gb("》"), " ", "\t", gb("　"), "<b>", "</b>", "<", ">",
        "<br>", "<p>", "x", gb("中文标题"), "&nbsp;", "Width>", "\xD6", "&#19979;", "<i x='>'>",
        "abcdefghij", "          ", gb("　　　　　　"), "<span class='a long class name'>",
        "<i Width>"};
    std::mt19937 rng(41);
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string page;
        for (int link = static_cast<int>(rng() % 4); link >= 0; --link) {
            page += "<a href=\"http://h/d/p" + std::to_string(link) + ".htm\">";
            for (int k = static_cast<int>(rng() % 9); k > 0; --k)
                page += inside[rng() % inside.size()];
            page += rng() % 8 == 0 ? "" : "</a>";
        }
        const std::string expected = everyLinkStripped(page);
        // The address has no number and the page no "p_2.htm": only the text rule finds.
        ASSERT_EQ(findNextPageUrl("http://h/d/p.htm", page), expected) << page;
        found += expected.empty() ? 0 : 1;
    }
    EXPECT_GT(found, 400);
}

}  // namespace
}  // namespace lh
