#include "collect/result_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "collect/result_line.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"
#include "textutil/text_cleanup.h"

namespace lh {
namespace {

ResultRecord record(const std::string& title, const std::string& address,
                    const std::string& description = "d", const std::string& keyword = "k") {
    return {title, address, keyword, description};
}

// Fields of one CSV row (RFC 4180: quoted fields, "" inside quotes is one quote).
std::vector<std::string> csvFields(const std::string& row) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (quoted) {
            if (c == '"' && i + 1 < row.size() && row[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

TEST(RenderLine, FillsPlaceholdersInOrderAndCopiesTheRest) {
    CollectionSettings settings = CollectionSettings::defaults();
    const ResultRecord r =
        record(gb("标题"), "http://www.example.com/a?b=1", gb("描述"), gb("关键词"));
    EXPECT_EQ(renderLine(settings, r),
              gb("\"标题\",\"http://www.example.com/"
                 "a?b=1\",\"www.example.com\",\"www.example.com\",\"描述\"\r\n"));

    settings.outputTemplate = gb("#关键词#<br>#网址#|#域名#|#顶级域名#|#网址#");
    EXPECT_EQ(renderLine(settings, r),
              gb("关键词<br>http://www.example.com/a?b=1|www.example.com|www.example.com|"
                 "http://www.example.com/a?b=1\r\n"));

    // Titles are filled before descriptions, so a title holding the mark gets the text.
    settings.outputTemplate = gb("#标题#");
    EXPECT_EQ(renderLine(settings, record(gb("看#描述#这里"), "http://a.com/", "DESC")),
              gb("看DESC这里\r\n"));
    settings.outputTemplate = "no placeholder";
    EXPECT_EQ(renderLine(settings, r), "no placeholder\r\n");
}

TEST(RenderLine, EveryResultIsOneLineWhateverItsValuesHold) {
    // A description as extraction cleans it: <br> and <p> leave line breaks behind.
    const std::string description =
        trimLines(stripTags(gb("一段<br>二段<p>三\t段</p>\r\n  <br />四")));
    ASSERT_NE(description.find("\r\n"), std::string::npos);
    const ResultRecord r =
        record("\r\n" + gb("标\n题") + "  ", "http://a.com/x", description, gb("关键词"));
    CollectionSettings settings = CollectionSettings::defaults();
    for (const char* extension : {"txt", "csv"}) {
        settings.fileExtension = extension;
        const std::string line = renderLine(settings, r);
        EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2) << extension;
        EXPECT_EQ(line,
                  gb("\"标 题\",\"http://a.com/x\",\"a.com\",\"a.com\",\"一段 二段 三 段 四\"\r\n"))
            << extension;
    }
    // Text of the template itself is not touched.
    settings.outputTemplate = gb("#标题#\t\t#描述#");
    EXPECT_EQ(renderLine(settings, record("a\r\n\r\nb", "u", "c\n")), "a b\t\tc\r\n");
}

TEST(MultiReplace, PairsBySeparatorPadsMissingAndIgnoresCase) {
    EXPECT_EQ(multiReplace("a-b-c-A", "a|b|c", "1|2"), "1-2--1");
    EXPECT_EQ(multiReplace("x[s]y", "x[s]y", "1[s]2", "[s]"), "1[s]2");
    EXPECT_EQ(multiReplace("ab", "a|b", "b|c"), "cc");  // each step sees the previous result
    EXPECT_EQ(multiReplace("ab", "||", "z"), "ab");
}

TEST(RenderLine, CsvValuesInsideQuotedFieldsKeepTheirColumns) {
    CollectionSettings settings = CollectionSettings::defaults();
    settings.fileExtension = "csv";
    const ResultRecord r = record(gb("他说\"你好\""), "http://a.com/\"x", gb("一\"二"), "k");
    const std::string line = renderLine(settings, r);
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    const std::vector<std::string> fields = csvFields(line.substr(0, line.size() - 2));
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0], gb("他说\"你好\""));
    EXPECT_EQ(fields[1], "http://a.com/\"x");
    EXPECT_EQ(fields[2], "a.com");
    EXPECT_EQ(fields[4], gb("一\"二"));

    // A mark inside the title lands in the title's quoted field and is escaped too.
    settings.outputTemplate = gb("\"#标题#\",#描述#");
    EXPECT_EQ(renderLine(settings, record(gb("a#描述#b"), "u", "q\"")), "\"aq\"\"b\",q\"\r\n");
    // Unquoted placeholders and other extensions are left alone.
    settings.outputTemplate = gb("#标题#;\"#描述# / #关键词#\"");
    EXPECT_EQ(renderLine(settings, record("t\"", "u", "d\"", "k\"")), "t\";\"d\"\" / k\"\"\"\r\n");
    settings.fileExtension = "txt";
    EXPECT_EQ(renderLine(settings, record("t\"", "u", "d\"", "k\"")), "t\";\"d\" / k\"\"\r\n");
}

TEST(ResultFileNames, FileSafeKeywordAndDateTimeText) {
    EXPECT_EQ(fileSafeKeyword("a/b:c"), gb("a／b：c"));
    EXPECT_EQ(fileSafeKeyword("\\*?|<>"), gb("＼＊？｜＜＞"));
    EXPECT_EQ(fileSafeKeyword(gb("\"外星人\" 2012")), gb("外星人 2012"));
    EXPECT_EQ(fileSafeKeyword("a\r\nb\rc\nd\te "), "abcde ");
    // A two-byte character whose second byte is "\" or "|" is left whole.
    EXPECT_EQ(fileSafeKeyword("\x81\x5C\x81\x7C"), "\x81\x5C\x81\x7C");
    // NUL and every control character go; so two keywords apart only there stay apart.
    EXPECT_EQ(fileSafeKeyword(std::string("x\0a\x1b[1m\x7f", 8)), "xa[1m");
    EXPECT_NE(fileSafeKeyword(std::string("x\0a", 3)), fileSafeKeyword(std::string("x\0b", 3)));
    EXPECT_EQ(fileSafeKeyword(std::string("\x81\0/", 3)), "\x81" + gb("／"));
    // Four-byte characters are kept whole, even when a byte of them looks like a digit.
    EXPECT_EQ(fileSafeKeyword(gb("𠀀/")), gb("𠀀／"));

    EXPECT_EQ(dateTimeText({2024, 5, 6, 9, 5, 30}), gb("2024年5月6日9时5分30秒"));
    EXPECT_EQ(dateTimeText({2024, 12, 31, 9, 5, 0}), gb("2024年12月31日9时5分"));
    EXPECT_EQ(dateTimeText({2024, 5, 6, 9, 0, 0}), gb("2024年5月6日9时"));
    EXPECT_EQ(dateTimeText({2024, 5, 6, 0, 0, 0}), gb("2024年5月6日"));
    EXPECT_EQ(dateTimeText({2024, 5, 6, 0, 5, 0}), gb("2024年5月6日0时5分"));
    EXPECT_EQ(dateTimeText({2024, 5, 6, 0, 0, 7}), gb("2024年5月6日0时0分7秒"));
    const LocalDateTime now = localDateTimeNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12);
}

TEST(ResultFiles, CsvHeaderAndKeywordHeadings) {
    CollectionSettings settings = CollectionSettings::defaults();
    settings.fileExtension = "CSV";
    EXPECT_EQ(csvHeaderLine(settings), gb("\"标题\",\"网址\",\"域名\",\"顶级域名\",\"描述\"\r\n"));
    settings.fileExtension = "txt";
    EXPECT_EQ(csvHeaderLine(settings), "");
    EXPECT_EQ(keywordHeading(settings, "a", true), "a\r\n");
    EXPECT_EQ(keywordHeading(settings, "b", false), "------------------------------\r\nb\r\n");
    settings.outputTemplate = gb("#标题#<BR>");
    EXPECT_EQ(keywordHeading(settings, "c", false), "------------------------------<br>c<br>");
}

TEST(EnsureFolderPath, CreatesEveryMissingFolderAndStopsAtAFile) {
    test::TempFolder folder;
    const std::string base = programTextOfPath(folder.path());
    const std::string nested = base + "/x/" + gb("搜词取链") + "/z/";
    EXPECT_TRUE(ensureFolderPath(nested));
    EXPECT_TRUE(std::filesystem::is_directory(nativePath(nested)));
    EXPECT_TRUE(ensureFolderPath(nested));  // already there

    std::ofstream(folder.path() / "file") << "x";
    EXPECT_FALSE(ensureFolderPath(base + "/file/sub/"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "file" / "sub"));
}

}  // namespace
}  // namespace lh
