#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "collect/collection_driver.h"
#include "collect/engine_catalogue.h"
#include "collect/engine_page_source.h"
#include "collect/result_output.h"
#include "support/fake_run_host.h"
#include "support/mock_engine_server.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"
#include "web/cookie_store.h"
#include "web/http_client.h"
#include "web/request_profiles.h"

namespace lh {
namespace {

using test::FakeRunHost;
using test::MockEngineServer;
using test::RecordedRequest;
using Clock = std::chrono::steady_clock;

std::string readFile(const std::filesystem::path& path) { return test::readFileBytes(path); }

// A whole run against the mock engines, through the fake host.
struct RunHarness {
    explicit RunHarness(SearchEngine engine,
                        std::chrono::milliseconds linkBudget = kLinkLookUpBudget)
        : pages(host.browser, host.clock, programFolder, linkBudget) {
        CookieStore::instance().clear();
        host.options.saveFolder = programFolder + "/out";
        host.options.engine = engine;
        host.options.keywordList = "a\r\n" + gb("中文 词");
        host.options.pageLimit = PageLimit{3};
        host.options.resultsPerPage = 10;
        host.browser.onNavigate = [](const std::string& address) { HttpClient().fetch(address); };
        session.userAgent = std::string(kDesktopUserAgent);
    }
    void start() { driver.onStartStopClicked(); }

    std::string keywordFile(const std::string& keyword) const {
        return readFile(nativePath(host.options.saveFolder + "/" +
                                   engineProfile(host.options.engine).displayName + "_" +
                                   fileSafeKeyword(keyword) + ".txt"));
    }
    // The lines the mock engine's results make with the default template.
    std::string expectedFile(const std::string& keyword, int pageCount, int perPage = 3) const {
        std::string text;
        for (int page = 1; page <= pageCount; ++page) {
            for (const auto& r :
                 MockEngineServer::results(host.options.engine, keyword, page, perPage)) {
                const std::string site = r.target.substr(7, r.target.find('/', 7) - 7);
                text += "\"" + r.title + "\",\"" + r.target + "\",\"" + site +
                        "\",\"example.com\",\"" + r.description + "\"\r\n";
            }
        }
        return text;
    }
    // The pauses between pages and keywords (Bing's 1 s blank-page wait left out).
    std::vector<long long> pauses() const {
        std::vector<long long> out;
        for (const auto& wait : host.clock.waits()) {
            if (wait.withStopFlag && wait.ms >= 5000) out.push_back(wait.ms);
        }
        return out;
    }

    test::TempFolder scratch;
    const std::filesystem::path folder = scratch.path();
    const std::string programFolder = programTextOfPath(folder);
    MockEngineServer server;
    FakeRunHost host;
    EngineSession session;
    OutputWriter output;
    EnginePageSource pages;
    CollectionDriver driver{host.surroundings(), {pages, output, session, programFolder, ""}};
};

// Requests that are no result page: redirectors and the advertisement warm-up.
std::size_t lookUps(const MockEngineServer& server) {
    std::size_t n = 0;
    for (const RecordedRequest& r : server.requests())
        n += MockEngineServer::engineOfRequest(r) == SearchEngine::None;
    return n;
}

void expectWholeRun(SearchEngine engine, const std::string& expectedAgent, bool resolveAlways,
                    std::size_t& lookUpsMade) {
    RunHarness h(engine);
    h.server.carryTargets = resolveAlways;
    h.host.options.resolveAlways = resolveAlways;
    h.start();
    const std::string second = gb("中文 词");
    EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 3));
    EXPECT_EQ(h.keywordFile(second), h.expectedFile(second, 3));
    EXPECT_EQ(h.output.totalLines(), 18);
    EXPECT_EQ(h.host.progress.endMessages.size(), 1u);
    EXPECT_TRUE(h.host.progress.failureReports.empty());
    lookUpsMade = lookUps(h.server);

