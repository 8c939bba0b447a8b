#include "collect/collection_driver.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "collect/output_writer.h"
#include "collect/run_status_texts.h"
#include "collect/scripted_pages.h"
#include "support/fake_run_host.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

using test::FakeRunHost;
using test::ScriptedPage;
using test::ScriptedPages;

// One driver with a fake host, scripted engine pages and a real writer in a fresh folder.
struct Harness {
    Harness() {
        host.options.saveFolder = folderText() + "/out";
        host.options.keywordList = "a";
        host.options.engine = SearchEngine::Sogou;
        host.options.resultsPerPage = 10;
    }
    void click() { driver.onStartStopClicked(); }
    std::string folderText() const { return programTextOfPath(folder.path()); }
    std::vector<long long> waitsOf(bool withStop) const {
        std::vector<long long> out;
        for (const auto& wait : host.clock.waits()) {
            if (wait.withStopFlag == withStop) out.push_back(wait.ms);
        }
        return out;
    }
    long long pagesDone() const {
        return static_cast<long long>(host.progress.all<PageDone>().size());
    }
    std::vector<std::string> fileNames() const {
        std::vector<std::string> names;
        for (const WrittenFile& file : output.files()) {
            names.push_back(file.path.substr(file.path.rfind('/') + 1));
        }
        return names;
    }

    test::TempFolder folder;
    FakeRunHost host;
    ScriptedPages pages;
    OutputWriter output;
    EngineSession session;
    CollectionDriver driver{host.surroundings(),
                            {pages, output, session, programTextOfPath(folder.path()), ""}};
};

ScriptedPage withFresh(long long fresh) {
    ScriptedPage page;
    page.fresh = fresh;
    return page;
}

TEST(CollectionDriver, BlankKeywordLinesAreSkippedAndPausedOnlyBetweenSearchedKeywords) {
    for (SearchEngine engine : {SearchEngine::Baidu, SearchEngine::Sogou}) {
        Harness h;
        h.host.options.engine = engine;
        h.host.options.keywordList = "a\r\n\r\n  \r\nb\r\n" + gb("　");
        h.host.options.pageLimit = PageLimit{1};
        h.click();
        const std::string& name = engineProfile(engine).displayName;
        EXPECT_EQ(h.fileNames(), (std::vector<std::string>{name + "_a.txt", name + "_b.txt"}));
        const std::vector<long long> pauses = h.waitsOf(true);
        if (engine == SearchEngine::Sogou) {
            EXPECT_TRUE(pauses.empty());
        } else {
            EXPECT_EQ(pauses, std::vector<long long>{5000});
        }
        EXPECT_EQ(h.output.totalLines(), 20);
    }
}

TEST(CollectionDriver, ResultsPerPageReadsZeroAndLettersAsTenAndCapsAtHundred) {
    for (const auto& [text, expected] :
         std::vector<std::pair<std::string, int>>{{"0", 10}, {"abc", 10}, {"500", 100}, {"7", 7}}) {
        Harness h;
        h.host.options.resultsPerPage = resultsPerPageFromText(text);
        h.host.options.pageLimit = PageLimit{1};
        h.pages.script = [](const std::string&, long long) {
            ScriptedPage page;
            page.blocks = {150};
            return page;
        };
        h.click();
        ASSERT_EQ(h.pagesDone(), 1) << text;
        EXPECT_EQ(h.host.progress.all<PageDone>()[0].linesWritten, expected) << text;
        EXPECT_EQ(h.output.totalLines(), expected) << text;
    }
}

