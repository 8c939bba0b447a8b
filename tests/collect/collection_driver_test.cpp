#include "collect/collection_driver.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "collect/scripted_steps.h"
#include "support/fake_collection_host.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

using test::FakeCollectionHost;
using test::ScriptedPage;
using test::ScriptedSteps;

std::string readFile(const std::filesystem::path& path) { return test::readFileBytes(path); }

std::string textOf(const test::TempFolder& folder) { return programTextOfPath(folder.path()); }

// One driver with a fake host and scripted engine.
struct Harness {
    Harness() {
        host.folder = textOf(folder);
        host.options.saveFolder = textOf(folder) + "/out";
        host.options.keywordList = "a";
        host.options.engine = SearchEngine::Sogou;
        host.options.resultsPerPageText = "10";
    }
    void click() { driver.onStartStopClicked(); }
    std::vector<long long> waitsOf(bool withStop) const {
        std::vector<long long> out;
        for (const auto& wait : host.waits()) {
            if (wait.withStopFlag == withStop) out.push_back(wait.ms);
        }
        return out;
    }
    long long pagesFetched() const { return static_cast<long long>(steps.writtenPerPage.size()); }

    test::TempFolder folder;
    FakeCollectionHost host;
    CollectionRun run;
    ScriptedSteps steps;
    CollectionDriver driver{host, run, steps};
};

TEST(CollectionDriver, BlankKeywordLinesAreSkippedAndPausedOnlyBetweenSearchedKeywords) {
    for (SearchEngine engine : {SearchEngine::Baidu, SearchEngine::Sogou}) {
        Harness h;
        h.host.options.engine = engine;
        h.host.options.keywordList = "a\r\n\r\n  \r\nb\r\n" + gb("　");
        h.host.options.pageLimitText = "1";
        h.click();
        EXPECT_EQ(h.steps.calls,
                  (std::vector<std::string>{"begin run", "open a", "close", "open b", "close"}));
        const std::vector<long long> pauses = h.waitsOf(true);
        if (engine == SearchEngine::Sogou) {
            EXPECT_TRUE(pauses.empty());
        } else {
            EXPECT_EQ(pauses, std::vector<long long>{5000});
            // The pause follows a's file, before b's.
            const auto& log = h.host.log;
            const auto pause = std::find(log.begin(), log.end(), "wait 5000 stop");
            ASSERT_NE(pause, log.end());
        }
        EXPECT_EQ(h.run.totalCollected, 20);
    }
}

TEST(CollectionDriver, ResultsPerPageReadsZeroAndLettersAsTenAndCapsAtHundred) {
    for (const auto& [text, expected] :
         std::vector<std::pair<std::string, int>>{{"0", 10}, {"abc", 10}, {"500", 100}, {"7", 7}}) {
        Harness h;
        h.host.options.resultsPerPageText = text;
        h.host.options.pageLimitText = "1";
        h.steps.script = [](const std::string&, long long) {
            ScriptedPage page;
            page.blocks = {150};
            return page;
        };
        h.click();
        ASSERT_EQ(h.steps.perPageSeen.size(), 1u) << text;
        EXPECT_EQ(h.steps.perPageSeen[0], expected) << text;
        EXPECT_EQ(h.run.totalCollected, expected) << text;
    }
}

TEST(CollectionDriver, PageLimitAllReadsUntilTheStopRuleAndThreeEndsAfterPageThree) {
    const auto script = [](const std::string&, long long page) {
        ScriptedPage p;
        if (page >= 6) p.writable = 0;
        return p;
    };
    for (const std::string& limit : {gb("全部"), std::string("0"), std::string("3")}) {
        Harness h;
        h.steps.script = script;
        h.host.options.pageLimitText = limit;
        h.click();
        const long long expected = limit == "3" ? 3 : 6;
        EXPECT_EQ(h.pagesFetched(), expected) << limit;
        // A pause follows every page that is not the last.
        EXPECT_EQ(static_cast<long long>(h.waitsOf(true).size()), expected - 1) << limit;
        for (long long ms : h.waitsOf(true)) {
            EXPECT_GE(ms, 5000);
            EXPECT_LE(ms, 7000);
        }
    }
}

