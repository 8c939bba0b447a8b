#include <gtest/gtest.h>

#include "textutil/program_text.h"
#include "textutil/text_between.h"

namespace lh {
namespace {

TEST(TextBetween, WalksThreeMetaTagsThenReportsExhausted) {
    const std::string page =
        "<html><head><META name=a>\r\n<meta name=b><meta name=\"c\"></head><body>x</body>";
    TextPosition pos;
    EXPECT_EQ(textBetween(page, "<meta", ">", &pos), " name=a");
    EXPECT_EQ(pos.value, 26);  // just past the first ">", 1-based
    EXPECT_EQ(textBetween(page, "<meta", ">", &pos), " name=b");
    EXPECT_EQ(textBetween(page, "<meta", ">", &pos), " name=\"c\"");
    EXPECT_EQ(textBetween(page, "<meta", ">", &pos), "");
    EXPECT_TRUE(pos.exhausted());
    // Once exhausted, even a marker that exists gives nothing.
    EXPECT_EQ(textBetween(page, "<body", ">", &pos), "");
    EXPECT_TRUE(pos.exhausted());
}

TEST(TextBetween, IgnoresAsciiCaseOnly) {
    EXPECT_EQ(textBetween("<div><H3 class=t>Title</H3></div>", "<h3", "</h3>"), " class=t>Title");
    const std::string zh = gb("甲乙");
    EXPECT_EQ(textBetween("[" + zh + "]", "[", "]"), zh);
    // A marker never matches from the second byte of a character: 81 40 holds "@".
    EXPECT_EQ(textBetween(std::string("\x81@a@b@"), "@", "@"), "b");
}

TEST(TextBetween, ApostrophePairsAndTheSecondTryWithoutQuotes) {
    EXPECT_EQ(textBetween("<a href=\"http://x/\">", "href=''http", "''"), "://x/");
    // No quote in the text: the second try drops the quotes from both markers.
    TextPosition pos;
    EXPECT_EQ(textBetween("<a href=http://y/ >", "href=''http", " "), "://y/");
    EXPECT_EQ(textBetween("<a href=http://y/ >", "href=\"", " ", &pos), "http://y/");
    EXPECT_EQ(pos.value, 19);
    // The head-region cut keeps apostrophes as they are and has no second try.
    EXPECT_EQ(textBetweenHead("<a href=\"x\">", "href=''", "''"), "");
    EXPECT_EQ(textBetweenHead("<a href=''x''>", "href=''", "''"), "x");
    EXPECT_EQ(textBetweenHead("<a href=x>", "href=\"", ">"), "");
}

TEST(TextBetween, EmptyMarkersStandForTextStartAndEnd) {
    EXPECT_EQ(textBetween("abc<def", "", ""), "abc<def");
    EXPECT_EQ(textBetween("abc<def", "", "<"), "abc");
    EXPECT_EQ(textBetween("abc<def", "<", ""), "def");
    EXPECT_EQ(textBetween("", "", ""), "");

    // Positions count in the text with the start sentinel (8 bytes) in front.
    TextPosition pos;
    EXPECT_EQ(textBetween("ab<cd<", "", "<", &pos), "ab");
    EXPECT_EQ(pos.value, 12);
    // The start sentinel is only at the front, so a second cut from there fails.
    EXPECT_EQ(textBetween("ab<cd<", "", "<", &pos), "");
    EXPECT_TRUE(pos.exhausted());

    // A text ending in a cut-off lead byte still has an end.
    EXPECT_EQ(textBetween(std::string("x=1\xD6"), "=", ""), std::string("1\xD6"));
    // The sentinel text inside the page is found like any marker.
    const std::string page = "a" + gb("#砚溪尾#") + "b";
    EXPECT_EQ(textBetween(page, "", ""), "a");
}

TEST(TextBetween, MissingMarkersExhaustOrKeepThePosition) {
    TextPosition pos;
    EXPECT_EQ(textBetween("abc", "x", "c", &pos), "");
    EXPECT_TRUE(pos.exhausted());

    pos.value = 0;
    EXPECT_EQ(textBetween("abc", "a", "x", &pos), "");
    EXPECT_TRUE(pos.exhausted());

    // Adjacent markers are a successful cut of nothing.
    pos.value = 0;
    EXPECT_EQ(textBetween("<>", "<", ">", &pos), "");
    EXPECT_EQ(pos.value, 3);

    TextPosition head{5};
    EXPECT_EQ(textBetweenHead("<head>x</head>", "<body>", "</body>", &head), "");
    EXPECT_EQ(head.value, 5);
    head.value = 0;
    EXPECT_EQ(textBetweenHead("<HEAD>x</head>", "<head>", "</head>", &head), "x");
    EXPECT_EQ(head.value, 15);

    // Without a position every call starts from the beginning.
    EXPECT_EQ(textBetween("<1><2>", "<", ">"), "1");
    EXPECT_EQ(textBetween("<1><2>", "<", ">"), "1");
}

TEST(TextBetween, PlainCutIsCaseSensitiveAndTakesQuoteWords) {
    const std::string block = "Accept: */*\r\nuser-agent: Lower\r\nUser-Agent: Upper\r\n";
    EXPECT_EQ(textBetweenPlain(block, "User-Agent:", "\r\n"), " Upper");
    EXPECT_EQ(textBetweenPlain("user-agent: x\r\n", "User-Agent:", "\r\n"), "");
    EXPECT_EQ(textBetweenPlain("a=\"v\";", "a=" + gb("#引号"), gb("#引号")), "v");
    // Empty markers are searched as such: found where the search starts.
    EXPECT_EQ(textBetweenPlain("abc", "", "c"), "ab");
    EXPECT_EQ(textBetweenPlain("abc", "b", ""), "");
    EXPECT_EQ(textBetweenPlain("x1x2x", "x", "x", 3), "2");
    EXPECT_EQ(textBetweenPlain("abc", "b", "z"), "");
}

TEST(TextBetween, WalkingABigPageStaysOnItsTags) {
    std::string page;
    const std::string zh = gb("中文内容");
    for (int i = 0; i < 2000; ++i) page += "<p id=" + std::to_string(i) + ">" + zh + "</p>";
    TextPosition pos;
    int count = 0;
    std::string last;
    for (;;) {
        std::string id = textBetween(page, "<p id=", ">", &pos);
        if (pos.exhausted()) break;
        last = id;
        ++count;
    }
    EXPECT_EQ(count, 2000);
    EXPECT_EQ(last, "1999");
}

}  // namespace
}  // namespace lh