    const std::vector<RecordedRequest> pages = h.server.resultPageRequests(engine);
    EXPECT_EQ(pages.size(), 6u);
    for (const RecordedRequest& request : pages) {
        EXPECT_EQ(request.header("User-Agent"), expectedAgent) << request.target;
    }
    // Two page pauses per keyword, the keyword pause between them (none for Sogou web),
    // and for Baidu the 5 s advertisement warm-up, which a stop request cuts short too.
    std::vector<long long> pauses = h.pauses();
    const std::size_t keywordPauses = engine == SearchEngine::Sogou ? 0 : 1;
    const std::size_t warmUps = engine == SearchEngine::Baidu ? 1 : 0;
    ASSERT_EQ(pauses.size(), 4u + keywordPauses + warmUps);
    int fiveSeconds = 0;
    for (long long ms : pauses) {
        EXPECT_GE(ms, 5000);
        EXPECT_LE(ms, 7000);
        fiveSeconds += ms == 5000;
    }
    EXPECT_GE(fiveSeconds, static_cast<int>(keywordPauses));
}

// Today's pages, and pages that also name their targets read with resolve-always on:
// the same files, requests and pauses.
void expectWholeRun(SearchEngine engine, const std::string& expectedAgent) {
    std::size_t today = 0;
    for (const bool resolveAlways : {false, true}) {
        SCOPED_TRACE(gbToUtf8(engineProfile(engine).displayName) +
                     (resolveAlways ? " resolve-always" : ""));
        std::size_t made = 0;
        expectWholeRun(engine, expectedAgent, resolveAlways, made);
        if (resolveAlways) {
            EXPECT_EQ(made, today);
        }
        today = made;
    }
}

// Two keywords, three pages each, every engine: files, agents on the wire, pauses.
TEST(CollectionRunE2E, Baidu) {
    expectWholeRun(SearchEngine::Baidu, std::string(kDesktopUserAgent));
}
TEST(CollectionRunE2E, BaiduNews) {
    expectWholeRun(SearchEngine::BaiduNews, std::string(kDesktopUserAgent));
}
TEST(CollectionRunE2E, Sogou) {
    expectWholeRun(SearchEngine::Sogou, std::string(kDesktopUserAgent));
}
TEST(CollectionRunE2E, SogouNews) {
    expectWholeRun(SearchEngine::SogouNews, std::string(kDesktopUserAgent));
}
TEST(CollectionRunE2E, Search360) {
    expectWholeRun(SearchEngine::Search360, std::string(kDesktopUserAgent));
}
TEST(CollectionRunE2E, Google) {
    expectWholeRun(SearchEngine::Google, std::string(kDesktopUserAgent));
}
TEST(CollectionRunE2E, Bing) { expectWholeRun(SearchEngine::Bing, std::string(kDesktopUserAgent)); }
TEST(CollectionRunE2E, BaiduMobile) {
    expectWholeRun(SearchEngine::BaiduMobile, std::string(kMobileUserAgent));
}
// 360 mobile's download names no agent: the transport's own goes out.
TEST(CollectionRunE2E, Search360Mobile) {
    expectWholeRun(SearchEngine::Search360Mobile, std::string(kTransportUserAgent));
}
TEST(CollectionRunE2E, ShenmaMobile) {
    expectWholeRun(SearchEngine::ShenmaMobile, std::string(kMobileUserAgent));
}