TEST(CollectionDriver, LowRatioEndsTheKeywordFromPageFourOnOnly) {
    Harness h;
    h.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.writable = 2;  // 10 kept, 2 written: ratio 20
        return p;
    };
    h.click();
    EXPECT_EQ(h.pagesFetched(), 4);
    EXPECT_EQ(h.run.totalCollected, 8);
    EXPECT_EQ(h.run.poorPageStreak, 0);

    // Exactly 30 is not below 30: the keyword goes on until the page limit.
    Harness ok;
    ok.host.options.pageLimitText = "6";
    ok.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.writable = 3;
        return p;
    };
    ok.click();
    EXPECT_EQ(ok.pagesFetched(), 6);

    // One line written is poor on any page.
    Harness one;
    one.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.writable = 1;
        return p;
    };
    one.click();
    EXPECT_EQ(one.pagesFetched(), 1);
}

TEST(CollectionDriver, BingNeedsFiveConsecutivePoorPages) {
    Harness h;
    h.host.options.engine = SearchEngine::Bing;
    h.steps.script = [](const std::string&, long long page) {
        ScriptedPage p;
        p.writable = (page == 3) ? 1000 : 0;  // poor, poor, good, then poor on
        return p;
    };
    h.click();
    EXPECT_EQ(h.pagesFetched(), 8);  // the fifth poor page in a row (page 8) ends it
    EXPECT_EQ(h.run.poorPageStreak, 0);
    // The web view is reset before the keyword, with a 1 s wait the stop flag cannot cut.
    ASSERT_FALSE(h.host.webViewAddresses.empty());
    EXPECT_EQ(h.host.webViewAddresses[0], "about:blank");
    EXPECT_EQ(h.host.waits()[0].ms, 1000);
    EXPECT_FALSE(h.host.waits()[0].withStopFlag);

    Harness other;  // any other engine ends at the first poor page
    other.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.writable = 0;
        return p;
    };
    other.click();
    EXPECT_EQ(other.pagesFetched(), 1);
}

TEST(CollectionDriver, EmptyPagesAreTriedFourTimesWithThreeSecondWaits) {
    Harness h;
    h.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {0, 0, 3};
        p.writable = 3;
        return p;
    };
    h.host.options.pageLimitText = "1";
    h.click();
    EXPECT_EQ(h.steps.fetched.size(), 3u);
    EXPECT_EQ(h.waitsOf(false), (std::vector<long long>{3000, 3000}));
    EXPECT_EQ(h.host.status[0].at(0), gb("正在读 ") + "a" + gb(" 的第 ") + "1" + gb(" 页.."));
    EXPECT_EQ(h.host.status[1].at(0), gb("搜索中......"));
    EXPECT_EQ(h.host.status[0].at(1), "a" + gb(" 第 ") + "1" + gb(" 页,") + "3" + gb(" 个网址"));

    Harness none;
    none.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {0};
        return p;
    };
    none.click();
    EXPECT_EQ(none.steps.fetched.size(), 4u);
    EXPECT_EQ(none.waitsOf(false).size(), 3u);  // none after the fourth attempt
    EXPECT_EQ(none.host.status[0].at(1), "a" + gb(" 第 ") + "1" + gb(" 页,") + "0" + gb(" 个网址"));
}

TEST(CollectionDriver, BaiduPausesLongerAtTwentyPerPageAndEndsWithoutNextPage) {
    Harness h;
    h.host.options.engine = SearchEngine::Baidu;
    h.host.options.resultsPerPageText = "20";
    h.steps.script = [](const std::string&, long long page) {
        ScriptedPage p;
        p.blocks = {20};
        if (page < 3) p.next = "http://e/next" + std::to_string(page);
        return p;
    };
    h.click();
    EXPECT_EQ(h.pagesFetched(), 3);
    ASSERT_EQ(h.waitsOf(true).size(), 2u);
    for (long long ms : h.waitsOf(true)) {
        EXPECT_GE(ms, 10000);
        EXPECT_LE(ms, 12000);
    }
}

