// Result extraction over the real sample pages: extractResultBlocks plus parseResult of
// every block, one page per iteration. Budget: 2 ms per page on average; with the
// fallbacks for today's markup (the run's reading), 1 ms.
// Also the duplicate check of a merged run of 100,000 lines, which must stay linear.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "collect/collection_settings.h"
#include "collect/engine_catalogue.h"
#include "collect/output_writer.h"
#include "collect/result_extraction.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

struct SamplePage {
    const char* file;
    SearchEngine engine;
    bool utf8;
};

const SamplePage kPages[] = {
    {"baidu-1.html", SearchEngine::Baidu, true},
    {"baidu-3.html", SearchEngine::Baidu, true},
    {"sogou-2.html", SearchEngine::Sogou, true},
    {"sogou-4.html", SearchEngine::Sogou, false},
    {"sogou-5.html", SearchEngine::Sogou, true},
    {"so360-1.html", SearchEngine::Search360, true},
    {"so360-2.html", SearchEngine::Search360, true},
    {"bing-1.html", SearchEngine::Bing, true},
    {"bing-6.html", SearchEngine::Bing, true},
    {"bing-8.html", SearchEngine::Bing, true},
    {"google-1.html", SearchEngine::Google, true},
    {"google-4.html", SearchEngine::Google, true},
    {"google-5.html", SearchEngine::Google, true},
    {"modern/baidu-2026-1.html", SearchEngine::Baidu, true},
    {"modern/so360-2026-1.html", SearchEngine::Search360, true},
    {"modern/bing-2026-2.html", SearchEngine::Bing, true},
};
constexpr int kPageCount = static_cast<int>(std::size(kPages));

const std::string& pageText(int index) {
    static std::vector<std::string> texts = [] {
        std::vector<std::string> loaded;
        for (const SamplePage& page : kPages) {
            std::ifstream in(std::string(LH_SAMPLES_DIR) + "/" + page.file, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            loaded.push_back(page.utf8 ? utf8ToGb(bytes) : bytes);
        }
        return loaded;
    }();
    return texts[static_cast<std::size_t>(index)];
}

std::size_t cutPage(int index) {
    HtmlTagScanner scanner;
    const int blocks = extractResultBlocks(kPages[index].engine, pageText(index), scanner);
    std::size_t textBytes = 0;
    for (int i = 1; i <= blocks; ++i) {
        const ResultRecord record =
            parseResult(kPages[index].engine, resultBlock(scanner, i), scanner);
        textBytes += record.title.size() + record.address.size() + record.description.size();
    }
    return textBytes;
}

void BM_ExtractSamplePage(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    state.SetLabel(kPages[index].file);
    if (pageText(index).empty()) {
        state.SkipWithError("sample page missing");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(cutPage(index));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(pageText(index).size()));
}
BENCHMARK(BM_ExtractSamplePage)->DenseRange(0, kPageCount - 1)->Unit(benchmark::kMillisecond);

// Every sample page once per iteration; ms_per_page is the average the budget is about.
void BM_ExtractAllSamplePages(benchmark::State& state) {
    std::int64_t bytes = 0;
    for (int i = 0; i < kPageCount; ++i) bytes += static_cast<std::int64_t>(pageText(i).size());
    if (pageText(0).empty()) {
        state.SkipWithError("sample pages missing");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < kPageCount; ++i) benchmark::DoNotOptimize(cutPage(i));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
    state.counters["ms_per_page"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kPageCount,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ExtractAllSamplePages)->Unit(benchmark::kMillisecond);

// The run's reading of every sample page: the rules, then the fallbacks.
void BM_ReadAllSamplePagesWithFallbacks(benchmark::State& state) {
    if (pageText(0).empty()) {
        state.SkipWithError("sample pages missing");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < kPageCount; ++i) {
            const EngineProfile& engine = engineProfile(kPages[i].engine);
            benchmark::DoNotOptimize(
                readResultRecords(*engine.extraction, engine.extractionFallbacks, pageText(i)));
        }
    }
    state.counters["ms_per_page"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kPageCount,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ReadAllSamplePagesWithFallbacks)->Unit(benchmark::kMillisecond);

// Hands every written line to the null device, one write each, as a result file would.
class NullDeviceSink : public OutputSink {
public:
    NullDeviceSink() : fd_(::open("/dev/null", O_WRONLY | O_CLOEXEC)) {}
    ~NullDeviceSink() override { ::close(fd_); }
    bool take(std::string_view bytes) override {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

private:
    int fd_;
};

// A merged run writing state.range(0) distinct lines with duplicate removal on, 100
// per page, into the null device: time per line must not grow with the run.
void BM_WriteMergedRunWithDuplicateCheck(benchmark::State& state) {
    const long long lines = state.range(0);
    CollectionSettings settings = CollectionSettings::defaults();
    std::vector<ResultRecord> page(100);
    for (auto _ : state) {
        NullDeviceSink nullDevice;
        OutputWriter out(/*writeFiles=*/false);
        out.addSink(nullDevice);
        out.beginRun("/dev");
        out.openMergedFile(settings, {2025, 1, 1, 0, 0, 0});
        long long written = 0;
        for (long long done = 0; done < lines; done += 100) {
            for (int i = 0; i < 100; ++i) {
                const std::string n = std::to_string(done + i);
                page[static_cast<std::size_t>(i)] = {"title " + n,
                                                     "http://www.example" + n + ".com/p", "k", "d"};
            }
            written += out.writePage(settings, page, 100);
        }
        benchmark::DoNotOptimize(written);
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_WriteMergedRunWithDuplicateCheck)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lh
