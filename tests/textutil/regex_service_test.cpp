#include <gtest/gtest.h>

#include "textutil/program_text.h"
#include "textutil/regex_service.h"

namespace lh {
namespace {

TEST(RegexService, FlagsDefaultToIgnoreCaseMultilineGlobal) {
    RegexService re;
    EXPECT_TRUE(re.create("a"));
    EXPECT_EQ(re.replace("AbA", ""), "b");

    EXPECT_TRUE(re.create("^x$"));
    EXPECT_EQ(re.execute("x\r\ny\r\nx"), 2);
    EXPECT_EQ(re.execute("x\ry\nx"), 2);
    EXPECT_EQ(re.matchText(2), "x");

    EXPECT_TRUE(re.create("[a-z]+"));
    EXPECT_EQ(re.execute("ABC def"), 2);
    EXPECT_EQ(re.matchText(1), "ABC");

    // Flags given as off.
    EXPECT_TRUE(re.create("a", false, false, false));
    EXPECT_EQ(re.replace("AbAa", "-"), "AbA-");
    EXPECT_EQ(re.execute("aa"), 1);
    EXPECT_TRUE(re.create("^x$", true, false));
    EXPECT_EQ(re.execute("x\r\nx"), 0);
    EXPECT_EQ(re.execute("x\n"), 0);  // "$" is the end only, not before a last line break
}

TEST(RegexService, GroupsAndIndexesOutsideTheMatches) {
    RegexService re;
    re.create("(a)|(b)");
    EXPECT_EQ(re.execute("b"), 1);
    EXPECT_EQ(re.subMatchText(1, 1), "");
    EXPECT_EQ(re.subMatchText(1, 2), "b");
    EXPECT_EQ(re.subMatchText(1, 3), "");
    EXPECT_EQ(re.subMatchText(2, 1), "");

    re.create("(http[^\"<>\\r\\n]*[^\\d])(\\d+)(\\.[a-z]+|)");
    EXPECT_EQ(re.execute("<a href=\"http://x.cn/list_12.HTML\">next</a> http://y/p3"), 2);
    EXPECT_EQ(re.matchText(1), "http://x.cn/list_12.HTML");
    EXPECT_EQ(re.subMatchText(1, 1), "http://x.cn/list_");
    EXPECT_EQ(re.subMatchText(1, 2), "12");
    EXPECT_EQ(re.subMatchText(1, 3), ".HTML");
    EXPECT_EQ(re.subMatchText(2, 3), "");  // the empty alternative took part
    EXPECT_EQ(re.matchText(3), "");
    EXPECT_EQ(re.matchText(0), "");
    EXPECT_EQ(re.matchText(-1), "");
    EXPECT_EQ(re.matchCount(), 2);

    // A new pattern keeps the stored matches until the next search.
    re.create("z");
    EXPECT_EQ(re.matchCount(), 2);
    EXPECT_EQ(re.subMatchText(1, 2), "12");
    EXPECT_EQ(re.pattern(), "z");
}

TEST(RegexService, FailuresGiveEmptyValues) {
    RegexService fresh;
    EXPECT_EQ(fresh.pattern(), "");
    EXPECT_EQ(fresh.execute("abc"), 0);
    EXPECT_EQ(fresh.replace("abc", "x"), "");
    EXPECT_EQ(fresh.matchText(1), "");

    RegexService re;
    EXPECT_FALSE(re.create("("));
    EXPECT_EQ(re.pattern(), "(");
    EXPECT_EQ(re.execute("(("), 0);
    EXPECT_EQ(re.matchCount(), 0);
    EXPECT_EQ(re.replace("((", "x"), "");
}

TEST(RegexService, FullWidthSpaceIsOneCharacter) {
    const std::string fw = gb("　");
    RegexService re;
    re.create(gb("[\\s　]{0,10}=[\\s　]{0,10}"));
    EXPECT_EQ(re.replace("a " + fw + "= \t" + fw + "b", "="), "a=b");
    // A character whose second byte is A1 must stay whole: 0xB0A1 is "啊".
    const std::string ah = gb("啊");
    ASSERT_EQ(ah, "\xB0\xA1");
    EXPECT_EQ(re.replace(ah + "=" + ah, "="), ah + "=" + ah);

    re.create(fw);
    EXPECT_EQ(re.execute(ah + fw + "x"), 1);  // not at the A1 A1 straddling both
    EXPECT_EQ(re.matchText(1), fw);
    EXPECT_EQ(re.replace(ah + fw + "x", "_"), ah + "_x");
    // "\A1\A1" spread over two characters ("啊" then a lead byte) is no match.
    EXPECT_EQ(re.execute(ah + "\xA1\xC0"), 0);

    re.create(gb("\\s|　"));
    EXPECT_EQ(re.replace("a\r\n\t b" + fw + gb("中"), ""), "ab" + gb("中"));
    re.create("\\d+");
    EXPECT_EQ(re.replace(gb("第１２页 34"), "#"), gb("第１２页 #"));
}

TEST(RegexService, ReplacementSyntax) {
    RegexService re;
    re.create("(\\w+)@(\\w+)");
    EXPECT_EQ(re.replace("me@host you@there", "$2 at $1"), "host at me there at you");
    EXPECT_EQ(re.replace("me@host", "[$&]"), "[me@host]");
    EXPECT_EQ(re.replace("me@host", "$$1"), "$1");
    EXPECT_EQ(re.replace("me@host", "$3$0$"), "$3$0$");
    EXPECT_EQ(re.replace("me@host", "$12"), "me2");
    EXPECT_EQ(re.replace(gb("甲me@host乙"), gb("《$1》")), gb("甲《me》乙"));

    re.create(";jsessionid=[^\\r\\n]+");
    EXPECT_EQ(re.replace("http://a/b;JSESSIONID=12?x=1\r\nnext", ""), "http://a/b\r\nnext");
    re.create("<[\\s\\S]+?>");
    EXPECT_EQ(re.replace("<b\r\nclass=x>bold</b> <>x>", ""), "bold ");
}

TEST(RegexService, EmptyMatchesAdvanceByOneCharacter) {
    RegexService re;
    re.create("x*");
    EXPECT_EQ(re.replace(gb("中x"), "-"), "-" + gb("中") + "--");
    EXPECT_EQ(re.execute("ax"), 3);
    re.create("^");
    EXPECT_EQ(re.replace("a\r\nb\nc", ">"), ">a\r\n>b\n>c");
}

TEST(RegexService, TrimLinesPattern) {
    const std::string fw = gb("　");
    RegexService re;
    re.create(gb("^[　 \\t]*$(\\r\\n)|^[ 　\\t]+|[ 　\\t]+$"));
    EXPECT_EQ(re.replace(fw + "one \r\n   \r\n\ttwo" + fw + "\r\n\r\nthree", ""),
              "one\r\ntwo\r\nthree");
}

}  // namespace
}  // namespace lh