// Where the page names a result's target, that target is written without asking the
// engine's redirector; resolve-always asks for every link as before.
TEST(CollectionRunE2E, PageNamedTargetsSpareTheLookUpsThatResolveAlwaysMakes) {
    for (const SearchEngine engine :
         {SearchEngine::Baidu, SearchEngine::SogouNews, SearchEngine::Search360}) {
        SCOPED_TRACE(gbToUtf8(engineProfile(engine).displayName));
        for (const bool resolveAlways : {false, true}) {
            RunHarness h(engine);
            h.host.options.keywordList = "a";
            h.server.carryTargets = true;
            h.host.options.resolveAlways = resolveAlways;
            h.start();
            EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 3));
            if (resolveAlways) {
                // Every one of the nine links was asked for at least once.
                std::set<std::string> asked;
                for (const RecordedRequest& r : h.server.requests()) {
                    for (const auto& page : {1, 2, 3}) {
                        for (const auto& result : MockEngineServer::results(engine, "a", page)) {
                            if (r.target.find(test::hexOf(result.target)) != std::string::npos)
                                asked.insert(result.target);
                        }
                    }
                }
                EXPECT_EQ(asked.size(), 9u);
            } else {
                EXPECT_EQ(lookUps(h.server), 0u);
                EXPECT_TRUE(h.host.browser.navigations.empty());  // no advertisement warm-up
            }
        }
    }
}

TEST(CollectionRunE2E, BaiduFollowsNextPageLinksWithRefererAndEndsWithoutOne) {
    RunHarness h(SearchEngine::Baidu);
    h.host.options.pageLimit = PageLimit::all();
    h.host.options.keywordList = "a";
    h.start();
    // Anchored by hand: the first line of the file.
    const std::string first =
        gb("\"a 结果 1-1\",\"http://r1.p1.example.com/61-1.html\","
           "\"r1.p1.example.com\",\"example.com\",\"关于a的描述 1-1\"\r\n");
    EXPECT_EQ(h.keywordFile("a").substr(0, first.size()), first);
    EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 3));

    const auto pages = h.server.resultPageRequests(SearchEngine::Baidu);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].target, "/s?ie=utf-8&f=8&rsv_bp=1&rsv_idx=1&tn=baidu&word=a&rn=10&pn=0");
    EXPECT_EQ(pages[0].header("Referer"), "https://www.baidu.com/");
    EXPECT_EQ(pages[1].target, "/s?ie=utf-8&word=a&rn=10&pn=10");
    EXPECT_EQ(pages[1].header("Referer"), "https://www.baidu.com" + pages[0].target);
    EXPECT_EQ(pages[2].header("Referer"), "https://www.baidu.com" + pages[1].target);
    // The advertisement on page 1 needed one warm-up visit (and its 5 s wait).
    EXPECT_EQ(h.host.browser.navigations.size(), 1u);
    EXPECT_EQ(h.pauses().size(), 3u);
}

TEST(CollectionRunE2E, BaiduSecondModeUsesTheRequestTransportWithAForgedClientAddress) {
    RunHarness h(SearchEngine::Baidu);
    h.host.options.keywordList = "a";
    h.host.options.pageLimit = PageLimit{1};
    h.host.options.baiduFetchMode = 1;
    std::ofstream(h.folder / nativePath(gb("百度Cookies.txt")), std::ios::binary) << "BDUSS=old";
    h.start();
    EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 1));
    const auto pages = h.server.resultPageRequests(SearchEngine::Baidu);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].header("User-Agent"), std::string(kDesktopUserAgent));
    EXPECT_FALSE(pages[0].header("X-Forwarded-For").empty());
    EXPECT_EQ(pages[0].header("Cookie"), "BDUSS=old");  // read from the cookie file
    EXPECT_EQ(pages[0].header("Referer"), "https://www.baidu.com/");
}

TEST(CollectionRunE2E, SogouSendsAFreshSjEveryAttemptAndBingResetsTheWebView) {
    {
        RunHarness h(SearchEngine::Sogou);
        h.host.options.keywordList = "a";
        h.host.options.pageLimit = PageLimit{2};
        h.start();
        const auto pages = h.server.resultPageRequests(SearchEngine::Sogou);
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_NE(pages[0].target.find("/web?num=10&query=a&page=1&sj="), std::string::npos);
        EXPECT_NE(pages[0].target.substr(pages[0].target.size() - 8),
                  pages[1].target.substr(pages[1].target.size() - 8));
    }
    {
        RunHarness h(SearchEngine::Bing);
        h.host.options.keywordList = "a";
        h.host.options.pageLimit = PageLimit{2};
        h.host.browser.webViewCookies = "MUID=7";
        h.start();
        const auto pages = h.server.resultPageRequests(SearchEngine::Bing);
        ASSERT_EQ(pages.size(), 2u);
        EXPECT_EQ(pages[0].header("Cookie"), "MUID=7");
        EXPECT_EQ(pages[1].target, "/search?q=a&first=11&FORM=PORE");  // the page's own next link
        ASSERT_EQ(h.host.browser.webViewAddresses.size(), 3u);
        EXPECT_EQ(h.host.browser.webViewAddresses[0], "about:blank");
        EXPECT_EQ(h.host.browser.webViewAddresses[1],
                  "https://global.bing.com/"
                  "search?q=a&form=QBRE&sp=-1&first=1&setmkt=en-us&setlang=en-us");
    }
}