TEST(CollectionDriver, PageLimitAllReadsUntilTheStopRuleAndThreeEndsAfterPageThree) {
    const auto script = [](const std::string&, long long page) {
        return withFresh(page >= 6 ? 0 : 1000);
    };
    for (const std::string& limit : {gb("全部"), std::string("0"), std::string("3")}) {
        Harness h;
        h.pages.script = script;
        h.host.options.pageLimit = PageLimit::fromText(limit);
        h.click();
        const long long expected = limit == "3" ? 3 : 6;
        EXPECT_EQ(h.pagesDone(), expected) << limit;
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
    h.pages.script = [](const std::string&, long long) { return withFresh(2); };  // ratio 20
    h.click();
    EXPECT_EQ(h.pagesDone(), 4);
    EXPECT_EQ(h.output.totalLines(), 8);

    // Exactly 30 is not below 30: the keyword goes on until the page limit.
    Harness ok;
    ok.host.options.pageLimit = PageLimit{6};
    ok.pages.script = [](const std::string&, long long) { return withFresh(3); };
    ok.click();
    EXPECT_EQ(ok.pagesDone(), 6);

    // One line written is poor on any page.
    Harness one;
    one.pages.script = [](const std::string&, long long) { return withFresh(1); };
    one.click();
    EXPECT_EQ(one.pagesDone(), 1);
}

TEST(CollectionDriver, BingNeedsFiveConsecutivePoorPages) {
    Harness h;
    h.host.options.engine = SearchEngine::Bing;
    h.pages.script = [](const std::string&, long long page) {
        return withFresh(page == 3 ? 1000 : 0);  // poor, poor, good, then poor on
    };
    h.click();
    EXPECT_EQ(h.pagesDone(), 8);  // the fifth poor page in a row (page 8) ends it
    // The web view is reset before the keyword, with a 1 s wait a stop request cuts short.
    ASSERT_FALSE(h.host.browser.webViewAddresses.empty());
    EXPECT_EQ(h.host.browser.webViewAddresses[0], "about:blank");
    EXPECT_EQ(h.host.clock.waits()[0].ms, 1000);
    EXPECT_TRUE(h.host.clock.waits()[0].withStopFlag);

    Harness other;  // any other engine ends at the first poor page
    other.pages.script = [](const std::string&, long long) { return withFresh(0); };
    other.click();
    EXPECT_EQ(other.pagesDone(), 1);
}

TEST(CollectionDriver, EmptyPagesAreTriedFourTimesWithThreeSecondWaits) {
    Harness h;
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {0, 0, 3};
        return p;
    };
    h.host.options.pageLimit = PageLimit{1};
    h.click();
    EXPECT_EQ(h.pages.fetched.size(), 3u);
    // A stop request ends the retry pauses too.
    EXPECT_EQ(h.waitsOf(true), (std::vector<long long>{3000, 3000}));
    const auto& status = h.host.progress.status;
    EXPECT_EQ(status[0].at(0), gb("正在读 ") + "a" + gb(" 的第 ") + "1" + gb(" 页.."));
    EXPECT_EQ(status[1].at(0), gb("搜索中......"));
    EXPECT_EQ(status[0].at(1), "a" + gb(" 第 ") + "1" + gb(" 页,") + "3" + gb(" 个网址"));
    EXPECT_EQ(status[1].at(1), "t/a/1/0(http://r/a/1/0)");

    Harness none;
    none.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {0};
        return p;
    };
    none.click();
    EXPECT_EQ(none.pages.fetched.size(), 4u);
    EXPECT_EQ(none.waitsOf(true).size(), 3u);  // none after the fourth attempt
    EXPECT_EQ(none.host.progress.status[0].at(1),
              "a" + gb(" 第 ") + "1" + gb(" 页,") + "0" + gb(" 个网址"));
}

TEST(CollectionDriver, FailedDownloadsAndLookUpsAreReportedButNotAStop) {
    Harness h;
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {0, 0, 3};
        p.fresh = 2;
        return p;
    };
    h.pages.downloads = {{.failure = TransferFailure::CutShort, .reason = "cut"},
                         {.failure = TransferFailure::Stopped}};
    h.pages.linkFailure = {.failure = TransferFailure::TimedOut, .reason = "late"};
    h.host.options.pageLimit = PageLimit{1};
    h.click();
    const auto failed = h.host.progress.all<DownloadFailed>();
    ASSERT_EQ(failed.size(), 4u);  // the cut attempt (not the stopped one), three look-ups
    EXPECT_EQ(failed[0].purpose, DownloadPurpose::ResultPage);
    EXPECT_EQ(failed[0].address, "http://e/?q=a&p=1");
    EXPECT_EQ(failed[0].outcome.reason, "cut");
    EXPECT_EQ(failed[1].purpose, DownloadPurpose::ResultLink);
    EXPECT_EQ(failed[1].address, "http://r/a/1/0");
    EXPECT_EQ(failed[1].outcome.failure, TransferFailure::TimedOut);
    EXPECT_EQ(h.output.totalLines(), 2);  // unresolved links are still written
}

