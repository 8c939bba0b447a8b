// Text utilities over a generated result page: throughput must hold from 500 KB to 4 MB.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "textutil/program_text.h"
#include "textutil/regex_service.h"
#include "textutil/text_between.h"
#include "textutil/text_cleanup.h"

namespace lh {
namespace {

// A GB18030 page of about `size` bytes: result blocks with Chinese titles and
// descriptions, attributes with spaced "=", entities and line breaks.
std::string makePage(std::size_t size) {
    const std::string title = gb("搜索结果标题　中文内容");
    const std::string desc = gb("这是一段描述文字，包含　全角空格和英文 words &amp; 实体 &#20320;");
    std::string page =
        "<html><head><meta charset=\"gbk\"><title>" + title + "</title></head><body>\r\n";
    for (int i = 0; page.size() < size; ++i) {
        const std::string n = std::to_string(i);
        page += "<div class = \"result c-container\" id=" + n +
                ">\r\n  <h3 class=\"t\"><a href =\"http://www.example" + n + ".com/p?id=" + n +
                "\" target=_blank>" + title + " <em>" + n + "</em></a></h3>\r\n" +
                "  <div class=\"c-abstract\">" + desc + "<br />   \r\n" + desc +
                "</div>\r\n</div>\r\n";
    }
    page += "</body></html>";
    return page;
}

const std::string& page(std::size_t size) {
    static std::map<std::size_t, std::string> pages;
    auto it = pages.find(size);
    if (it == pages.end()) it = pages.emplace(size, makePage(size)).first;
    return it->second;
}

void BM_TextBetweenWalkAllTags(benchmark::State& state) {
    const std::string& text = page(static_cast<std::size_t>(state.range(0)));
    std::size_t tags = 0;
    for (auto _ : state) {
        TextPosition pos;
        tags = 0;
        for (;;) {
            std::string tag = textBetween(text, "<", ">", &pos);
            if (pos.exhausted()) break;
            benchmark::DoNotOptimize(tag);
            ++tags;
        }
    }
    state.counters["tags"] = static_cast<double>(tags);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

void BM_StripTagsThenTrimLines(benchmark::State& state) {
    const std::string& text = page(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string plain = trimLines(stripTags(text));
        benchmark::DoNotOptimize(plain);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

void BM_RegexReplaceAttributeSpacing(benchmark::State& state) {
    const std::string& text = page(static_cast<std::size_t>(state.range(0)));
    RegexService re;
    re.create(gb("[\\s　]{0,10}=[\\s　]{0,10}"));
    for (auto _ : state) {
        std::string out = re.replace(text, "=");
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}

BENCHMARK(BM_TextBetweenWalkAllTags)
    ->Arg(500 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(4096 * 1024)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StripTagsThenTrimLines)
    ->Arg(500 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(4096 * 1024)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegexReplaceAttributeSpacing)
    ->Arg(500 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(4096 * 1024)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lh
