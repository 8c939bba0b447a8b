// Body decoding throughput, and a loopback download through fetch against the curl
// command line fetching the same page in the same run.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <memory>
#include <string>

#include "support/local_server.h"
#include "textutil/program_text.h"
#include "web/body_decoding.h"
#include "web/http_client.h"

extern char** environ;

namespace lh {
namespace {

// A UTF-8 result page of about `size` bytes: no mark and no meta charset, so decoding
// runs the head scan, the UTF-8 scan and the conversion.
std::string makeUtf8Page(std::size_t size) {
    const std::string title =
        "\xE6\x90\x9C\xE7\xB4\xA2\xE7\xBB\x93\xE6\x9E\x9C\xE6\xA0\x87\xE9\xA2\x98";
    std::string page = "<html><head><title>" + title + "</title><meta name=x></head><body>\n";
    for (int i = 0; page.size() < size; ++i) {
        const std::string n = std::to_string(i);
        page += "<div class=\"result c-container\" id=\"" + n +
                "\"><h3><a href=\"http://www.example" + n + ".com/p?id=" + n + "\">" + title + " " +
                n + "</a></h3><div class=\"c-abstract\">" + title + title + " words &amp; more " +
                title + "</div></div>\n";
    }
    return page + "</body></html>";
}

void BM_DecodeBodyUtf8Page500K(benchmark::State& state) {
    const std::string page = makeUtf8Page(500 * 1024);
    for (auto _ : state) benchmark::DoNotOptimize(decodeBody(page, CharsetCode::Detect));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_DecodeBodyUtf8Page500K)->Unit(benchmark::kMillisecond);

void BM_DecodeBodyGzipPage500K(benchmark::State& state) {
    const std::string page = makeUtf8Page(500 * 1024);
    const std::string packed = test::gzipText(page);
    for (auto _ : state) benchmark::DoNotOptimize(decodeBody(packed, CharsetCode::Detect));
    // Counted in page bytes, so the two decoding figures compare directly.
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
    state.counters["packed_kb"] = static_cast<double>(packed.size()) / 1024.0;
}
BENCHMARK(BM_DecodeBodyGzipPage500K)->Unit(benchmark::kMillisecond);

constexpr std::size_t kDownloadSize = 1024 * 1024;

test::LocalServer& downloadServer() {
    static const std::unique_ptr<test::LocalServer> server = [] {
        auto s = std::make_unique<test::LocalServer>();
        std::string page = makeUtf8Page(kDownloadSize);
        page.resize(kDownloadSize);
        s->setDefaultAnswer(test::ScriptedAnswer::html(page, "text/html; charset=utf-8"));
        return s;
    }();
    return *server;
}

bool fetchOnce(HttpClient& client, const std::string& url) {
    FetchReply reply;
    client.fetch(url, {.timeoutSeconds = 10}, &reply);
    return reply.body.size() == kDownloadSize;
}

bool curlCommandOnce(const std::string& url) {
    const char* argv[] = {"curl", "-s", "--http1.1", "-o", "/dev/null", url.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_FetchLoopback1MB(benchmark::State& state) {
    const std::string url = downloadServer().url("/page");
    HttpClient client;
    for (auto _ : state) {
        if (!fetchOnce(client, url)) state.SkipWithError("download incomplete");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kDownloadSize));
}
BENCHMARK(BM_FetchLoopback1MB)->Unit(benchmark::kMillisecond);

void BM_CurlCommandLoopback1MB(benchmark::State& state) {
    const std::string url = downloadServer().url("/page");
    for (auto _ : state) {
        if (!curlCommandOnce(url)) state.SkipWithError("curl command failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(kDownloadSize));
}
BENCHMARK(BM_CurlCommandLoopback1MB)->Unit(benchmark::kMillisecond);

// Both downloads alternated in one loop, so load on the machine hits both alike; the
// budget is fetch_over_curl <= 1.5.
void BM_FetchVersusCurlCommand(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::string url = downloadServer().url("/page");
    HttpClient client;
    Clock::duration fetchTime{}, curlTime{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        const bool fetched = fetchOnce(client, url);
        auto t1 = Clock::now();
        const bool curled = curlCommandOnce(url);
        auto t2 = Clock::now();
        if (!fetched || !curled) state.SkipWithError("download failed");
        fetchTime += t1 - t0;
        curlTime += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double fetchMs = std::chrono::duration<double, std::milli>(fetchTime).count() / n;
    const double curlMs = std::chrono::duration<double, std::milli>(curlTime).count() / n;
    state.counters["fetch_ms"] = fetchMs;
    state.counters["curl_ms"] = curlMs;
    state.counters["fetch_over_curl"] = curlMs > 0 ? fetchMs / curlMs : 0;
}
BENCHMARK(BM_FetchVersusCurlCommand)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
}  // namespace lh
