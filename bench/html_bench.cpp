// Page toolkit throughput: the tag scanner, link absolutisation and next-page
// detection run on every result page, so each must stay linear in the page size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "textutil/absolutise_links.h"
#include "textutil/html_redirect.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/next_page.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

const std::string kAddress = "http://www.example.com/s/list_3.htm";

// A GB18030 page of about `size` bytes whose divs all nest inside each other: 5,000 of
// them per MB, each with a link, an image, Chinese text and a closing run at the end.
std::string makeNestedPage(std::size_t size) {
    const std::size_t divs = 5000 * size / (1 << 20);
    const std::string text = gb("搜索结果标题　中文内容，描述文字") + " words &amp; more";
    std::string open;
    for (std::size_t i = 0; i < divs; ++i) {
        const std::string n = std::to_string(i);
        open += "<div class=\"c-container item" + n + "\" id=d" + n + "><a href=\"/p?id=" + n +
                "&amp;x=1\">" + text + "</a><img src=\"img/" + n + ".png\" data-src=\"../l/" + n +
                ".jpg\"><span>" + text + "</span>\r\n";
    }
    std::string page = "<html><head><title>t</title></head><body>\r\n" + open;
    const std::string close = "</div><p>" + text + "</p>\r\n";
    while (page.size() + divs * close.size() + 16 < size) page += "<p>" + text + "</p>\r\n";
    for (std::size_t i = 0; i < divs; ++i) page += close;
    page += "</body></html>";
    return page;
}

const std::string& nestedPage(std::size_t size) {
    static std::map<std::size_t, std::string> pages;
    auto it = pages.find(size);
    if (it == pages.end()) it = pages.emplace(size, makeNestedPage(size)).first;
    return it->second;
}

// Real result pages, converted to program text. LH_SAMPLES_DIR in the environment
// overrides the built-in path (worktrees keep the samples elsewhere).
const std::vector<std::string>& samplePages() {
    static const std::vector<std::string> pages = [] {
        std::vector<std::string> out;
        std::filesystem::path dir = LH_SAMPLES_DIR;
        if (const char* env = std::getenv("LH_SAMPLES_DIR")) dir = env;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            if (entry.path().extension() != ".html") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            const std::string raw = bytes.str();
            out.push_back(isValidUtf8(raw) ? utf8ToGb(raw) : raw);
        }
        return out;
    }();
    return pages;
}

std::size_t totalSize(const std::vector<std::string>& pages) {
    std::size_t n = 0;
    for (const auto& p : pages) n += p.size();
    return n;
}

const ElementQuery kDivsWithClass{
    .tag = "div", .attrNames = {"class"}, .attrValues = {"c-container"}, .containsMatch = true};

void BM_CollectNestedDivs(benchmark::State& state) {
    const std::string& page = nestedPage(static_cast<std::size_t>(state.range(0)));
    int count = 0;
    for (auto _ : state) {
        HtmlTagScanner scanner;
        count = scanner.findAllElements(page, kDivsWithClass);
        benchmark::DoNotOptimize(count);
    }
    state.counters["elements"] = count;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_CollectNestedDivs)
    ->Arg(256 << 10)
    ->Arg(512 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_AbsolutiseNested(benchmark::State& state) {
    const std::string& page = nestedPage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string work = page;
        std::string result = absolutiseLinks(kAddress, work);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_AbsolutiseNested)
    ->Arg(256 << 10)
    ->Arg(512 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_NextPageNested(benchmark::State& state) {
    std::string work = nestedPage(static_cast<std::size_t>(state.range(0)));
    const std::string page = absolutiseLinks(kAddress, work);
    for (auto _ : state) {
        std::string next = findNextPageUrl(kAddress, page);
        benchmark::DoNotOptimize(next);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_NextPageNested)
    ->Arg(256 << 10)
    ->Arg(512 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_RedirectNested(benchmark::State& state) {
    const std::string& page = nestedPage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string address = kAddress;
        benchmark::DoNotOptimize(detectRedirect(page, address));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_RedirectNested)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

void BM_SamplesCollectDivs(benchmark::State& state) {
    const auto& pages = samplePages();
    for (auto _ : state) {
        for (const auto& page : pages) {
            HtmlTagScanner scanner;
            benchmark::DoNotOptimize(scanner.findAllElements(page, kDivsWithClass));
        }
    }
    state.counters["pages"] = static_cast<double>(pages.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * totalSize(pages)));
}
BENCHMARK(BM_SamplesCollectDivs)->Unit(benchmark::kMillisecond);

void BM_SamplesAbsolutise(benchmark::State& state) {
    const auto& pages = samplePages();
    for (auto _ : state) {
        for (const auto& page : pages) {
            std::string work = page;
            benchmark::DoNotOptimize(absolutiseLinks(kAddress, work));
        }
    }
    state.counters["pages"] = static_cast<double>(pages.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * totalSize(pages)));
}
BENCHMARK(BM_SamplesAbsolutise)->Unit(benchmark::kMillisecond);

void BM_SamplesNextPage(benchmark::State& state) {
    std::vector<std::string> pages;
    for (const auto& page : samplePages()) {
        std::string work = page;
        pages.push_back(absolutiseLinks(kAddress, work));
    }
    for (auto _ : state) {
        for (const auto& page : pages) benchmark::DoNotOptimize(findNextPageUrl(kAddress, page));
    }
    state.counters["pages"] = static_cast<double>(pages.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * totalSize(pages)));
}
BENCHMARK(BM_SamplesNextPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lh
