#include "collect/run_journal.h"

#include <sys/stat.h>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

namespace fs = std::filesystem;

TEST(RunJournal, ReadsBackEveryWholeRecordAndNothingACrashCutShort) {
    lh::test::TempFolder folder;
    const KeywordShard shard{1, 4};
    EXPECT_TRUE(shard.takes(5) && !shard.takes(6) && KeywordShard{}.takes(6));
    const std::vector<JournalOption> options =
        fileShapingOptions(CollectionSettings::defaults(), shard);
    const fs::path file = folder.path() / kRunJournalName;

    RunJournal journal;
    ASSERT_TRUE(journal.start(folder.path(), options, shard));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);  // it names what the user searched for
    RunJournal other;  // a second run in the folder keeps none
    EXPECT_FALSE(other.start(folder.path(), options, shard));
    journal.mergedFileOpened(gb("/出/合并.txt"), 12);
    journal.keywordStarted(1, 12, 30, gb("外 星人"), gb("百度_外 星人.txt"));
    JournalPage page;
    page.piece = 1;
    page.page = 2;
    page.fileLength = 99;
    page.fileLines = 3;
    page.totalLines = 7;
    page.rankCounter = 20;
    page.poorPageStreak = 1;
    page.nextPageUrl = "http://e/s?wd=a b&pn=20";
    page.path = gb("/出/合并.txt");
    page.titleKeys = {gb("标题 一"), ""};
    journal.pageDone(page);
    journal.keywordStarted(3, 99, 120, "b", "b.txt");  // begun, no page done
    journal.close();
    std::ofstream(file, std::ios::binary | std::ios::app) << "page 3 1 0 1";  // torn

    std::optional<RunJournalState> state = readRunJournal(file);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->options, options);
    EXPECT_EQ(state->shard, shard);
    EXPECT_EQ(state->mergedPath, gb("/出/合并.txt"));
    EXPECT_EQ(state->validLength, static_cast<long long>(fs::file_size(file)) - 12);
    ASSERT_NE(state->interrupted(), nullptr);
    EXPECT_EQ(state->interrupted()->piece, 1);
    EXPECT_EQ(state->interrupted()->nextPageUrl, page.nextPageUrl);
    EXPECT_EQ(state->confirmedLength(), 99);
    EXPECT_EQ(state->keywords.at(1).keyword, gb("外 星人"));
    EXPECT_EQ(state->keywords.at(1).titleKeys, page.titleKeys);
    EXPECT_FALSE(state->keywords.at(3).lastPage);
    EXPECT_FALSE(state->keywordFinished(1) || state->finished);

    // Going on cuts the torn record; a finished shard keeps its journal as its record.
    ASSERT_TRUE(journal.reopen(folder.path(), state->validLength));
    page.page = 3;
    page.lastPage = true;
    journal.pageDone(page);
    journal.finish(true);
    EXPECT_FALSE(fs::exists(file));
    state = readRunJournal(folder.path() / kShardRecordName);
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->finished && state->keywordFinished(1));
    EXPECT_EQ(state->interrupted(), nullptr);
    EXPECT_EQ(state->keywords.at(1).titleKeys.size(), 4u);

    EXPECT_TRUE(other.start(folder.path(), options, shard));
    other.finish(false);
    EXPECT_FALSE(fs::exists(file));

    // Anything else is no journal.
    std::ofstream(file, std::ios::binary) << "linkharvest-journal 1\npage x\n";
    EXPECT_FALSE(readRunJournal(file));
    std::ofstream(file, std::ios::binary) << "something else\n";
    EXPECT_FALSE(readRunJournal(file));
}

TEST(RunJournal, OptionsThatShapeTheFilesAreComparedAndTheFirstDifferenceNamed) {
    const CollectionSettings run = CollectionSettings::defaults();
    const auto journaled = fileShapingOptions(run, {});

    CollectionSettings other = run;
    other.resultsPerPage = 20;
    EXPECT_EQ(firstDifference(journaled, fileShapingOptions(other, {})),
              (OptionDifference{"--per-page", "50", "20"}));
    other = run;
    other.removeDuplicates = false;
    EXPECT_EQ(firstDifference(journaled, fileShapingOptions(other, {})),
              (OptionDifference{"--dedupe", "on", "off"}));
    EXPECT_EQ(firstDifference(journaled, fileShapingOptions(run, {0, 2}))->option, "--shard");
    other = run;
    other.keywordList = gb("外星人\r\n2013");
    EXPECT_EQ(firstDifference(journaled, fileShapingOptions(other, {}))->option, "--keywords");

    // The same keywords with blank lines and spaces around them, another save folder or
    // window behaviour shape the same files.
    other = run;
    other.keywordList = gb("外星人\r\n\r\n 2012 \r\n");
    other.saveFolder = "/elsewhere";
    other.resumeRun = !run.resumeRun;
    other.autoCloseVerification = !run.autoCloseVerification;
    EXPECT_EQ(firstDifference(journaled, fileShapingOptions(other, {})), std::nullopt);
}

}  // namespace
}  // namespace lh
