#include "collect/result_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "collect/result_line.h"
#include "collect/search_engine.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

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

struct Fixture {
    test::TempFolder folder;
    CollectionSettings settings = CollectionSettings::defaults();
    CollectionRun run;
    Fixture() { run.saveFolder = programTextOfPath(folder.path()) + folderSeparator(); }
    std::string read(const std::string& name) { return test::readFileBytes(nativePath(name)); }
};

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

TEST(ResultFileNames, KeywordsWithOneFileSafeFormGetNumberedFilesWithinARun) {
    Fixture f;
    f.settings.engine = SearchEngine::Sogou;
    const std::string plain = f.run.saveFolder + gb("搜狗_ab.txt");
    {
        std::ofstream old(nativePath(plain), std::ios::binary);
        old << "earlier run";
    }
    ASSERT_TRUE(openKeywordFile(f.settings, f.run, "ab"));
    EXPECT_EQ(f.run.outputFile.path(), plain);
    EXPECT_EQ(f.read(plain), "");  // an earlier run's file is replaced
    f.run.outputFile.append("first\r\n");
    ASSERT_TRUE(openKeywordFile(f.settings, f.run, "a\"b"));
    EXPECT_EQ(f.run.outputFile.path(), f.run.saveFolder + gb("搜狗_ab (2).txt"));
    f.run.outputFile.append("second\r\n");
    ASSERT_TRUE(openKeywordFile(f.settings, f.run, "a\tb"));
    EXPECT_EQ(f.run.outputFile.path(), f.run.saveFolder + gb("搜狗_ab (3).txt"));
    f.run.outputFile.close();
    EXPECT_EQ(f.read(plain), "first\r\n");
    EXPECT_EQ(f.read(f.run.saveFolder + gb("搜狗_ab (2).txt")), "second\r\n");

    // Merged: a file of the same second already there is kept; ours is numbered.
    const LocalDateTime start{2024, 5, 6, 9, 5, 30};
    const std::string merged = f.run.saveFolder + gb("2024年5月6日9时5分30秒.txt");
    EXPECT_EQ(mergedFileName(f.settings, f.run, start), merged);
    {
        std::ofstream earlier(nativePath(merged), std::ios::binary);
        earlier << "earlier merged run";
    }
    ASSERT_TRUE(openMergedFile(f.settings, f.run, start));
    EXPECT_EQ(f.run.outputFile.path(), f.run.saveFolder + gb("2024年5月6日9时5分30秒 (2).txt"));
    EXPECT_EQ(f.read(merged), "earlier merged run");

    // A new run may use the plain keyword name again (and replaces that file).
    resetRunOutput(f.run);
    EXPECT_TRUE(f.run.usedFileNames.empty());
    EXPECT_FALSE(f.run.outputFile.isOpen());
    EXPECT_EQ(keywordFileName(f.settings, f.run, "a\"b"), plain);
}

TEST(ResultFiles, CsvHeaderAndMergedKeywordHeadings) {
    Fixture f;
    f.settings.fileExtension = "CSV";
    ASSERT_TRUE(openKeywordFile(f.settings, f.run, "k"));
    f.run.outputFile.close();
    EXPECT_EQ(f.read(f.run.outputFile.path()),
              gb("\"标题\",\"网址\",\"域名\",\"顶级域名\",\"描述\"\r\n"));
    f.settings.fileExtension = "txt";
    EXPECT_EQ(csvHeaderLine(f.settings), "");

    ASSERT_TRUE(openMergedFile(f.settings, f.run, {2025, 1, 2, 3, 4, 5}));
    ASSERT_TRUE(writeKeywordHeading(f.settings, f.run, "a", true));
    ASSERT_TRUE(writeKeywordHeading(f.settings, f.run, "b", false));
    f.run.outputFile.close();
    EXPECT_EQ(f.read(f.run.outputFile.path()), "a\r\n------------------------------\r\nb\r\n");
    f.settings.outputTemplate = gb("#标题#<BR>");
    EXPECT_EQ(keywordHeading(f.settings, "c", false), "------------------------------<br>c<br>");
}

