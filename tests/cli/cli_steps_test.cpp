#include "cli/cli_steps.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/memory_stream.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh::cli {
namespace {

// Writes what a real engine's steps would: files opened in a folder, lines appended.
class WritingSteps : public CollectionSteps {
public:
    WritingSteps(CollectionRun& run, std::string folder) : run_(run), folder_(std::move(folder)) {}

    void openMergedFile(const CollectionSettings&) override {
        run_.outputFile.open(folder_ + "/merged.csv");
        run_.outputFile.append("header\r\n");
    }
    void openKeywordFile(const CollectionSettings&, const std::string& keyword) override {
        run_.outputFile.open(folder_ + "/" + keyword + ".txt");
    }
    void writeKeywordHeading(const CollectionSettings&, const std::string& keyword, bool) override {
        run_.outputFile.append(keyword + "\r\n");
    }
    void closeFile() override { run_.outputFile.close(); }
    ResultFileFailure takeFileFailure() override { return {}; }
    void beginRun() override {}
    std::string googleBase(bool) override { return "https://www.google.com/"; }
    void beginPage() override { cookiesAtPageStart.push_back(run_.cookieText); }
    void endPage() override {}
    std::string searchUrl(const std::string&, long long) override { return {}; }
    std::string fetchResultPage(const std::string&) override { return {}; }
    std::size_t extractResultBlocks(const std::string&) override { return 0; }
    std::string block(std::size_t) override { return {}; }
    std::string nextPageUrl(const std::string&, const std::string&) override { return {}; }
    bool rankSelected(long long) override { return true; }
    ResultRecord parseResult(const std::string&) override { return {}; }
    std::string resolveResultLink(const std::string& a) override { return a; }
    bool acceptResult(const ResultRecord&) override { return true; }
    long long writePageResults(const std::vector<ResultRecord>& records, int,
                               const std::function<void(long long)>&) override {
        for (const ResultRecord& r : records) run_.outputFile.append(r.title + "\r\n");
        return static_cast<long long>(records.size());
    }

    std::vector<std::string> cookiesAtPageStart;

private:
    CollectionRun& run_;
    std::string folder_;
};

std::vector<ResultRecord> titled(std::initializer_list<std::string> titles) {
    std::vector<ResultRecord> records;
    for (const std::string& t : titles) {
        ResultRecord r;
        r.title = t;
        records.push_back(r);
    }
    return records;
}

using Mirror = test::MemoryStream;

TEST(CliSteps, StdoutGetsEveryByteOfEveryFileAsItIsWritten) {
    test::TempFolder folder;
    CollectionRun run;
    WritingSteps inner(run, folder.path().string());
    Mirror out;
    CliSteps steps(inner, run, {.startCookieText = {}, .mirror = out.file(), .utf8 = false});
    const CollectionSettings settings = CollectionSettings::defaults();

    steps.openKeywordFile(settings, "a");
    steps.writePageResults(titled({gb("标题一"), "t2"}), 10, {});
    EXPECT_EQ(out.text(), gb("标题一") + "\r\nt2\r\n");  // there before the next page
    steps.writePageResults(titled({"t3"}), 10, {});
    steps.closeFile();
    steps.openKeywordFile(settings, "b");
    steps.writePageResults(titled({"u1"}), 10, {});
    steps.closeFile();
    EXPECT_EQ(out.text(), gb("标题一") + "\r\nt2\r\nt3\r\nu1\r\n");

    Mirror utf8;
    CliSteps merged(inner, run, {.startCookieText = {}, .mirror = utf8.file(), .utf8 = true});
    merged.openMergedFile(settings);
    merged.writeKeywordHeading(settings, "k", true);
    merged.writePageResults(titled({gb("标题一")}), 10, {});
    merged.closeFile();
    EXPECT_EQ(utf8.text(), "header\nk\n标题一\n");
}

TEST(CliSteps, AStdoutThatTakesNothingMoreStopsTheRun) {
    test::TempFolder folder;
    CollectionRun run;
    WritingSteps inner(run, folder.path().string());
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    CliSteps steps(inner, run, {.startCookieText = {}, .mirror = full, .utf8 = false});
    steps.openKeywordFile(CollectionSettings::defaults(), "a");
    EXPECT_TRUE(steps.mirrorOk());
    steps.writePageResults(titled({"t1"}), 10, {});
    EXPECT_FALSE(steps.mirrorOk());
    EXPECT_TRUE(run.stopRequested.load());
    std::fclose(full);
}

TEST(CliSteps, CookiesFileStartsEveryRunUnlessTheRunHasCookiesAlready) {
    test::TempFolder folder;
    CollectionRun run;
    WritingSteps inner(run, folder.path().string());
    CliSteps steps(inner, run, {.startCookieText = "a=1", .mirror = nullptr, .utf8 = false});

    steps.beginRun();
    run.cookieText.clear();  // the run's own reset at its start
    steps.beginPage();
    run.cookieText = "solved=1";  // a verification took the browser's cookies
    steps.beginPage();
    steps.beginRun();  // the next run
    run.cookieText.clear();
    steps.beginPage();
    EXPECT_EQ(inner.cookiesAtPageStart, (std::vector<std::string>{"a=1", "solved=1", "a=1"}));
}

}  // namespace
}  // namespace lh::cli
