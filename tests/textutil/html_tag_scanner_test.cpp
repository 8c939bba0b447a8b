#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/slow_element_scan.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

using test::SlowElementScan;
using Ranges = SlowElementScan::Ranges;

Ranges collected(HtmlTagScanner& scanner) {
    Ranges out;
    for (int i = 1; i <= scanner.elementCount(); ++i) out.push_back(scanner.elementRange(i));
    return out;
}

TEST(HtmlTagScanner, NestedElementsPairWithTheirOwnEndTags) {
    const std::string page = "<p>x</p><div id=o>a<div id=i>b</div>c</div><div>d</div>";
    HtmlTagScanner scanner;
    EXPECT_EQ(scanner.findElement(page, {.tag = "div"}), "<div id=o>a<div id=i>b</div>c</div>");
    EXPECT_EQ(scanner.findElement(page, {.tag = "div", .innerOnly = true}), "a<div id=i>b</div>c");
    EXPECT_EQ(scanner.findElement(page, {.tag = "div"}, HtmlTagScanner::kCollectAll), "3");
    ASSERT_EQ(scanner.elementCount(), 3);
    EXPECT_EQ(scanner.elementText(1), "<div id=o>a<div id=i>b</div>c</div>");
    EXPECT_EQ(scanner.elementText(2), "<div id=i>b</div>");
    EXPECT_EQ(scanner.elementText(3), "<div>d</div>");
    EXPECT_EQ(scanner.elementText(0), "");
    EXPECT_EQ(scanner.elementText(4), "");

    // Inner texts, and a nested element right after the outer start tag is still found.
    EXPECT_EQ(scanner.findAllElements("<div><div>b</div></div>", {.tag = "div", .innerOnly = true}),
              2);
    EXPECT_EQ(scanner.elementText(1), "<div>b</div>");
    EXPECT_EQ(scanner.elementText(2), "b");
}

TEST(HtmlTagScanner, TagNameBoundaryAndCase) {
    HtmlTagScanner scanner;
    const std::string page = "<abbr>x</abbr><a1>y</a1><A href=u>z</A>";
    EXPECT_EQ(scanner.findElement(page, {.tag = "a"}), "<A href=u>z</A>");
    EXPECT_EQ(scanner.findAllElements(page, {.tag = "a"}), 1);
    // Case kept: only a-z and 0-9 stop a match, so "<aB" is an a element.
    EXPECT_EQ(scanner.findElement("<aB>q</a>", {.tag = "a", .ignoreCase = false}), "<aB>q</a>");
    EXPECT_EQ(scanner.findElement("<A>q</A>", {.tag = "a", .ignoreCase = false}), "");
    EXPECT_EQ(scanner.findElement("x<a", {.tag = "a"}), "");  // no ">" after the start
    EXPECT_EQ(scanner.findElement("", {.tag = "a"}), "");
    EXPECT_EQ(scanner.findElement("<a>", {.tag = ""}), "");
    EXPECT_EQ(scanner.findElement("<a>b</a>", {.tag = "a"}, HtmlTagScanner::kCollectAll), "1");
    EXPECT_EQ(scanner.findElement("<b>", {.tag = "a"}, HtmlTagScanner::kCollectAll), "0");
}

TEST(HtmlTagScanner, EndTagsMustBeExactAndMissingOnesLeaveTheStartTag) {
    HtmlTagScanner scanner;
    EXPECT_EQ(scanner.findElement("<b>x</b >y", {.tag = "b"}), "<b>");
    EXPECT_EQ(scanner.findElement("<b>x</b >y", {.tag = "b", .innerOnly = true}), "");
    EXPECT_EQ(scanner.findElement("<img src=a/>t</img>", {.tag = "img"}), "<img src=a/>");
    EXPECT_EQ(scanner.findElement("<img src=a/>t</img>", {.tag = "img", .innerOnly = true}), "");
    // A self-closing tag still counts as opened for the element around it.
    EXPECT_EQ(scanner.findElement("<div>a<div/>b</div>", {.tag = "div"}), "<div>");
    EXPECT_EQ(scanner.findAllElements("<p>x<p>y</p>", {.tag = "p"}), 2);
    EXPECT_EQ(scanner.elementText(1), "<p>");
    EXPECT_EQ(scanner.elementText(2), "<p>y</p>");
}