TEST(CollectionDriver, FormatElapsedPicksTheUnitAndDropsTrailingZeros) {
    EXPECT_EQ(formatElapsed(999), "999" + gb(" 毫秒"));
    EXPECT_EQ(formatElapsed(90000), "1.5" + gb(" 分"));
    EXPECT_EQ(formatElapsed(7200000), "2" + gb(" 时"));
    EXPECT_EQ(formatElapsed(1000), "1" + gb(" 秒"));
    EXPECT_EQ(formatElapsed(12.346), "12.35" + gb(" 毫秒"));
    EXPECT_EQ(formatElapsed(86400000.0 * 3), "3" + gb(" 天"));
    EXPECT_EQ(formatElapsed(86400000.0 * 45), "1.5" + gb(" 月"));
    EXPECT_EQ(formatElapsed(86400000.0 * 30 * 18), "1.5" + gb(" 年"));
}

TEST(CollectionDriver, CaptionsFollowTheStateTable) {
    Harness h;
    h.host.options.keywordList = "a\r\nb";
    h.host.options.pageLimitText = "1";
    h.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {2};
        return p;
    };
    // A click while the caption shows a running total (before keyword b) requests a stop.
    h.host.onEvents = [&](int) {
        if (h.host.caption.rfind(gb("已采集数 "), 0) == 0 && h.run.totalCollected == 2) {
            h.click();
        }
    };
    EXPECT_EQ(h.host.caption, gb("开始采集"));
    h.click();
    const std::vector<std::string> expected = {gb("停止采集"), gb("已采集数 1"), gb("已采集数 2"),
                                               gb("停止采集中"), gb("开始采集")};
    EXPECT_EQ(h.host.captions, expected);
    EXPECT_EQ(h.steps.calls, (std::vector<std::string>{"begin run", "open a", "close"}));
    EXPECT_EQ(h.host.mergeEnabled, (std::vector<bool>{false, true}));
    EXPECT_FALSE(h.driver.running());
    EXPECT_TRUE(h.run.stopRequested.load());  // stays set until the next start

    // The next click starts again and clears the flag.
    h.host.onEvents = nullptr;
    h.click();
    EXPECT_EQ(h.host.captions.back(), gb("开始采集"));
    EXPECT_EQ(h.run.totalCollected, 4);
}

TEST(CollectionDriver, EndOfRunReportsTotalsAndSavesTheLastPageWhenNothingWasWritten) {
    Harness h;
    h.host.options.pageLimitText = "1";
    h.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.text = "<html>nothing</html>";
        p.writable = 0;
        return p;
    };
    h.click();
    ASSERT_EQ(h.host.endMessages.size(), 1u);
    EXPECT_EQ(h.host.endMessages[0], gb("已采集完成！总采集数量 0 耗时 0 毫秒"));
    EXPECT_EQ(h.host.status[0].back(), gb("就绪"));
    EXPECT_EQ(h.host.status[1].back(), h.host.endMessages[0]);
    ASSERT_EQ(h.host.failureReports.size(), 1u);
    EXPECT_EQ(h.host.failureReports[0].title, gb("采集失败代码(已保存到软件目录下)："));
    EXPECT_EQ(h.host.failureReports[0].hint, "http://e/?q=a&p=1");
    EXPECT_EQ(h.host.failureReports[0].content, "<html>nothing</html>");
    EXPECT_EQ(readFile(h.folder.path() / nativePath(gb("采集失败代码.html"))),
              "http://e/?q=a&p=1\r\n<html>nothing</html>");
    EXPECT_FALSE(
        std::filesystem::exists(h.folder.path() / "out" / nativePath(gb("采集失败代码.html"))));
    EXPECT_TRUE(std::filesystem::is_directory(h.folder.path() / "out"));
}

