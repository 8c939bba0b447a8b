#include "collect/output_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "collect/result_line.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

ResultRecord record(const std::string& title, const std::string& address) {
    return {title, address, "k", "d"};
}

struct Fixture {
    test::TempFolder folder;
    const std::string base = programTextOfPath(folder.path());
    CollectionSettings settings = CollectionSettings::defaults();
    OutputWriter out;
    Fixture() { out.beginRun(base); }
    std::string read(const std::string& name) { return test::readFileBytes(nativePath(name)); }
    std::string path(const char* utf8Name) { return base + "/" + gb(utf8Name); }
};

TEST(OutputWriter, KeywordsWithOneFileSafeFormGetNumberedFilesWithinARun) {
    Fixture f;
    f.settings.engine = SearchEngine::Sogou;
    const std::string plain = f.path("搜狗_ab.txt");
    std::ofstream(nativePath(plain), std::ios::binary) << "earlier run";
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "ab"));
    EXPECT_EQ(f.out.currentFile().path(), plain);
    EXPECT_EQ(f.read(plain), "");  // an earlier run's file is replaced
    f.out.writeKeywordHeading(f.settings, "first", true);
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "a\"b"));
    EXPECT_EQ(f.out.currentFile().path(), f.path("搜狗_ab (2).txt"));
    f.out.writeKeywordHeading(f.settings, "second", true);
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "a\tb"));
    EXPECT_EQ(f.out.currentFile().path(), f.path("搜狗_ab (3).txt"));
    f.out.closeFile();
    EXPECT_EQ(f.read(plain), "first\r\n");
    EXPECT_EQ(f.read(f.path("搜狗_ab (2).txt")), "second\r\n");

    // Merged: a file of the same second already there is kept; ours is numbered.
    const LocalDateTime start{2024, 5, 6, 9, 5, 30};
    const std::string merged = f.path("2024年5月6日9时5分30秒.txt");
    EXPECT_EQ(f.out.mergedFileName(f.settings, start), merged);
    std::ofstream(nativePath(merged), std::ios::binary) << "earlier merged run";
    ASSERT_TRUE(f.out.openMergedFile(f.settings, start));
    EXPECT_EQ(f.out.currentFile().path(), f.path("2024年5月6日9时5分30秒 (2).txt"));
    EXPECT_FALSE(f.out.takeFileInUse());  // an earlier run's file, not one in use
    EXPECT_EQ(f.read(merged), "earlier merged run");

    // A new run may use the plain keyword name again (and replaces that file).
    f.out.beginRun(f.base);
    EXPECT_FALSE(f.out.currentFile().isOpen());
    EXPECT_TRUE(f.out.files().empty());
    EXPECT_EQ(f.out.keywordFileName(f.settings, "a\"b"), plain);
}

TEST(OutputWriter, AFileAnotherRunHoldsIsLeftWholeAndTheRunSaysWhichNameItTook) {
    Fixture f;
    f.settings.engine = SearchEngine::Sogou;
    const std::string plain = f.path("搜狗_ab.txt");
    OutputWriter other;
    other.beginRun(f.base);
    ASSERT_TRUE(other.openKeywordFile(f.settings, "ab"));
    other.writeKeywordHeading(f.settings, "other", true);

    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "ab"));
    EXPECT_EQ(f.out.currentFile().path(), f.path("搜狗_ab (2).txt"));
    EXPECT_EQ(f.out.takeFileInUse(), (FileInUse{plain, f.path("搜狗_ab (2).txt")}));
    EXPECT_FALSE(f.out.takeFileInUse());
    // The other run's closed file stays its own until that run ends.
    other.closeFile();
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "a\"b"));
    EXPECT_EQ(f.out.currentFile().path(), f.path("搜狗_ab (3).txt"));
    EXPECT_EQ(f.read(plain), "other\r\n");

    other.endRun();
    f.out.beginRun(f.base);
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "ab"));
    EXPECT_EQ(f.out.currentFile().path(), plain);
    EXPECT_FALSE(f.out.takeFileInUse());
    EXPECT_EQ(f.read(plain), "");
}