TEST(HtmlTagScanner, AttributeConditions) {
    HtmlTagScanner scanner;
    const std::string page =
        R"(<div class="c-container x">one</div><div class='c-container'>two</div>)"
        R"(<div id=k class=c-container>three</div>)";
    ElementQuery exact{.tag = "div", .attrNames = {"class"}, .attrValues = {"C-Container"}};
    EXPECT_EQ(scanner.findAllElements(page, exact), 2);
    EXPECT_EQ(scanner.elementText(1, true), "<div class='c-container'>two</div>");
    EXPECT_EQ(scanner.elementText(2, true), "<div id=k class=c-container>three</div>");
    exact.containsMatch = true;
    EXPECT_EQ(scanner.findAllElements(page, exact), 3);

    // An empty wanted value asks only for the attribute.
    EXPECT_EQ(scanner.findAllElements(page, {.tag = "div", .attrNames = {"id"}}), 1);
    // Any condition, or all of them.
    ElementQuery both{
        .tag = "div", .attrNames = {"id", "class"}, .attrValues = {"k", "c-container x"}};
    EXPECT_EQ(scanner.findAllElements(page, both), 2);
    both.matchAll = true;
    EXPECT_EQ(scanner.findAllElements(page, both), 0);

    // Blanks around "=" hide the attribute until the page is normalised; the name must
    // follow a single space.
    const std::string spaced = R"(<a class = "m">x</a><a  class="m">y</a>)";
    const ElementQuery m{.tag = "a", .attrNames = {"class"}, .attrValues = {"m"}};
    EXPECT_EQ(scanner.findAllElements(spaced, m), 1);
    EXPECT_EQ(scanner.findAllElements(scanner.normaliseAssignments(spaced), m), 2);
    // Returned texts have their blanks removed unless raw.
    EXPECT_EQ(scanner.findElement(spaced, {.tag = "a"}), R"(<a class="m">x</a>)");
    EXPECT_EQ(scanner.findElement(spaced, {.tag = "a", .rawText = true}),
              R"(<a class = "m">x</a>)");
}

TEST(HtmlTagScanner, ClassTokens) {
    HtmlTagScanner scanner;
    const std::string page =
        R"(<li class="res-list news">1</li><li class='RES-LIST'>2</li><li class=res-list>3</li>)"
        R"(<li class="res-lists">4</li><li class="pre-res-list">5</li><li title="res-list">6</li>)"
        R"(<li class="a" data-x="res-list">7</li><li class="x	res-list">8</li>)";
    ElementQuery token{
        .tag = "li", .attrNames = {"class"}, .attrValues = {"res-list"}, .tokenMatch = true};
    ASSERT_EQ(scanner.findAllElements(page, token), 4);
    EXPECT_EQ(scanner.elementText(1, true), R"(<li class="res-list news">1</li>)");
    EXPECT_EQ(scanner.elementText(2, true), "<li class='RES-LIST'>2</li>");
    EXPECT_EQ(scanner.elementText(3, true), "<li class=res-list>3</li>");
    EXPECT_EQ(scanner.elementText(4, true), "<li class=\"x\tres-list\">8</li>");
    // A trailing "*" asks for a token that starts with the rest.
    token.attrValues = {"res-list*"};
    EXPECT_EQ(scanner.findAllElements(page, token), 5);
    EXPECT_EQ(scanner.elementText(4, true), R"(<li class="res-lists">4</li>)");
}