TEST(WritePageResults, DuplicateScopeKeysAndPerPageLimit) {
    Fixture f;
    f.settings.outputTemplate = gb("#网址#");
    std::vector<long long> captions;
    const auto onLine = [&](long long total) { captions.push_back(total); };
    const std::vector<ResultRecord> page = {
        record("A", "http://a.com/"), record("B", "http://b.com/"), record("A2", "http://a.com/"),
        record("C", "http://c.com/")};
    // Per keyword: the driver empties seenKeys for each keyword's own file.
    f.run.totalCollected = 7;
    ASSERT_TRUE(openKeywordFile(f.settings, f.run, "k1"));
    EXPECT_EQ(writePageResults(f.settings, f.run, page, 10, onLine), 3);
    EXPECT_EQ(captions, (std::vector<long long>{8, 9, 10}));
    f.run.seenKeys.clear();
    ASSERT_TRUE(openKeywordFile(f.settings, f.run, "k2"));
    EXPECT_EQ(writePageResults(f.settings, f.run, page, 2), 2);  // stops at perPage
    f.run.outputFile.close();
    EXPECT_EQ(f.read(f.run.saveFolder + gb("百度_k1.txt")),
              "http://a.com/\r\nhttp://b.com/\r\nhttp://c.com/\r\n");
    EXPECT_EQ(f.read(f.run.saveFolder + gb("百度_k2.txt")), "http://a.com/\r\nhttp://b.com/\r\n");

    // Merged: one scope for the whole run.
    f.run.seenKeys.clear();
    ASSERT_TRUE(openMergedFile(f.settings, f.run, {2025, 1, 1, 0, 0, 0}));
    EXPECT_EQ(writePageResults(f.settings, f.run, page, 10), 3);
    EXPECT_EQ(writePageResults(f.settings, f.run, page, 10), 0);
    EXPECT_EQ(writePageResults(f.settings, f.run, {record("X", "http://A.com/")}, 10),
              1);  // exact text

    // Baidu mobile keys on the title; other engines on the whole line.
    f.settings.outputTemplate = gb("#标题#|#网址#");
    const std::vector<ResultRecord> sameTitle = {record("T", "http://x.com/"),
                                                 record("T", "http://y.com/")};
    f.run.seenKeys.clear();
    EXPECT_EQ(writePageResults(f.settings, f.run, sameTitle, 10), 2);
    f.settings.engine = SearchEngine::BaiduMobile;
    f.run.seenKeys.clear();
    EXPECT_EQ(writePageResults(f.settings, f.run, sameTitle, 10), 1);
    EXPECT_EQ(f.run.seenKeys.count("T"), 1u);
    f.settings.removeDuplicates = false;
    EXPECT_EQ(writePageResults(f.settings, f.run, sameTitle, 10), 2);
}

TEST(WritePageResults, LinesTheFileRefusedAreNotCounted) {
    Fixture f;
    f.run.saveFolder = programTextOfPath(f.folder.path() / "missing") + folderSeparator();
    EXPECT_FALSE(openKeywordFile(f.settings, f.run, "k"));
    std::vector<long long> captions;
    EXPECT_EQ(writePageResults(f.settings, f.run,
                               {record("A", "http://a.com/"), record("B", "http://b.com/")}, 10,
                               [&](long long total) { captions.push_back(total); }),
              0);
    EXPECT_TRUE(captions.empty());
    EXPECT_TRUE(f.run.seenKeys.empty());  // so a later, writable file still gets them
    EXPECT_EQ(f.run.outputFile.failure().fileName, f.run.saveFolder + gb("百度_k.txt"));
    EXPECT_NE(f.run.outputFile.failure().reason, "");
    EXPECT_EQ(f.run.outputFile.lostAppends(), 2);

    EXPECT_EQ(collectedCountCaption(12), gb("已采集数 12"));
}

}  // namespace
}  // namespace lh