TEST(CollectionRunE2E, VerificationOkCarriesCookiesAndStoresThemForTheNextRun) {
    RunHarness h(SearchEngine::Baidu);
    h.host.options.keywordList = "a";
    h.host.options.pageLimit = PageLimit{1};
    h.server.requireVerification(SearchEngine::Baidu);
    h.host.browser.verificationAnswers = {true};
    h.host.browser.webViewCookies = "verified=yes; BAIDUID=v1";
    h.start();
    EXPECT_EQ(h.host.browser.prompts.size(), 1u);
    EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 1));
    const auto pages = h.server.resultPageRequests(SearchEngine::Baidu);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].header("Cookie"), "verified=yes; BAIDUID=v1");
    EXPECT_EQ(readFile(h.folder / nativePath(gb("百度Cookies.txt"))), "verified=yes; BAIDUID=v1");

    // The next run starts without cookies, reads the file and is not asked again.
    h.server.clearLog();
    h.host.browser.webViewCookies.clear();
    h.start();
    EXPECT_EQ(h.host.browser.prompts.size(), 1u);
    const auto again = h.server.resultPageRequests(SearchEngine::Baidu);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].header("Cookie"), "verified=yes; BAIDUID=v1");
    EXPECT_EQ(h.output.totalLines(), 3);
}

TEST(CollectionRunE2E, VerificationCancelStopsAndAutoCloseGoesOn) {
    {
        RunHarness h(SearchEngine::BaiduMobile);
        h.server.requireVerification(SearchEngine::BaiduMobile);
        h.host.browser.verificationAnswers = {false};
        h.host.browser.webViewCookies = "verified=yes";
        h.start();
        EXPECT_EQ(h.server.resultPageRequests(SearchEngine::BaiduMobile).size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(h.folder / nativePath(gb("百度移动Cookies.txt"))));
        EXPECT_EQ(h.output.totalLines(), 0);
        ASSERT_EQ(h.host.progress.failureReports.size(),
                  1u);  // nothing collected: the page is kept
        EXPECT_NE(h.host.progress.failureReports[0].content.find(gb("百度安全验证")),
                  std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(h.folder / nativePath(gb("采集失败代码.html"))));
    }
    {
        RunHarness h(SearchEngine::Sogou);
        h.host.options.keywordList = "a";
        h.host.options.pageLimit = PageLimit{1};
        h.host.options.autoCloseVerification = true;
        h.server.requireVerification(SearchEngine::Sogou);
        h.host.browser.webViewCookies = "verified=yes";
        h.start();
        EXPECT_TRUE(h.host.browser.prompts.empty());
        EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 1));
        EXPECT_EQ(h.session.cookieText, "verified=yes");
    }
}

TEST(CollectionRunE2E, StopRequestedFromAnotherThreadEndsTheRunAtTheNextCheck) {
    RunHarness h(SearchEngine::ShenmaMobile);
    h.host.options.pageLimit = PageLimit::all();
    h.server.onRequest = [&](const RecordedRequest& request) {
        if (request.target.find("page=2") != std::string::npos) h.driver.requestStop();
    };
    h.start();
    EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 1));  // page 2 was fetched, not written
    EXPECT_EQ(h.server.resultPageRequests(SearchEngine::ShenmaMobile).size(), 2u);
    EXPECT_EQ(h.host.progress.caption, gb("开始采集"));
    EXPECT_EQ(h.output.totalLines(), 3);
}