TEST(CollectionDriver, BaiduPausesLongerAtTwentyPerPageAndEndsWithoutNextPage) {
    Harness h;
    h.host.options.engine = SearchEngine::Baidu;
    h.host.options.resultsPerPage = 20;
    h.pages.script = [](const std::string&, long long page) {
        ScriptedPage p;
        p.blocks = {20};
        if (page < 3) p.next = "http://e/next" + std::to_string(page);
        return p;
    };
    h.click();
    EXPECT_EQ(h.pagesDone(), 3);
    ASSERT_EQ(h.waitsOf(true).size(), 2u);
    for (long long ms : h.waitsOf(true)) {
        EXPECT_GE(ms, 10000);
        EXPECT_LE(ms, 12000);
    }
}

TEST(CollectionDriver, RunReportsItsStepsAsTypedEventsInOrder) {
    Harness h;
    h.host.options.keywordList = "a\r\n\r\nb";
    h.host.options.pageLimit = PageLimit{1};
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {2};
        return p;
    };
    h.click();
    std::vector<std::size_t> kinds;
    for (const RunEvent& e : h.host.progress.events) kinds.push_back(e.index());
    const auto kind = [](const RunEvent& e) { return e.index(); };
    const std::vector<std::size_t> perKeyword = {
        kind(KeywordStarted{}), kind(PageStarted{}), kind(PageFetched{}), kind(ResultKept{}),
        kind(ResultKept{}),     kind(LineWritten{}), kind(LineWritten{}), kind(PageDone{})};
    std::vector<std::size_t> expected = {kind(RunStarted{})};
    expected.insert(expected.end(), perKeyword.begin(), perKeyword.end());
    expected.insert(expected.end(), perKeyword.begin(), perKeyword.end());
    expected.push_back(kind(RunEnded{}));
    EXPECT_EQ(kinds, expected);

    EXPECT_EQ(h.host.progress.all<RunStarted>()[0].keywordCount, 2);
    const auto keywords = h.host.progress.all<KeywordStarted>();
    EXPECT_EQ(keywords[1].index, 2);
    EXPECT_EQ(keywords[1].keyword, "b");
    const auto lines = h.host.progress.all<LineWritten>();
    EXPECT_EQ(lines.back().totalLines, 4);  // a running total, never a page's count
    const PageDone done = h.host.progress.all<PageDone>()[1];
    EXPECT_EQ(done.keyword, "b");
    EXPECT_EQ(done.resultsFound, 2);
    EXPECT_EQ(done.linesWritten, 2);
    EXPECT_EQ(done.lastTitle, "t/b/1/1");
    const RunEnded ended = h.host.progress.all<RunEnded>()[0];
    EXPECT_EQ(ended.why, RunEndReason::Finished);
    EXPECT_EQ(ended.totalLines, 4);
    ASSERT_EQ(ended.files.size(), 2u);
    EXPECT_EQ(ended.files[1].lines, 2);
    EXPECT_FALSE(ended.failureReport);
    EXPECT_EQ(h.driver.lastRun().totalLines, 4);
}