TEST(CollectionDriver, UnwritableResultFileIsReportedInStatusAndEndMessage) {
    Harness h;
    h.host.options.keywordList = "a\r\nb";
    h.host.options.pageLimitText = "1";
    h.steps.script = [&](const std::string& keyword, long long) {
        if (keyword == "a") h.steps.pendingFailure = {"/ro/x.txt", "Permission denied"};
        ScriptedPage p;
        p.writable = keyword == "a" ? 0 : 3;
        return p;
    };
    h.click();
    const std::string note = gb("结果文件写入失败：") + "/ro/x.txt (Permission denied)";
    EXPECT_NE(std::find(h.host.status[1].begin(), h.host.status[1].end(), note),
              h.host.status[1].end());
    ASSERT_EQ(h.host.endMessages.size(), 1u);
    EXPECT_EQ(h.host.endMessages[0],
              gb("已采集完成！总采集数量 3 耗时 ") +
                  h.host.endMessages[0].substr(gb("已采集完成！总采集数量 3 耗时 ").size(),
                                               h.host.endMessages[0].find("\r\n") -
                                                   gb("已采集完成！总采集数量 3 耗时 ").size()) +
                  "\r\n" + note);
    EXPECT_EQ(h.steps.calls,
              (std::vector<std::string>{"begin run", "open a", "close", "open b", "close"}));
}

TEST(CollectionDriver, StopDuringADownloadEndsTheRunAtTheNextCheck) {
    Harness h;
    h.host.options.keywordList = "a\r\nb";
    h.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {0};  // would be retried four times
        return p;
    };
    h.steps.onFetch = [&](const std::string&) { h.click(); };
    h.click();
    EXPECT_EQ(h.steps.fetched.size(), 1u);  // no second attempt, no keyword b
    EXPECT_TRUE(h.waitsOf(false).empty());  // and no retry wait
    EXPECT_EQ(h.steps.calls, (std::vector<std::string>{"begin run", "open a", "close"}));
    EXPECT_EQ(h.host.captions,
              (std::vector<std::string>{gb("停止采集"), gb("停止采集中"), gb("开始采集")}));
    EXPECT_EQ(h.steps.openPages, 0);
    EXPECT_EQ(h.host.endMessages.size(), 1u);
}

TEST(CollectionDriver, StopDuringAPauseCutsItShort) {
    Harness h;
    h.host.onWait = [&](long long, bool withStop) {
        if (withStop) h.driver.requestStop();
    };
    h.click();
    EXPECT_EQ(h.pagesFetched(), 1);
    EXPECT_TRUE(h.run.stopRequested.load());
    EXPECT_EQ(h.host.caption, gb("开始采集"));
}

TEST(CollectionDriver, MergedRunOpensOneFileAndWritesHeadings) {
    Harness h;
    h.host.options.keywordList = "\r\na\r\nb";
    h.host.options.pageLimitText = "1";
    h.host.options.mergeIntoOneFile = true;
    h.host.options.keywordSeparatorLine = true;
    h.click();
    EXPECT_EQ(h.steps.calls, (std::vector<std::string>{"begin run", "open merged", "heading a",
                                                       "heading b", "close"}));
}

TEST(CollectionDriver, RepeatedNextPageEndsBaiduKeyword) {
    Harness h;
    h.host.options.engine = SearchEngine::Baidu;
    h.steps.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.next = "http://e/same";
        return p;
    };
    h.click();
    EXPECT_EQ(h.pagesFetched(), 2);
}

TEST(EnsureFolderPath, CreatesEveryMissingFolderAndStopsAtAFile) {
    test::TempFolder folder;
    const std::string nested = textOf(folder) + "/x/" + gb("搜词取链") + "/z/";
    EXPECT_TRUE(ensureFolderPath(nested));
    EXPECT_TRUE(std::filesystem::is_directory(nativePath(nested)));
    EXPECT_TRUE(ensureFolderPath(nested));  // already there

    std::ofstream(folder.path() / "file") << "x";
    EXPECT_FALSE(ensureFolderPath(textOf(folder) + "/file/sub/"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "file" / "sub"));
}

}  // namespace
}  // namespace lh
