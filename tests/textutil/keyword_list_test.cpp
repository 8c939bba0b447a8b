#include <gtest/gtest.h>

#include "textutil/keyword_list.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

TEST(KeywordList, ContainsAnEntryAndReportsWhichAndWhere) {
    ListMatch m;
    EXPECT_TRUE(matchesAnyInList("if (a)", "if(|if (", false, true, &m));
    EXPECT_EQ(m.entry, "if (");
    EXPECT_EQ(m.position, 1);

    EXPECT_TRUE(matchesAnyInList("see baidu.com/link?", "google|BAIDU.COM/link", false, true, &m));
    EXPECT_EQ(m.entry, "BAIDU.COM/link");
    EXPECT_EQ(m.position, 5);
    // Entries are plain text: "." and "(" are no pattern characters.
    EXPECT_FALSE(matchesAnyInList("baiduXcom", "baidu.com|a(b"));
    EXPECT_FALSE(matchesAnyInList("ABC", "abc", false, false, &m));
    EXPECT_EQ(m.position, -1);
    EXPECT_TRUE(matchesAnyInList("ABC", "x|ABC", false, false));
}

TEST(KeywordList, WholeEntryComparesTheWholeText) {
    ListMatch m;
    EXPECT_TRUE(matchesAnyInList("3", "2|3|5", true, true, &m));
    EXPECT_EQ(m.entry, "3");
    EXPECT_EQ(m.position, 1);
    EXPECT_FALSE(matchesAnyInList("23", "2|3|5", true));
    EXPECT_TRUE(matchesAnyInList("23", "2|3|5", false, true, &m));
    EXPECT_EQ(m.entry, "2");
    EXPECT_TRUE(matchesAnyInList("UTF-8", "gbk|utf-8", true));
    EXPECT_FALSE(matchesAnyInList("UTF-8", "gbk|utf-8", true, false));
}

TEST(KeywordList, EmptyEntriesNeverMatch) {
    ListMatch m;
    EXPECT_FALSE(matchesAnyInList("anything", "", false, true, &m));
    EXPECT_EQ(m.position, -1);
    EXPECT_FALSE(matchesAnyInList("anything", "|||"));
    EXPECT_FALSE(matchesAnyInList("", "||", true));
    EXPECT_TRUE(matchesAnyInList("abc", "||c||"));
}

TEST(KeywordList, ChineseEntriesMatchWholeCharactersOnly) {
    const std::string page = gb("请输入验证码后继续");
    ListMatch m;
    EXPECT_TRUE(matchesAnyInList(page, gb("安全验证|验证码"), false, true, &m));
    EXPECT_EQ(m.entry, gb("验证码"));
    EXPECT_EQ(m.position, 7);
    // "@" (40) can be the second byte of a character; it must not match there.
    EXPECT_FALSE(matchesAnyInList(std::string("\x81\x40"), "@"));
    EXPECT_TRUE(matchesAnyInList(std::string("\x81\x40@"), "x|@", false, true, &m));
    EXPECT_EQ(m.position, 3);
}

}  // namespace
}  // namespace lh