TEST(CollectionDriver, CaptionsFollowTheStateTable) {
    Harness h;
    h.host.options.keywordList = "a\r\nb";
    h.host.options.pageLimit = PageLimit{1};
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {2};
        return p;
    };
    // A click while the caption shows a running total (before keyword b) requests a stop.
    h.host.clock.onEvents = [&](int) {
        if (h.host.progress.caption.rfind(gb("已采集数 "), 0) == 0 && h.output.totalLines() == 2) {
            h.click();
        }
    };
    EXPECT_EQ(h.host.progress.caption, gb("开始采集"));
    h.click();
    const std::vector<std::string> expected = {gb("停止采集"), gb("已采集数 1"), gb("已采集数 2"),
                                               gb("停止采集中"), gb("开始采集")};
    EXPECT_EQ(h.host.progress.captions, expected);
    EXPECT_EQ(h.fileNames(), std::vector<std::string>{gb("搜狗_a.txt")});
    EXPECT_EQ(h.host.progress.mergeEnabled, (std::vector<bool>{false, true}));
    EXPECT_FALSE(h.driver.running());
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::Stopped);

    // The next click starts again, not stopped.
    h.host.clock.onEvents = nullptr;
    h.click();
    EXPECT_EQ(h.host.progress.captions.back(), gb("开始采集"));
    EXPECT_EQ(h.output.totalLines(), 4);
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::Finished);
}

TEST(CollectionDriver, StateGoesIdleRunningStoppingAndQuickClicksStopOnce) {
    Harness h;
    h.host.options.keywordList = "a\r\nb";
    h.driver.requestStop();  // idle: nothing to stop, and the next run is not stopped by it
    EXPECT_EQ(h.driver.state(), RunState::Idle);

    std::vector<RunState> seen;
    h.host.clock.onEvents = [&](int n) {
        seen.push_back(h.driver.state());
        if (n == 2) {  // three quick clicks during the run
            h.click();
            seen.push_back(h.driver.state());
            h.click();
            h.click();
        }
    };
    h.click();
    EXPECT_EQ(seen.at(0), RunState::Running);
    EXPECT_EQ(seen.at(1), RunState::Running);
    EXPECT_EQ(seen.at(2), RunState::Stopping);
    EXPECT_EQ(h.driver.state(), RunState::Idle);
    EXPECT_EQ(h.host.progress.all<RunStopping>().size(), 1u);
    EXPECT_EQ(std::count(h.host.progress.captions.begin(), h.host.progress.captions.end(),
                         gb("停止采集中")),
              1);
    EXPECT_EQ(h.host.progress.all<RunStarted>().size(), 1u);  // the clicks started nothing
    EXPECT_EQ(h.host.progress.all<RunEnded>().size(), 1u);
}

TEST(CollectionDriver, EndOfRunReportsTotalsAndSavesTheLastPageWhenNothingWasWritten) {
    Harness h;
    h.host.options.pageLimit = PageLimit{1};
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p = withFresh(0);
        p.text = "<html>nothing</html>";
        return p;
    };
    h.click();
    const auto& progress = h.host.progress;
    ASSERT_EQ(progress.endMessages.size(), 1u);
    const std::string summary = gb("采集结束，没有采集到结果！耗时 0 毫秒");
    EXPECT_EQ(progress.endMessages[0].substr(0, summary.size()), summary);
    EXPECT_EQ(progress.status[0].back(), gb("就绪"));
    EXPECT_EQ(progress.status[1].back(), summary);
    ASSERT_EQ(progress.failureReports.size(), 1u);
    EXPECT_EQ(progress.failureReports[0].title, gb("采集失败代码(已保存到软件目录下)："));
    EXPECT_EQ(progress.failureReports[0].hint, "http://e/?q=a&p=1");
    EXPECT_EQ(progress.failureReports[0].content, "<html>nothing</html>");
    EXPECT_EQ(test::readFileBytes(h.folder.path() / nativePath(gb("采集失败代码.html"))),
              "http://e/?q=a&p=1\r\n<html>nothing</html>");
    EXPECT_FALSE(
        std::filesystem::exists(h.folder.path() / "out" / nativePath(gb("采集失败代码.html"))));
    EXPECT_TRUE(std::filesystem::is_directory(h.folder.path() / "out"));
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::NothingCollected);
}