TEST(OutputWriter, KeywordsTooLongForAFileNameAreCutOnACharacterAndKeepTheirOwnFiles) {
    Fixture f;
    std::string twoByte, fourByte;
    for (int i = 0; i < 200; ++i) twoByte += gb("词");
    for (int i = 0; i < 100; ++i) fourByte += gb("𠀀");
    for (const std::string& stem : {twoByte, fourByte, std::string(300, 'a')}) {
        const std::string first = stem + gb("甲"), second = stem + gb("乙");
        ASSERT_TRUE(f.out.openKeywordFile(f.settings, first));
        const std::string name = f.out.currentFile().path();
        f.out.writeKeywordHeading(f.settings, "1", true);
        ASSERT_TRUE(f.out.openKeywordFile(f.settings, second));
        EXPECT_NE(f.out.currentFile().path(), name);
        f.out.writeKeywordHeading(f.settings, "2", true);
        f.out.closeFile();
        OutputWriter later;  // names are the same in every run
        later.beginRun(f.base);
        EXPECT_EQ(later.keywordFileName(f.settings, first), name);
        EXPECT_EQ(f.read(name), "1\r\n");

        bool whole = true;
        const std::string native = convertCharset(name, "GB18030", "UTF-8", &whole);
        EXPECT_TRUE(whole) << native;
        const std::string fileName = native.substr(native.rfind('/') + 1);
        EXPECT_LE(fileName.size(), kMaxFileNameBytes);
        EXPECT_GT(fileName.size(), kMaxFileNameBytes - 8);
    }
}

TEST(OutputWriter, CsvFilesStartWithTheHeaderAndMergedFilesCarryHeadings) {
    Fixture f;
    f.settings.fileExtension = "CSV";
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "k"));
    f.out.closeFile();
    EXPECT_EQ(f.read(f.out.currentFile().path()),
              gb("\"标题\",\"网址\",\"域名\",\"顶级域名\",\"描述\"\r\n"));

    f.settings.fileExtension = "txt";
    ASSERT_TRUE(f.out.openMergedFile(f.settings, {2025, 1, 2, 3, 4, 5}));
    ASSERT_TRUE(f.out.writeKeywordHeading(f.settings, "a", true));
    ASSERT_TRUE(f.out.writeKeywordHeading(f.settings, "b", false));
    f.out.closeFile();
    EXPECT_EQ(f.read(f.out.currentFile().path()), "a\r\n------------------------------\r\nb\r\n");
}

TEST(OutputWriter, DuplicateScopeKeysPerPageLimitAndCounts) {
    Fixture f;
    f.settings.outputTemplate = gb("#网址#");
    std::vector<long long> totals;
    const auto onLine = [&](long long total) { totals.push_back(total); };
    const std::vector<ResultRecord> page = {
        record("A", "http://a.com/"), record("B", "http://b.com/"), record("A2", "http://a.com/"),
        record("C", "http://c.com/")};
    // Per keyword: the driver starts a new scope for each keyword's own file.
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "k1"));
    EXPECT_EQ(f.out.writePage(f.settings, page, 10, onLine), 3);
    f.out.forgetKeys();
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "k2"));
    EXPECT_EQ(f.out.writePage(f.settings, page, 2, onLine), 2);  // stops at perPage
    f.out.closeFile();
    EXPECT_EQ(totals, (std::vector<long long>{1, 2, 3, 4, 5}));  // the run's running total
    EXPECT_EQ(f.read(f.path("百度_k1.txt")), "http://a.com/\r\nhttp://b.com/\r\nhttp://c.com/\r\n");
    EXPECT_EQ(f.read(f.path("百度_k2.txt")), "http://a.com/\r\nhttp://b.com/\r\n");
    EXPECT_EQ(f.out.files(),
              (std::vector<WrittenFile>{{f.path("百度_k1.txt"), 3}, {f.path("百度_k2.txt"), 2}}));
    EXPECT_EQ(f.out.totalLines(), 5);

    // Merged: one scope for the whole run.
    f.out.forgetKeys();
    ASSERT_TRUE(f.out.openMergedFile(f.settings, {2025, 1, 1, 0, 0, 0}));
    EXPECT_EQ(f.out.writePage(f.settings, page, 10), 3);
    EXPECT_EQ(f.out.writePage(f.settings, page, 10), 0);
    EXPECT_EQ(f.out.writePage(f.settings, {record("X", "http://A.com/")}, 10), 1);  // exact text

    // Baidu mobile keys on the title; other engines on the whole line.
    f.settings.outputTemplate = gb("#标题#|#网址#");
    const std::vector<ResultRecord> sameTitle = {record("T", "http://x.com/"),
                                                 record("T", "http://y.com/")};
    f.out.forgetKeys();
    EXPECT_EQ(f.out.writePage(f.settings, sameTitle, 10), 2);
    f.settings.engine = SearchEngine::BaiduMobile;
    f.out.forgetKeys();
    EXPECT_EQ(f.out.writePage(f.settings, sameTitle, 10), 1);
    EXPECT_TRUE(f.out.remembersKey("T"));
    f.settings.removeDuplicates = false;
    EXPECT_EQ(f.out.writePage(f.settings, sameTitle, 10), 2);
}

