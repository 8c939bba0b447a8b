// The whole per-page work of a run on a downloaded body, per real result page: decoding
// to program text, then (engines downloading through the page fetch) the redirect check
// and link absolutisation, then the reading of the page: verification markers, records
// with the fallbacks, the next-page link. bench/pipeline_vs_lxml.py sets it beside lxml's
// parse plus extraction of the same pages.
//
// Also the page toolkit on 1 to 16 MB built from real pages repeated: ms per MB must not
// grow with the size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "collect/engine_catalogue.h"
#include "collect/engine_page_source.h"
#include "collect/result_page_fetch.h"
#include "collect/search_url.h"
#include "textutil/absolutise_links.h"
#include "textutil/html_redirect.h"
#include "textutil/next_page.h"
#include "web/body_decoding.h"

namespace lh {
namespace {

struct PipelinePage {
    const char* file;
    SearchEngine engine;
};

const PipelinePage kPipelinePages[] = {
    {"baidu-1.html", SearchEngine::Baidu},
    {"baidu-3.html", SearchEngine::Baidu},
    {"sogou-2.html", SearchEngine::Sogou},
    {"sogou-4.html", SearchEngine::Sogou},
    {"sogou-5.html", SearchEngine::Sogou},
    {"so360-1.html", SearchEngine::Search360},
    {"so360-2.html", SearchEngine::Search360},
    {"bing-1.html", SearchEngine::Bing},
    {"bing-6.html", SearchEngine::Bing},
    {"bing-8.html", SearchEngine::Bing},
    {"google-1.html", SearchEngine::Google},
    {"google-4.html", SearchEngine::Google},
    {"google-5.html", SearchEngine::Google},
    {"modern/baidu-2026-1.html", SearchEngine::Baidu},
    {"modern/so360-2026-1.html", SearchEngine::Search360},
    {"modern/bing-2026-2.html", SearchEngine::Bing},
};
constexpr int kPipelinePageCount = static_cast<int>(std::size(kPipelinePages));

std::string samplesFolder() {
    const char* env = std::getenv("LH_SAMPLES_DIR");
    return env != nullptr ? env : LH_SAMPLES_DIR;
}

// The page's bytes as the server sent them (not yet decoded).
const std::string& bodyOf(int index) {
    static const std::vector<std::string> bodies = [] {
        std::vector<std::string> loaded;
        for (const PipelinePage& page : kPipelinePages) {
            std::ifstream in(samplesFolder() + "/" + page.file, std::ios::binary);
            loaded.emplace_back(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
        }
        return loaded;
    }();
    return bodies[static_cast<std::size_t>(index)];
}

std::string searchAddressOf(SearchEngine engine) {
    SearchQuery query;
    query.engine = engine;
    query.keyword = "linkharvest";
    query.page = 1;
    query.googleBase = "https://www.google.com";
    return buildSearchUrl(query);
}

// What the run does with one downloaded body, step for step as the download and the page
// source do it.
ResultPage runPipeline(const EngineProfile& engine, const std::string& address,
                       const std::string& body) {
    std::string text = decodeBody(std::string_view(body), CharsetCode::Detect);
    if (!fetchesAbsolutePages(engine.fetch))
        return readResultPage(engine, address, std::move(text));
    std::string finalAddress = address;
    benchmark::DoNotOptimize(detectRedirect(text, finalAddress));
    text = std::string(absolutisedPage(finalAddress, text));  // as fetchPage returns it
    return readResultPage(engine, address, std::move(text), PageLinks::Absolute);
}

void BM_PagePipeline(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const PipelinePage& sample = kPipelinePages[index];
    state.SetLabel(sample.file);
    const std::string& body = bodyOf(index);
    if (body.empty()) {
        state.SkipWithError("sample page missing");
        return;
    }
    const EngineProfile& engine = engineProfile(sample.engine);
    const std::string address = searchAddressOf(sample.engine);
    std::size_t records = 0;
    for (auto _ : state) {
        ResultPage page = runPipeline(engine, address, body);
        records = page.records.size();
        benchmark::DoNotOptimize(page);
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(body.size()));
}
BENCHMARK(BM_PagePipeline)
    ->DenseRange(0, kPipelinePageCount - 1)
    ->Unit(benchmark::kMicrosecond);

// --- Linearity: `megabytes` MB of program text made of the real pages' first 64 KB each
// (16 pages: 1 MB), repeated, so that every size holds the same mix of markup. ---

const std::string& repeatedSamples(std::size_t megabytes) {
    static std::map<std::size_t, std::string> pages;
    auto it = pages.find(megabytes);
    if (it != pages.end()) return it->second;
    std::string unit;
    for (int i = 0; i < kPipelinePageCount; ++i) {
        unit += decodeBody(bodyOf(i), CharsetCode::Detect).substr(0, std::size_t{64} << 10);
    }
    std::string page;
    const std::size_t size = megabytes << 20;
    if (!unit.empty()) {
        while (page.size() + unit.size() <= size) page += unit;
        page.append(unit, 0, size - page.size());
    }
    return pages.emplace(megabytes, std::move(page)).first->second;
}

const std::string kLinearAddress = "https://www.bing.com/search?q=linkharvest&first=11";

void reportPerMegabyte(benchmark::State& state, std::size_t megabytes) {
    state.counters["ms_per_MB"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(megabytes),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_LinearDetectRedirect(benchmark::State& state) {
    const auto megabytes = static_cast<std::size_t>(state.range(0));
    const std::string& page = repeatedSamples(megabytes);
    if (page.empty()) {
        state.SkipWithError("sample pages missing");
        return;
    }
    for (auto _ : state) {
        std::string address = kLinearAddress;
        benchmark::DoNotOptimize(detectRedirect(page, address));
    }
    reportPerMegabyte(state, megabytes);
}

void BM_LinearAbsolutiseLinks(benchmark::State& state) {
    const auto megabytes = static_cast<std::size_t>(state.range(0));
    const std::string& page = repeatedSamples(megabytes);
    if (page.empty()) {
        state.SkipWithError("sample pages missing");
        return;
    }
    // As the run reads it for the next-page search: into the thread's kept buffers.
    for (auto _ : state) benchmark::DoNotOptimize(absolutisedPage(kLinearAddress, page));
    reportPerMegabyte(state, megabytes);
}

void BM_LinearFindNextPageUrl(benchmark::State& state) {
    const auto megabytes = static_cast<std::size_t>(state.range(0));
    std::string work = repeatedSamples(megabytes);
    if (work.empty()) {
        state.SkipWithError("sample pages missing");
        return;
    }
    const std::string page = absolutiseLinks(kLinearAddress, work);
    for (auto _ : state) benchmark::DoNotOptimize(findNextPageUrl(kLinearAddress, page));
    reportPerMegabyte(state, megabytes);
}

// The least of the repetitions: what the work costs with the least interference from the
// rest of the machine (a shared virtual machine's timings spread by a tenth and more).
double least(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

BENCHMARK(BM_LinearDetectRedirect)
    ->RangeMultiplier(2)
    ->Range(1, 16)
    ->ComputeStatistics("min", least)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearAbsolutiseLinks)
    ->RangeMultiplier(2)
    ->Range(1, 16)
    ->ComputeStatistics("min", least)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearFindNextPageUrl)
    ->RangeMultiplier(2)
    ->Range(1, 16)
    ->ComputeStatistics("min", least)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lh