TEST(CollectionDriver, UnwritableResultFileIsReportedInStatusAndEndMessage) {
    Harness h;
    h.host.options.keywordList = "a\r\nb";
    h.host.options.pageLimit = PageLimit{1};
    // A folder where keyword a's file should be.
    const std::string blocked = h.folderText() + "/out/" + gb("搜狗_a.txt");
    std::filesystem::create_directories(nativePath(blocked));
    h.pages.script = [](const std::string& keyword, long long) {
        return withFresh(keyword == "a" ? 0 : 3);
    };
    h.click();
    const std::string note = gb("结果文件写入失败：") + blocked + " (Is a directory)";
    const auto& progress = h.host.progress;
    EXPECT_NE(std::find(progress.status[1].begin(), progress.status[1].end(), note),
              progress.status[1].end());
    ASSERT_EQ(progress.endMessages.size(), 1u);
    const std::string summary = gb("已采集完成！总采集数量 3 耗时 ");
    EXPECT_EQ(progress.endMessages[0].substr(0, summary.size()), summary);
    const std::string rest = progress.endMessages[0].substr(progress.endMessages[0].find("\r\n"));
    EXPECT_EQ(rest.substr(0, note.size() + 2), "\r\n" + note);
    EXPECT_EQ(h.fileNames(), std::vector<std::string>{gb("搜狗_b.txt")});
    ASSERT_EQ(h.driver.lastRun().fileFailures.size(), 1u);
    EXPECT_EQ(h.driver.lastRun().fileFailures[0].fileName, blocked);
}

TEST(CollectionDriver, StopDuringADownloadEndsTheRunAtTheNextCheck) {
    Harness h;
    h.host.options.keywordList = "a\r\nb";
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {0};  // would be retried four times
        return p;
    };
    h.pages.onFetch = [&](const std::string&) { h.click(); };
    h.click();
    EXPECT_EQ(h.pages.fetched.size(), 1u);  // no second attempt, no keyword b
    EXPECT_TRUE(h.waitsOf(false).empty());  // and no retry wait
    EXPECT_EQ(h.fileNames(), std::vector<std::string>{gb("搜狗_a.txt")});
    EXPECT_EQ(h.host.progress.captions,
              (std::vector<std::string>{gb("停止采集"), gb("停止采集中"), gb("开始采集")}));
    EXPECT_EQ(h.host.progress.endMessages.size(), 1u);
}

TEST(CollectionDriver, StopDuringAPauseCutsItShort) {
    Harness h;
    h.host.clock.onWait = [&](long long, bool withStop) {
        if (withStop) h.driver.requestStop();
    };
    h.click();
    EXPECT_EQ(h.pagesDone(), 1);
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::Stopped);
    EXPECT_EQ(h.host.progress.caption, gb("开始采集"));
}

TEST(CollectionDriver, MergedRunOpensOneFileAndWritesHeadings) {
    Harness h;
    h.host.options.keywordList = "\r\na\r\nb";
    h.host.options.pageLimit = PageLimit{1};
    h.host.options.mergeIntoOneFile = true;
    h.host.options.keywordSeparatorLine = true;
    h.host.options.outputTemplate = gb("#标题#");
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.blocks = {1};
        return p;
    };
    h.click();
    ASSERT_EQ(h.output.files().size(), 1u);
    // Piece 1 is the blank line, so "a" gets a separator line too.
    EXPECT_EQ(test::readFileBytes(nativePath(h.output.files()[0].path)),
              "------------------------------\r\na\r\nt/a/1/0\r\n"
              "------------------------------\r\nb\r\nt/b/1/0\r\n");
}

TEST(CollectionDriver, RepeatedNextPageEndsBaiduKeyword) {
    Harness h;
    h.host.options.engine = SearchEngine::Baidu;
    h.pages.script = [](const std::string&, long long) {
        ScriptedPage p;
        p.next = "http://e/same";
        return p;
    };
    h.click();
    EXPECT_EQ(h.pagesDone(), 2);
}

TEST(CollectionDriver, StartCookieTextBeginsEveryRunAndAVerificationReplacesIt) {
    test::TempFolder folder;
    FakeRunHost host;
    host.options.saveFolder = programTextOfPath(folder.path()) + "/out";
    host.options.keywordList = "a";
    host.options.engine = SearchEngine::Sogou;
    host.options.pageLimit = PageLimit{2};
    host.browser.webViewCookies = "solved=1";
    host.browser.verificationAnswers = {true};
    ScriptedPages pages;
    pages.fetchTexts = {"page", gb("用户您好，您的访问过于频繁")};  // page 2 asks
    OutputWriter output;
    EngineSession session;
    session.cookieText = "left=over";
    CollectionDriver driver(host.surroundings(),
                            {pages, output, session, programTextOfPath(folder.path()), "a=1"});
    driver.onStartStopClicked();
    driver.onStartStopClicked();
    EXPECT_EQ(pages.sentCookies,
              (std::vector<std::string>{"a=1", "a=1", "solved=1", "a=1", "a=1"}));
}

