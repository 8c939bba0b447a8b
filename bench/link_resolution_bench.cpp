// A Baidu page of 50 redirect links (Location answers, refresh pages, an advertisement)
// resolved against the local mock redirector, which answers every look-up after 100 ms:
// the page's look-ups one after another (Arg 1) and N at once. The time is per page.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "collect/engine_page_source.h"
#include "support/fake_run_host.h"
#include "support/mock_engine_server.h"
#include "textutil/program_text.h"
#include "web/cookie_store.h"
#include "web/http_client.h"
#include "web/request_profiles.h"

namespace lh {
namespace {

void BM_ResolveBaiduPageOf50Links100msEach(benchmark::State& state) {
    test::MockEngineServer server;
    server.resultsPerPage = 50;
    server.alterAnswer = [](const test::RecordedRequest& r, test::ScriptedAnswer& a) {
        if (test::MockEngineServer::engineOfRequest(r) == SearchEngine::None) a.delayMs = 100;
    };
    std::atomic<long long> lookUps{0};
    server.onRequest = [&lookUps](const test::RecordedRequest& r) {
        if (test::MockEngineServer::engineOfRequest(r) == SearchEngine::None) ++lookUps;
    };
    const auto folder = std::filesystem::temp_directory_path() / "lh_link_bench";
    std::filesystem::create_directories(folder);
    test::FakeRunHost host;
    host.browser.onNavigate = [](const std::string& address) { HttpClient().fetch(address); };
    host.options.engine = SearchEngine::Baidu;
    host.options.resultsPerPage = 50;
    host.options.resolveParallel = static_cast<int>(state.range(0));
    // Kept across pages as a run keeps it: its workers and their connections.
    EnginePageSource pages(host.browser, host.clock, programTextOfPath(folder));

    EngineSession first;
    first.userAgent = std::string(kDesktopUserAgent);
    const ResultPage page =
        pages.fetchPage(host.options, "a", pages.searchAddress(host.options, "a", 1, "", first),
                        first, StopToken());
    std::vector<const ResultRecord*> records;
    for (const ResultRecord& record : page.records) records.push_back(&record);
    if (records.size() != 50) state.SkipWithError("the page does not hold 50 results");

    long long resolved = 0;
    lookUps = 0;
    for (auto _ : state) {
        // Every page starts without advertisement cookies: one warm-up each.
        state.PauseTiming();
        CookieStore::instance().clear();
        EngineSession session = first;
        state.ResumeTiming();
        pages.resolveLinks(host.options, records, session, StopToken(),
                           [&](std::size_t, ResolvedLink link) {
                               resolved += findText(link.address, "example.com") != kNotFound;
                               return true;
                           });
    }
    if (resolved != 50 * static_cast<long long>(state.iterations()))
        state.SkipWithError("not every link was resolved");
    state.counters["look_ups_per_page"] =
        static_cast<double>(lookUps.load()) / static_cast<double>(state.iterations());
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}
BENCHMARK(BM_ResolveBaiduPageOf50Links100msEach)
    ->Arg(1)
    ->Arg(4)
    ->Arg(8)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lh