TEST(HtmlTagScanner, SingleCallsLeaveCollectedElementsAlone) {
    HtmlTagScanner scanner;
    EXPECT_EQ(scanner.findAllElements("<li>1</li><li>2</li>", {.tag = "li"}), 2);
    EXPECT_EQ(scanner.findElement("<li>other</li>", {.tag = "li"}), "<li>other</li>");
    EXPECT_EQ(scanner.lastText(), "<li>other</li>");
    EXPECT_EQ(scanner.elementCount(), 2);
    EXPECT_EQ(scanner.elementText(2), "<li>2</li>");
    // Appending keeps the first name's elements; several names in one call.
    EXPECT_EQ(scanner.findAllElements("<b>1</b><i>2</i><b>3</b>", {.tag = "i|b"}), 3);
    EXPECT_EQ(scanner.elementText(1), "<i>2</i>");
    EXPECT_EQ(scanner.elementText(3), "<b>3</b>");
    // An appending call with a shorter page never cuts past its end.
    scanner.findElement("<u>x</u>", {.tag = "u"}, HtmlTagScanner::kCollectAll, true);
    EXPECT_EQ(scanner.elementCount(), 4);
    EXPECT_EQ(scanner.elementText(3), "");
    EXPECT_EQ(scanner.elementText(4), "<u>x</u>");
}

TEST(HtmlTagScanner, FindBySample) {
    HtmlTagScanner scanner;
    std::string page = R"(a<span class="m">1<span>in</span></span>b<span class="m">2</span>c)";
    SampleOptions remove{.removeMatches = true};
    EXPECT_EQ(scanner.findBySample(page, R"(<span class="m">)", remove),
              R"(ab<span class="m">2</span>c)");
    EXPECT_EQ(page, R"(ab<span class="m">2</span>c)");

    std::string list =
        R"(<i class="k z">1</i><i class="k">2</i><noscript>n</noscript><i class="k">3</i>)";
    EXPECT_EQ(scanner.findBySample(list, R"(<i class="k">|noscript)", {.listAll = true}),
              "<i class=\"k\">2</i>\r\n<i class=\"k\">3</i>\r\n\r\n<noscript>n</noscript>\r\n");
    EXPECT_EQ(scanner.findBySample(list, R"(i class="k z")", {.innerOnly = true}), "1");
    SampleOptions all{.listAll = true, .removeMatches = true, .rawText = true};
    EXPECT_EQ(scanner.findBySample(list, "noscript| |i", all), "");
    EXPECT_EQ(list, "");
}

TEST(HtmlTagScanner, AttributeValueReadAndWrite) {
    HtmlTagScanner scanner;
    EXPECT_EQ(scanner.attributeValue(R"(<a href=" /x ">)", "href"), "/x");
    EXPECT_EQ(scanner.attributeValue(R"(<a href='y' b>)", "HREF"), "y");
    EXPECT_EQ(scanner.attributeValue(R"(<a href=u title=t>)", "href"), "u");
    EXPECT_EQ(scanner.attributeValue(R"(<a href=u>)", "href"), "u");
    EXPECT_EQ(scanner.attributeValue(R"(<a href="" href='z'>)", "href"), "");
    EXPECT_EQ(scanner.attributeValue(R"(<a title=t>)", "href"), "");
    EXPECT_EQ(scanner.attributeValue("window.location.href='/go';", "location.href"), "/go");
    EXPECT_EQ(scanner.attributeValue("x " + gb("　") + "v=\"" + gb("　值") + " \">", "v"),
              gb("值"));

    std::string tag = R"(<img data-src="r.jpg" alt=x>)";
    EXPECT_EQ(scanner.attributeValue(tag, "src", "r.jpg", true),
              R"(<img data-src="r.jpg" alt=x src="r.jpg">)");
    EXPECT_EQ(tag, R"(<img data-src="r.jpg" alt=x src="r.jpg">)");
    tag = R"(<img src='a.gif' />)";
    EXPECT_EQ(scanner.attributeValue(tag, "src", "b.png", true), R"(<img src='b.png' />)");
    tag = R"(<img alt=1 />)";
    EXPECT_EQ(scanner.attributeValue(tag, "src", "b.png", true), R"(<img alt=1  src="b.png"/>)");
    tag = R"(<img src=a.gif alt=1>)";
    EXPECT_EQ(scanner.attributeValue(tag, "src", "b", true), R"(<img src=b alt=1>)");
    EXPECT_EQ(scanner.attributeValue(tag, "src", "ignored", false), "b");
}