TEST(CollectionDriver, AnOutputSinkThatTakesNothingMoreStopsTheRun) {
    struct Refusing : OutputSink {
        bool take(std::string_view) override { return false; }
    } refusing;
    Harness h;
    h.output.addSink(refusing);
    h.host.options.keywordList = "a\r\nb";
    h.click();
    EXPECT_EQ(h.pagesDone(), 1);
    EXPECT_EQ(h.fileNames(), std::vector<std::string>{gb("搜狗_a.txt")});
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::Stopped);
    EXPECT_TRUE(h.host.progress.all<RunStopping>().empty());  // no stop was clicked
}

TEST(CollectionDriver, KeywordsTakeProxiesInTurnAndADeadOneIsSetAsideAtOnce) {
    Harness h;
    h.host.options.keywordList = "a\r\nb\r\nc\r\nd";
    h.host.options.pageLimit = PageLimit{1};
    h.host.options.proxyList = "http://p1:1\r\nhttp://dead:2\r\n# spare\r\nhttp://p3:3";
    h.pages.deadProxies = {"http://dead:2"};
    h.click();
    EXPECT_EQ(h.pages.proxies, (std::vector<std::string>{"http://p1:1", "http://dead:2",
                                                         "http://p3:3", "http://p1:1",
                                                         "http://p3:3"}));
    EXPECT_EQ(h.host.browser.proxies, (std::vector<std::string>{"http://p1:1", "http://dead:2",
                                                                "http://p3:3", "http://p1:1",
                                                                "http://p3:3"}));
    const std::vector<long long> waits = h.waitsOf(true);
    EXPECT_EQ(std::count(waits.begin(), waits.end(), 3000), 0);  // no attempt was lost
    const auto aside = h.host.progress.all<ProxySetAside>();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(aside[0].proxy, "http://dead:2");
    EXPECT_EQ(aside[0].next, "http://p3:3");
    EXPECT_TRUE(h.host.progress.all<DownloadFailed>().empty());
    const RunEnded& ended = h.driver.lastRun();
    EXPECT_EQ(ended.why, RunEndReason::Finished);
    EXPECT_EQ(ended.proxiesSetAside, (std::vector<std::string>{"http://dead:2"}));
    EXPECT_EQ(h.output.totalLines(), 40);
    EXPECT_NE(status_text::endOfRunMessage(ended).find(gb("停用的代理服务器：http://dead:2")),
              std::string::npos);

    // Every proxy dead: the run ends at once, saying why; no run without the list.
    Harness dry;
    dry.host.options.keywordList = "a\r\nb";
    dry.host.options.proxyList = "x:1\r\ny:2";
    dry.pages.deadProxies = {"x:1", "y:2"};
    dry.click();
    EXPECT_EQ(dry.pages.proxies, (std::vector<std::string>{"x:1", "y:2"}));
    EXPECT_EQ(dry.driver.lastRun().why, RunEndReason::NoProxyLeft);
    EXPECT_EQ(dry.host.progress.all<ProxySetAside>().back().next, "");
    EXPECT_TRUE(status_text::endSummary(dry.driver.lastRun())
                    .starts_with(gb("代理服务器都无法连接，采集已停止！总采集数量 0")));

    Harness direct;
    direct.session.proxy = "left:9";  // from an earlier run
    direct.host.options.pageLimit = PageLimit{1};
    direct.click();
    EXPECT_EQ(direct.pages.proxies, std::vector<std::string>{""});
    EXPECT_EQ(direct.host.browser.proxies, std::vector<std::string>{""});
}

}  // namespace
}  // namespace lh
