// A whole run against the local mock engine: 20 keywords x 5 pages of about 300 KB,
// pauses on the virtual clock. Reports per page the time spent in downloads (server
// wait, transfer, decoding) and the run's own work outside them (extraction: cutting the
// page and reading every result; next page, link resolution, filters, output, the
// driver's bookkeeping); the verification scan of engines examined for one is reported
// apart. A second benchmark times decoding alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "collect/collection_driver.h"
#include "collect/engine_page_source.h"
#include "collect/output_writer.h"
#include "collect/result_extraction.h"
#include "collect/result_page_fetch.h"
#include "collect/verification.h"
#include "support/fake_run_host.h"
#include "support/mock_engine_server.h"
#include "textutil/absolutise_links.h"
#include "textutil/program_text.h"
#include "web/body_decoding.h"
#include "web/cookie_store.h"
#include "web/request_profiles.h"

namespace lh {
namespace {

using Clock = std::chrono::steady_clock;

// The real engine pages with each download timed apart from the reading of the page
// (the same work as EnginePageSource::fetchPage, in its parts).
class TimedPages : public ResultPageSource {
public:
    TimedPages(Browser& browser, EventWait& wait, std::string programFolder)
        : inner_(browser, wait, programFolder), around_{browser, wait, programFolder} {}

    double downloadMs = 0;
    double verificationScanMs = 0;
    double nextPageMs = 0;
    double extractMs = 0;
    long long pages = 0;

    std::string searchAddress(const CollectionSettings& settings, std::string_view keyword,
                              long long page, std::string_view nextPageUrl,
                              const EngineSession& session) override {
        return inner_.searchAddress(settings, keyword, page, nextPageUrl, session);
    }
    ResultPage fetchPage(const CollectionSettings& settings, std::string_view keyword,
                         const std::string& address, EngineSession& session,
                         const StopToken& stop) override {
        ++pages;
        const EngineProfile& engine = engineProfile(settings.engine);
        auto start = Clock::now();
        ResultPage page;
        around_.stop = stop;
        page.text =
            fetchResultPage(engine, settings, session, around_, address, keyword, &page.download);
        downloadMs += msSince(start);
        if (engine.examinedForVerification) {
            start = Clock::now();
            page.verificationDetected = detectVerification(page.text);
            verificationScanMs += msSince(start);
        }
        start = Clock::now();
        page.records = readResultRecords(*engine.extraction, engine.extractionFallbacks,
                                         page.text, engine.carriedTarget);
        extractMs += msSince(start);
        start = Clock::now();
        page.nextPageUrl = nextPageOf(
            engine, address, page.text,
            fetchesAbsolutePages(engine.fetch) ? PageLinks::Absolute : PageLinks::AsServed);
        nextPageMs += msSince(start);
        return page;
    }
    ResolvedLink resolveLink(const CollectionSettings& settings, const ResultRecord& record,
                             EngineSession& session, const StopToken& stop) override {
        return inner_.resolveLink(settings, record, session, stop);
    }

    static double msSince(Clock::time_point start) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

private:
    EnginePageSource inner_;
    FetchSurroundings around_;
};

void runBenchmark(benchmark::State& state, SearchEngine engineToRun) {
    const auto folder = std::filesystem::temp_directory_path() / "lh_run_bench";
    std::filesystem::create_directories(folder);
    test::MockEngineServer server;
    server.resultsPerPage = 10;
    server.pagesPerKeyword = 5;
    server.setPagePadding(300 * 1024);

    std::string keywords;
    for (int i = 1; i <= 20; ++i)
        keywords += (i > 1 ? "\r\n" : "") + gb("关键词") + std::to_string(i);

    double download = 0, own = 0, next = 0, extract = 0, scan = 0;
    long long pages = 0;
    for (auto _ : state) {
        CookieStore::instance().clear();
        const std::string programFolder = programTextOfPath(folder);
        test::FakeRunHost host;
        host.options.saveFolder = programFolder + "/out";
        host.options.engine = engineToRun;
        host.options.keywordList = keywords;
        host.options.pageLimit = PageLimit{5};
        host.options.resultsPerPage = 10;
        EngineSession session;
        session.userAgent = std::string(kDesktopUserAgent);
        OutputWriter output;
        TimedPages timed(host.browser, host.clock, programFolder);
        // What a front end makes of the events is not the run's work.
        struct : ProgressSink {
            void onRunEvent(const RunEvent&) override {}
        } nowhere;
        CollectionDriver driver(
            {host.optionsSource, host.clock, nowhere, host.browser, host.verification},
            {timed, output, session, programFolder, std::string()});
        const auto start = Clock::now();
        driver.onStartStopClicked();
        const double runMs = TimedPages::msSince(start);
        if (output.totalLines() != 20 * 5 * 10)
            state.SkipWithError("the run did not collect every result");
        download += timed.downloadMs;
        // The run's own work as before: the verification scan was always the driver's and
        // is reported apart.
        own += runMs - timed.downloadMs - timed.verificationScanMs;
        scan += timed.verificationScanMs;
        next += timed.nextPageMs;
        extract += timed.extractMs;
        pages += timed.pages;
    }
    state.counters["pages"] = static_cast<double>(pages) / static_cast<double>(state.iterations());
    state.counters["download_ms_per_page"] = download / static_cast<double>(pages);
    state.counters["own_work_ms_per_page"] = own / static_cast<double>(pages);
    state.counters["verification_scan_ms_per_page"] = scan / static_cast<double>(pages);
    state.counters["of_which_next_page_ms"] = next / static_cast<double>(pages);
    state.counters["of_which_extraction_ms"] = extract / static_cast<double>(pages);
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}
// Sogou pages by number; Bing follows the next-page link found on every page.
void BM_CollectionRun_Sogou_20Keywords5Pages300KB(benchmark::State& state) {
    runBenchmark(state, SearchEngine::Sogou);
}
void BM_CollectionRun_Bing_20Keywords5Pages300KB(benchmark::State& state) {
    runBenchmark(state, SearchEngine::Bing);
}
BENCHMARK(BM_CollectionRun_Sogou_20Keywords5Pages300KB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_CollectionRun_Bing_20Keywords5Pages300KB)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The decoding and link absolutisation inside each download, on one 300 KB GBK page.
void BM_DecodeAndAbsolutise300KB(benchmark::State& state) {
    std::string page = gb("<html><head><meta charset=\"gbk\"></head><body>");
    const std::string filler = test::MockEngineServer::fillerBlock();
    while (page.size() < 300 * 1024) page += filler;
    page += "</body></html>";
    for (auto _ : state) {
        std::string text = decodeBody(std::string_view(page), CharsetCode::Detect);
        benchmark::DoNotOptimize(absolutiseLinks("http://www.sogou.com/web?query=a", text));
    }
}
BENCHMARK(BM_DecodeAndAbsolutise300KB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lh