TEST(CollectionRunE2E, UnwritableResultFileIsReportedAndNotCounted) {
    RunHarness h(SearchEngine::Search360Mobile);
    h.host.options.keywordList = "a";
    h.host.options.pageLimit = PageLimit{1};
    std::ofstream(h.folder / "blocked") << "a file where the folder should be";
    h.host.options.saveFolder = h.programFolder + "/blocked/out";
    h.start();
    EXPECT_EQ(h.output.totalLines(), 0);
    ASSERT_EQ(h.host.progress.endMessages.size(), 1u);
    const std::string& message = h.host.progress.endMessages[0];
    EXPECT_NE(message.find(gb("结果文件写入失败：")), std::string::npos);
    EXPECT_NE(message.find(gb("/blocked/out/360移动_a.txt")), std::string::npos);
    EXPECT_NE(message.find("Not a directory"), std::string::npos) << gbToUtf8(message);
}

// Asks `h`'s run to stop once `arrived` holds for a request and 200 ms have passed, and
// tells how long the run went on after the request.
class StopAfterRequest {
public:
    StopAfterRequest(RunHarness& h, std::function<bool(const RecordedRequest&)> arrived)
        : thread_([this, &h, arrived] {
              for (int i = 0; i < 500 && !seen(h, arrived); ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              std::this_thread::sleep_for(std::chrono::milliseconds(200));
              askedAt_ = Clock::now();
              h.driver.requestStop();
          }) {}
    // Joins the stopping thread; the time from the stop request to now.
    Clock::duration runAfterStop() {
        const Clock::time_point ended = Clock::now();
        thread_.join();
        return ended - askedAt_;
    }

private:
    static bool seen(RunHarness& h, const std::function<bool(const RecordedRequest&)>& arrived) {
        for (const RecordedRequest& r : h.server.requests()) {
            if (arrived(r)) return true;
        }
        return false;
    }
    std::thread thread_;
    Clock::time_point askedAt_{};
};

bool isRedirector(const RecordedRequest& r) { return r.path() == "/link"; }
bool isResultPage(const RecordedRequest& r) {
    return MockEngineServer::engineOfRequest(r) != SearchEngine::None;
}

// Also with look-ups side by side: those in progress end, none starts after the stop.
TEST(CollectionRunE2E, StalledPageOrRedirectorEndsWithinASecondOfAStop) {
    using Stalled = bool (*)(const RecordedRequest&);
    const struct {
        Stalled stalled;
        SearchEngine engine;
        int parallel;
    } cases[] = {{isResultPage, SearchEngine::Baidu, 4},
                 {isRedirector, SearchEngine::Baidu, 1},
                 {isRedirector, SearchEngine::Search360, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parallel);
        RunHarness h(c.engine);
        h.host.options.keywordList = "a";
        h.host.options.resolveParallel = c.parallel;
        h.server.resultsPerPage = 10;
        h.server.alterAnswer = [&c](const RecordedRequest& r, test::ScriptedAnswer& a) {
            if (c.stalled(r)) a.delayMs = 60000;
        };
        StopAfterRequest stop(h, c.stalled);
        h.start();
        EXPECT_LT(stop.runAfterStop(), std::chrono::seconds(1));
        EXPECT_EQ(h.driver.lastRun().why, RunEndReason::Stopped);
        // A stop is the user's own: no failure is reported for it.
        EXPECT_TRUE(h.host.progress.all<DownloadFailed>().empty());
        if (c.stalled == isRedirector) {
            const auto all = h.server.requests();
            EXPECT_EQ(std::count_if(all.begin(), all.end(), isRedirector), c.parallel);
        }
    }
}

TEST(CollectionRunE2E, CutShortPageIsRetriedAndTheWholeSecondAnswerGivesAllResults) {
    RunHarness h(SearchEngine::Baidu);
    h.host.options.keywordList = "a";
    h.host.options.pageLimit = PageLimit{1};
    std::atomic<int> resultPages{0};
    h.server.alterAnswer = [&](const RecordedRequest& r, test::ScriptedAnswer& a) {
        if (isResultPage(r) && ++resultPages == 1) {
            a.dropAfterBodyBytes = a.body.size() / 2;
            a.resetOnDrop = true;
        }
    };
    h.start();
    EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 1));
    EXPECT_EQ(resultPages, 2);
    const auto failed = h.host.progress.all<DownloadFailed>();
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].outcome.failure, TransferFailure::CutShort);
    EXPECT_EQ(h.host.progress.status[1].at(1).find(gb("网页下载失败：内容不完整 (")), 0u);
}

