// A whole run against the local mock engine: 20 keywords x 5 pages of about 300 KB,
// pauses on the virtual clock. Reports per page the time spent in downloads (server
// wait, transfer, decoding) and the run's own work outside them (extraction, next page,
// link resolution, filters, output); a second benchmark times decoding alone.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "collect/collection_driver.h"
#include "collect/engine_steps.h"
#include "support/fake_collection_host.h"
#include "support/mock_engine_server.h"
#include "textutil/absolutise_links.h"
#include "textutil/program_text.h"
#include "web/body_decoding.h"
#include "web/cookie_store.h"
#include "web/request_profiles.h"

namespace lh {
namespace {

using Clock = std::chrono::steady_clock;

// Forwards to the real steps and splits the time between downloads and the rest.
class TimedSteps : public CollectionSteps {
public:
    explicit TimedSteps(CollectionSteps& inner) : inner_(inner) {}

    double downloadMs = 0;
    double ownMs = 0;
    double nextPageMs = 0;  // part of ownMs
    double extractMs = 0;   // part of ownMs
    long long pages = 0;

    void openMergedFile(const CollectionSettings& s) override {
        own([&] { inner_.openMergedFile(s); });
    }
    void openKeywordFile(const CollectionSettings& s, const std::string& k) override {
        own([&] { inner_.openKeywordFile(s, k); });
    }
    void writeKeywordHeading(const CollectionSettings& s, const std::string& k, bool f) override {
        own([&] { inner_.writeKeywordHeading(s, k, f); });
    }
    void closeFile() override {
        own([&] { inner_.closeFile(); });
    }
    ResultFileFailure takeFileFailure() override { return inner_.takeFileFailure(); }
    void beginRun() override { inner_.beginRun(); }
    std::string googleBase(bool c) override { return inner_.googleBase(c); }
    void beginPage() override {
        own([&] { inner_.beginPage(); });
    }
    void endPage() override {
        own([&] { inner_.endPage(); });
    }
    std::string searchUrl(const std::string& k, long long p) override {
        std::string url;
        own([&] { url = inner_.searchUrl(k, p); });
        return url;
    }
    std::string fetchResultPage(const std::string& url) override {
        ++pages;
        const auto start = Clock::now();
        std::string page = inner_.fetchResultPage(url);
        downloadMs += msSince(start);
        return page;
    }
    std::size_t extractResultBlocks(const std::string& page) override {
        std::size_t n = 0;
        const double before = ownMs;
        own([&] { n = inner_.extractResultBlocks(page); });
        extractMs += ownMs - before;
        return n;
    }
    std::string block(std::size_t i) override {
        std::string b;
        own([&] { b = inner_.block(i); });
        return b;
    }
    std::string nextPageUrl(const std::string& url, const std::string& page) override {
        std::string next;
        const double before = ownMs;
        own([&] { next = inner_.nextPageUrl(url, page); });
        nextPageMs += ownMs - before;
        return next;
    }
    bool rankSelected(long long r) override { return inner_.rankSelected(r); }
    ResultRecord parseResult(const std::string& b) override {
        ResultRecord r;
        own([&] { r = inner_.parseResult(b); });
        return r;
    }
    std::string resolveResultLink(const std::string& a) override {
        std::string r;
        own([&] { r = inner_.resolveResultLink(a); });
        return r;
    }
    bool acceptResult(const ResultRecord& r) override { return inner_.acceptResult(r); }
    long long writePageResults(const std::vector<ResultRecord>& records, int perPage,
                               const std::function<void(long long)>& onLine) override {
        long long n = 0;
        own([&] { n = inner_.writePageResults(records, perPage, onLine); });
        return n;
    }

private:
    static double msSince(Clock::time_point start) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    template <typename F>
    void own(F&& work) {
        const auto start = Clock::now();
        work();
        ownMs += msSince(start);
    }
    CollectionSteps& inner_;
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

    double download = 0, own = 0, next = 0, extract = 0;
    long long pages = 0;
    for (auto _ : state) {
        CookieStore::instance().clear();
        test::FakeCollectionHost host;
        host.folder = programTextOfPath(folder);
        host.options.saveFolder = host.folder + "/out";
        host.options.engine = engineToRun;
        host.options.keywordList = keywords;
        host.options.pageLimitText = "5";
        host.options.resultsPerPageText = "10";
        CollectionRun run;
        run.userAgent = std::string(kDesktopUserAgent);
        EngineSteps engine(host, run);
        TimedSteps timed(engine);
        CollectionDriver driver(host, run, timed);
        driver.onStartStopClicked();
        if (run.totalCollected != 20 * 5 * 10)
            state.SkipWithError("the run did not collect every result");
        download += timed.downloadMs;
        own += timed.ownMs;
        next += timed.nextPageMs;
        extract += timed.extractMs;
        pages += timed.pages;
    }
    state.counters["pages"] = static_cast<double>(pages) / static_cast<double>(state.iterations());
    state.counters["download_ms_per_page"] = download / static_cast<double>(pages);
    state.counters["own_work_ms_per_page"] = own / static_cast<double>(pages);
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