TEST(OutputWriter, LinesTheFileRefusedAreNotCounted) {
    Fixture f;
    std::ofstream(f.folder.path() / "blocked") << "a file where the folder should be";
    f.out.beginRun(f.base + "/blocked/out");
    EXPECT_FALSE(f.out.openKeywordFile(f.settings, "k"));
    std::vector<long long> totals;
    EXPECT_EQ(
        f.out.writePage(f.settings, {record("A", "http://a.com/"), record("B", "http://b.com/")},
                        10, [&](long long total) { totals.push_back(total); }),
        0);
    EXPECT_TRUE(totals.empty());
    EXPECT_FALSE(f.out.remembersKey(renderLine(f.settings, record("A", "http://a.com/"))));
    EXPECT_EQ(f.out.currentFile().failure().fileName, f.base + "/blocked/out/" + gb("百度_k.txt"));
    EXPECT_NE(f.out.currentFile().failure().reason, "");
    EXPECT_EQ(f.out.currentFile().lostAppends(), 2);
    EXPECT_EQ(f.out.takeFailure().reason, utf8ToGb("Not a directory"));
    EXPECT_TRUE(f.out.takeFailure().empty());  // taken once
    EXPECT_EQ(f.out.totalLines(), 0);
}

// Records every piece a sink is given.
struct Collecting : OutputSink {
    std::string bytes;
    int flushes = 0;
    bool take(std::string_view piece) override {
        bytes.append(piece);
        return true;
    }
    bool flush() override {
        ++flushes;
        return true;
    }
};

TEST(OutputWriter, SinksGetEveryWrittenByteAndWithoutFilesNothingReachesTheDisk) {
    Fixture f;
    Collecting sink;
    f.out.addSink(sink);
    f.settings.fileExtension = "csv";
    f.settings.outputTemplate = gb("#标题#");
    ASSERT_TRUE(f.out.openKeywordFile(f.settings, "k"));
    f.out.writePage(f.settings, {record(gb("标题一"), "u1"), record("t2", "u2")}, 10);
    EXPECT_EQ(sink.bytes, gb("标题\r\n标题一\r\nt2\r\n"));  // there before the file closes
    f.out.closeFile();
    EXPECT_EQ(f.read(f.out.currentFile().path()), sink.bytes);
    EXPECT_GE(sink.flushes, 2);

    test::TempFolder empty;
    OutputWriter noFiles(/*writeFiles=*/false);
    Collecting only;
    noFiles.addSink(only);
    noFiles.beginRun(programTextOfPath(empty.path()) + "/never/made");
    ASSERT_TRUE(noFiles.openMergedFile(f.settings, {2025, 1, 1, 0, 0, 0}));
    noFiles.writeKeywordHeading(f.settings, "k", true);
    EXPECT_EQ(noFiles.writePage(f.settings, {record("t", "u")}, 10), 1);
    noFiles.closeFile();
    EXPECT_EQ(only.bytes, gb("标题\r\nk\r\nt\r\n"));
    EXPECT_TRUE(noFiles.files().empty());
    EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
}

}  // namespace
}  // namespace lh