TEST(CollectionRunE2E, StalledRedirectorGivesUpWithinTheLinkBudgetAndKeepsTheParsedAddress) {
    RunHarness h(SearchEngine::Baidu, std::chrono::milliseconds(300));
    h.host.options.keywordList = "a";
    h.host.options.pageLimit = PageLimit{1};
    h.server.alterAnswer = [](const RecordedRequest& r, test::ScriptedAnswer& a) {
        if (isRedirector(r)) a.delayMs = 60000;
    };
    const auto start = Clock::now();
    h.start();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    const auto failed = h.host.progress.all<DownloadFailed>();
    ASSERT_EQ(failed.size(), 2u);  // results 1 and 3; the advertisement goes elsewhere
    for (const DownloadFailed& f : failed) {
        EXPECT_EQ(f.purpose, DownloadPurpose::ResultLink);
        EXPECT_EQ(f.outcome.failure, TransferFailure::TimedOut);
    }
    // The lines carry the engine's own addresses, as parsed.
    const std::string file = h.keywordFile("a");
    EXPECT_EQ(h.output.totalLines(), 3);
    EXPECT_NE(file.find("www.baidu.com/link?url="), std::string::npos) << file;
}

// Fifty links a page, every one through the redirector (Location, refresh page, one
// advertisement), answered after delays that make look-ups end out of order: the files
// and the requests are those of the run that looks them up one after another.
TEST(CollectionRunE2E, ParallelLookUpsWriteTheSequentialFilesAndSendTheSameRequests) {
    struct Outcome {
        std::string files;
        std::multiset<std::string> lookUps;
    };
    const auto runAt = [](int parallel) {
        RunHarness h(SearchEngine::Baidu);
        h.server.resultsPerPage = 50;
        h.host.options.resultsPerPage = 50;
        h.host.options.pageLimit = PageLimit{2};
        h.host.options.resolveParallel = parallel;
        h.server.alterAnswer = [](const RecordedRequest& r, test::ScriptedAnswer& a) {
            if (!isResultPage(r)) a.delayMs = static_cast<int>(r.target.size() % 4) * 15;
        };
        h.start();
        Outcome out;
        const std::string second = gb("中文 词");
        out.files = h.keywordFile("a") + h.keywordFile(second);
        EXPECT_EQ(h.keywordFile("a"), h.expectedFile("a", 2, 50));
        EXPECT_EQ(h.keywordFile(second), h.expectedFile(second, 2, 50));
        for (const RecordedRequest& r : h.server.requests()) {
            if (isResultPage(r)) continue;
            std::string line = r.method + " " + r.target;
            for (const std::string& header : r.headerLines) line += "\n" + header;
            out.lookUps.insert(line);
        }
        return out;
    };
    const Outcome one = runAt(1);
    EXPECT_GT(one.lookUps.size(), 200u);  // 200 links, some asked twice
    for (const int parallel : {4, 16}) {
        SCOPED_TRACE(parallel);
        const Outcome many = runAt(parallel);
        EXPECT_EQ(many.files, one.files);
        EXPECT_EQ(many.lookUps, one.lookUps);
    }
}

}  // namespace
}  // namespace lh