TEST(HtmlTagScanner, NormaliseAssignments) {
    HtmlTagScanner scanner;
    EXPECT_EQ(scanner.normaliseAssignments("a = b\t=\r\nc"), "a=b=c");
    EXPECT_EQ(scanner.normaliseAssignments("x" + gb("　") + "=" + gb("　　") + "y"), "x=y");
    // At most ten blanks on each side.
    EXPECT_EQ(
        scanner.normaliseAssignments("a" + std::string(12, ' ') + "=" + std::string(12, ' ') + "b"),
        "a  =  b");
    // An "=" that is the second byte of a character is not an assignment; a full-width
    // space must be a whole character.
    EXPECT_EQ(scanner.normaliseAssignments("\x81= \xD6\xD0 = 1"), "\x81= \xD6\xD0=1");
    EXPECT_EQ(scanner.normaliseAssignments("\xB0\xA1\xA1\xA1=1"), "\xB0\xA1=1");
    EXPECT_EQ(scanner.normaliseAssignments("\xB0\xA1\xA1 =1"), "\xB0\xA1\xA1 =1");
    EXPECT_EQ(scanner.normaliseAssignments("no assignment"), "no assignment");
}

TEST(HtmlTagScanner, AgreesWithTheSlowScanOnRandomPages) {
    const std::vector<std::string> pieces = {"<div>",
                                             "</div>",
                                             "<div/>",
                                             "<DIV class=\"a\">",
                                             "<divx>",
                                             "</div >",
                                             "<div",
                                             "</div",
                                             "x",
                                             ">",
                                             "<",
                                             "\xD6\xD0",
                                             "<span>",
                                             "</span>",
                                             "<div class='a'/>",
                                             "</DIV>"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 400; ++round) {
        std::string page;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) page += pieces[rng() % pieces.size()];
        for (const bool ic : {true, false}) {
            for (const bool inner : {false, true}) {
                HtmlTagScanner scanner;
                scanner.findAllElements(page, {.tag = "div", .ignoreCase = ic, .innerOnly = inner});
                ASSERT_EQ(collected(scanner), SlowElementScan(page, "div", ic).collect(inner))
                    << "page: " << page << " ignoreCase " << ic << " inner " << inner;
            }
            HtmlTagScanner scanner;
            const Ranges all = SlowElementScan(page, "div", ic).collect(false);
            const std::string first =
                all.empty() ? "" : page.substr(all[0].first, all[0].second - all[0].first);
            ASSERT_EQ(scanner.findElement(page, {.tag = "div", .ignoreCase = ic, .rawText = true}),
                      first)
                << page;
        }
    }
}

}  // namespace
}  // namespace lh

#include "textutil/regex_service.h"
#include "textutil/text_search.h"

namespace lh {
namespace {

// The hand-written assignment cleanup and the fast searches must give what the regular
// expression and the character-walking searches give.
TEST(TextSearch, FastPathsAgreeWithTheGeneralOnes) {
    const std::vector<std::string> pieces = {
        "=", " ",        "\t", "\r\n",       "\xA1\xA1", "\xB0", "\xA1", "a",
        "A", "\xD6\xD0", "x",  "          ", "://",      "H",    "h",    "/"};
    RegexService pattern;
    ASSERT_TRUE(pattern.create("[\\s\xA1\xA1]{0,10}=[\\s\xA1\xA1]{0,10}"));
    HtmlTagScanner scanner;
    std::mt19937 rng(99);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 24);
        for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
        std::string needle;
        const int k = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < k; ++i) needle += pieces[rng() % pieces.size()];
        if (isValidUtf8(gbToUtf8(text)) && utf8ToGb(gbToUtf8(text)) == text) {
            ASSERT_EQ(scanner.normaliseAssignments(text), pattern.replace(text, "=")) << text;
        }
        ASSERT_EQ(findTextIgnoringCase(text, needle), findText(text, needle, 0, Case::Ignore))
            << text;
        std::string other;
        for (int i = 0; i < k; ++i) other += pieces[rng() % pieces.size()];
        ASSERT_EQ(AnyTextFinder({needle, other}).foundIn(text),
                  containsText(text, needle, Case::Ignore) ||
                      containsText(text, other, Case::Ignore))
            << text;
        if (needle.back() != '\xB0' && needle.back() != '\xA1') {
            ASSERT_EQ(replaceAllFast(text, needle, "<>"), replaceAll(text, needle, "<>")) << text;
        }
    }
}

}  // namespace
}  // namespace lh
