#include "cli/keyword_file.h"

#include <gtest/gtest.h>

#include "textutil/program_text.h"

namespace lh::cli {
namespace {

TEST(KeywordFile, EncodingsBecomeProgramText) {
    const std::string expected = gb("外星人") + "\r\n2012";
    EXPECT_EQ(keywordListFromBytes("外星人\n2012\n"), expected);
    EXPECT_EQ(keywordListFromBytes("\xEF\xBB\xBF外星人\r\n2012"), expected);
    // Saved by a Chinese Windows editor: GB18030 bytes, not valid UTF-8.
    EXPECT_EQ(keywordListFromBytes(gb("外星人") + "\r\n2012\r\n"), expected);
    // UTF-16 with byte-order mark, as Notepad's "Unicode".
    const std::string le =
        std::string("\xFF\xFE") + convertCharset("外星人\r\n2012", "UTF-8", "UTF-16LE");
    EXPECT_EQ(keywordListFromBytes(le), expected);
    const std::string be =
        std::string("\xFE\xFF") + convertCharset("外星人\n2012", "UTF-8", "UTF-16BE");
    EXPECT_EQ(keywordListFromBytes(be), expected);
    // Without the mark, known by its NUL bytes; NULs beside line ends or control
    // characters are a keyword's, not UTF-16, and stay as they are.
    EXPECT_EQ(keywordListFromBytes(le.substr(2)), expected);
    EXPECT_EQ(keywordListFromBytes(be.substr(2)), expected);
    EXPECT_EQ(keywordListFromBytes(std::string("x\0a\nx\0b\n", 8)),
              std::string("x\0a\r\nx\0b", 8));
}

TEST(KeywordFile, AnyLineEndingAndOnlyOneTrailingEndDropped) {
    EXPECT_EQ(keywordListFromBytes("a\rb\nc\r\nd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(keywordListFromBytes("a\n\n  \nb\n"), "a\r\n\r\n  \r\nb");
    EXPECT_EQ(keywordListFromBytes("a\r\n\r\n"), "a\r\n");
    EXPECT_EQ(keywordListFromBytes(""), "");
    EXPECT_EQ(keywordListFromBytes("\n"), "");
    // A GB18030 character whose second byte is 0x0D or 0x0A does not exist, so a lone
    // CR inside GB text is always a line end.
    EXPECT_EQ(countKeywords(keywordListFromBytes("a\n\n  \nb\n")), 2);
    EXPECT_EQ(countKeywords(gb("　") + "\r\nx\r\n\t"), 2);  // a tab is not trimmed
}

TEST(KeywordFile, MissingFileIsAClearError) {
    std::string list = "kept";
    std::string error;
    EXPECT_FALSE(readKeywordFile("/nonexistent/keywords.txt", list, error));
    EXPECT_NE(error.find("/nonexistent/keywords.txt"), std::string::npos);
    EXPECT_EQ(list, "kept");
}

}  // namespace
}  // namespace lh::cli
