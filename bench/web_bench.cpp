// Body decoding throughput, and a loopback download through fetch against the curl
// command line fetching the same page in the same run.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <malloc.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "support/local_server.h"
#include "textutil/program_text.h"
#include "web/body_decoding.h"
#include "web/http_client.h"
#include "web/network_overrides.h"

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

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct BatchCost {
    double cpuMs = 0;
    int tlsHandshakes = 0;
    int connections = 0;
    bool complete = true;
};

// Twenty pages of 300 KB from one fresh local host, one client per page as the run makes
// them; only this thread's CPU counts, so the server's own work stays out.
BatchCost fetchTwentyPages(test::LocalServer::Scheme scheme) {
    constexpr std::size_t kPageSize = 300 * 1024;
    test::LocalServer server(scheme);
    std::string page = makeUtf8Page(kPageSize);
    page.resize(kPageSize);
    server.setDefaultAnswer(test::ScriptedAnswer::html(page, "text/html; charset=utf-8"));
    BatchCost cost;
    const double start = threadCpuMs();
    for (int i = 0; i < 20; ++i) {
        HttpClient client;
        FetchReply reply;
        client.fetch(server.url("/s?pn=" + std::to_string(i)), {.timeoutSeconds = 10}, &reply);
        cost.complete = cost.complete && reply.body.size() == kPageSize;
    }
    cost.cpuMs = threadCpuMs() - start;
    cost.tlsHandshakes = server.tlsHandshakeCount();
    cost.connections = server.connectionCount();
    return cost;
}

long statusKb(std::string_view field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field)) return std::stol(line.substr(field.size()));
    }
    return 0;
}

// Growth of the resident set over its level at construction, at its highest. Large
// buffers are mapped and unmapped one by one, so freed memory cannot hide a peak.
class PeakMemoryProbe {
public:
    PeakMemoryProbe() {
        mallopt(M_MMAP_THRESHOLD, 256 * 1024);
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        baseKb_ = statusKb("VmRSS:");
    }
    double growthMb() const { return static_cast<double>(statusKb("VmHWM:") - baseKb_) / 1024.0; }

private:
    long baseKb_ = 0;
};

// A gzip body that unpacks to state.range(0) MB, and a plain body of state.range(0) MB:
// both must stay within a few times the body limit, whatever their size.
void peakMemoryOf(benchmark::State& state, const test::ScriptedAnswer& answer) {
    test::LocalServer server;
    server.setDefaultAnswer(answer);
    double peakMb = 0;
    std::size_t textBytes = 0;
    for (auto _ : state) {
        const PeakMemoryProbe probe;
        HttpClient client;
        textBytes = client.fetch(server.url("/big"), {.timeoutSeconds = 60}).size();
        peakMb = std::max(peakMb, probe.growthMb());
    }
    state.counters["peak_mb"] = peakMb;
    state.counters["text_bytes"] = static_cast<double>(textBytes);
}

void BM_PeakMemoryGzipBomb(benchmark::State& state) {
    test::ScriptedAnswer bomb =
        test::ScriptedAnswer::html(test::gzipBomb(static_cast<std::size_t>(state.range(0)) << 20));
    bomb.headers.push_back("Content-Encoding: gzip");
    peakMemoryOf(state, bomb);
}
BENCHMARK(BM_PeakMemoryGzipBomb)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PeakMemoryOversizeBody(benchmark::State& state) {
    // No Content-Length, so nothing can refuse it before reading: the worst case.
    test::ScriptedAnswer big = test::ScriptedAnswer::html("<html>");
    big.fillerBytes = static_cast<std::size_t>(state.range(0)) << 20;
    big.addContentLength = false;
    big.closeAfter = true;
    peakMemoryOf(state, big);
}
BENCHMARK(BM_PeakMemoryOversizeBody)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(1);

// The budget: https_over_http <= 1.5, with one TLS handshake per twenty pages.
void BM_Fetch20Pages300KBHttpsVersusHttp(benchmark::State& state) {
    // The test CA is trusted for the whole run, as the command line's --cacert does.
    const NetworkOverrides::Snapshot saved = NetworkOverrides::instance().snapshot();
    NetworkOverrides::instance().setExtraCaFile(test::LocalServer::caFile());
    // The CA store is read once per process; that first read is not what is measured.
    fetchTwentyPages(test::LocalServer::Scheme::Https);
    double httpMs = 0, httpsMs = 0;
    int handshakes = 0, connections = 0;
    for (auto _ : state) {
        const BatchCost http = fetchTwentyPages(test::LocalServer::Scheme::Http);
        const BatchCost https = fetchTwentyPages(test::LocalServer::Scheme::Https);
        if (!http.complete || !https.complete) state.SkipWithError("download incomplete");
        httpMs += http.cpuMs;
        httpsMs += https.cpuMs;
        handshakes = std::max(handshakes, https.tlsHandshakes);
        connections = std::max(connections, https.connections);
    }
    NetworkOverrides::instance().restore(saved);
    const double n = static_cast<double>(state.iterations());
    state.counters["http_cpu_ms"] = httpMs / n;
    state.counters["https_cpu_ms"] = httpsMs / n;
    state.counters["https_over_http"] = httpMs > 0 ? httpsMs / httpMs : 0;
    state.counters["tls_handshakes"] = handshakes;
    state.counters["connections"] = connections;
}
BENCHMARK(BM_Fetch20Pages300KBHttpsVersusHttp)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace lh
