// linkharvest-cli as a process against the mock engines on 127.0.0.1, reached through
// --connect-to and --cacert as a user would reach a mirror.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "cli/cli_process.h"
#include "collect/engine_catalogue.h"
#include "collect/result_output.h"
#include "support/local_server.h"
#include "support/mock_engine_server.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"
#include "web/http_client.h"
#include "web/network_overrides.h"

namespace lh::cli::test {
namespace {

namespace fs = std::filesystem;
using lh::test::MockEngineServer;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// What the run's end-to-end tests expect of a keyword's file: the mock engine's results
// through the default template.
std::string expectedFile(SearchEngine engine, const std::string& keyword, int pages) {
    std::string text;
    for (int page = 1; page <= pages; ++page) {
        for (const auto& r : MockEngineServer::results(engine, keyword, page)) {
            const std::string site = r.target.substr(7, r.target.find('/', 7) - 7);
            text += "\"" + r.title + "\",\"" + r.target + "\",\"" + site + "\",\"example.com\",\"" +
                    r.description + "\"\r\n";
        }
    }
    return text;
}

// File-system name of a keyword's file.
std::string fileOf(SearchEngine engine, const std::string& keyword) {
    return gbToUtf8(engineProfile(engine).displayName + "_" + fileSafeKeyword(keyword) + ".txt");
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// An HTTP proxy's work: the request passed on (in this process the engine hosts lead to
// the mock engines) and the answer handed back as it came, packed body included.
lh::test::ScriptedAnswer passedOn(const lh::test::RecordedRequest& r) {
    HttpRequest request;
    request.url = r.target;
    request.cookies = r.header("Cookie");
    for (const std::string& line : r.headerLines) {
        const std::string name = line.substr(0, line.find(':'));
        if (name == "Host" || name == "Cookie" || name.starts_with("Proxy-")) continue;
        request.headers += line + "\r\n";
    }
    const HttpResponse response = HttpClient::runTransfer(request);
    lh::test::ScriptedAnswer answer;
    answer.status = static_cast<int>(response.status);
    answer.body = fromBytes(response.body);
    for (const std::string& line : splitText(response.rawHeaders, "\r\n")) {
        const std::string name = line.substr(0, line.find(':'));
        if (line.empty() || line.starts_with("HTTP/") || name == "Content-Length" ||
            name == "Transfer-Encoding" || name == "Connection")
            continue;
        answer.headers.push_back(line);
    }
    return answer;
}

class CliHarvest : public testing::Test {
protected:
    CliHarvest() {
        std::ofstream(folder_.path() / "keywords.txt", std::ios::binary) << "a\n中文 词\n";
    }

    // The options that send every engine host to the mock servers.
    std::vector<std::string> args(SearchEngine engine, const std::string& out) {
        std::vector<std::string> a = {
            "--engine",         std::string(engineProfile(engine).cliName),
            "--keywords",       (folder_.path() / "keywords.txt").string(),
            "--save-folder",    (folder_.path() / out).string(),
            "--program-folder", program().string(),
            "--pages",          "3",
            "--per-page",       "10"};
        for (std::string& option : mockNetworkArgs()) a.push_back(std::move(option));
        return a;
    }

    fs::path program() { return folder_.path() / "program"; }

    static ProcessOptions quick(double scale = 0.001) {
        ProcessOptions o;
        o.environment.push_back("LINKHARVEST_TEST_PAUSE_SCALE=" + std::to_string(scale));
        o.timeoutMs = 60000;
        return o;
    }

    MockEngineServer server_;
    lh::test::TempFolder folder_;
};

TEST_F(CliHarvest, FilesAreByteForByteWhatTheRunWritesForTwoEngines) {
    const std::string second = gb("中文 词");
    for (const SearchEngine engine : {SearchEngine::Bing, SearchEngine::Baidu}) {
        const std::string name(engineProfile(engine).cliName);
        SCOPED_TRACE(name);
        const ProcessResult r = runCli(args(engine, name), quick());
        EXPECT_EQ(r.status, 0) << r.err;
        const fs::path out = folder_.path() / name;
        EXPECT_EQ(filesIn(out),
                  (std::vector<std::string>{fileOf(engine, "a"), fileOf(engine, second)}));
        EXPECT_EQ(readFile(out / fileOf(engine, "a")), expectedFile(engine, "a", 3));
        EXPECT_EQ(readFile(out / fileOf(engine, second)), expectedFile(engine, second, 3));
        // The end-of-run line as the window's message box says it.
        EXPECT_NE(r.err.find("已采集完成！总采集数量 18 耗时 "), std::string::npos) << r.err;
        // Its last lines: where the files went, each with its line count.
        const std::string saved = "结果保存在：" + out.string() + "/\n  " + fileOf(engine, "a") +
                                  "  9 条\n  " + fileOf(engine, second) + "  9 条\n";
        EXPECT_TRUE(r.err.ends_with(saved)) << r.err;
        EXPECT_EQ(server_.resultPageRequests(engine).size(), 6u);
    }
}

TEST_F(CliHarvest, StdoutCarriesTheLinesInsteadOfFiles) {
    const ProcessResult files = runCli(args(SearchEngine::Bing, "files"), quick());
    ASSERT_EQ(files.status, 0) << files.err;
    std::string all;
    for (const std::string& keyword : {std::string("a"), gb("中文 词")}) {
        all += readFile(folder_.path() / "files" / fileOf(SearchEngine::Bing, keyword));
    }
    ASSERT_FALSE(all.empty());

    auto a = args(SearchEngine::Bing, "unused");
    a.push_back("--stdout");
    const ProcessResult gbOut = runCli(a, quick());
    EXPECT_EQ(gbOut.status, 0) << gbOut.err;
    EXPECT_EQ(gbOut.out, all);
    EXPECT_FALSE(fs::exists(folder_.path() / "unused"));

    // A UTF-8 terminal gets UTF-8 lines; --encoding gb18030 keeps the files' bytes there.
    ProcessOptions utf8Locale = quick();
    utf8Locale.environment.push_back("LANG=zh_CN.UTF-8");
    const ProcessResult utf8Out = runCli(a, utf8Locale);
    EXPECT_EQ(utf8Out.status, 0) << utf8Out.err;
    EXPECT_EQ(utf8Out.out, gbToUtf8(replaceAll(all, "\r\n", "\n")));
    a.insert(a.end(), {"--encoding", "gb18030"});
    EXPECT_EQ(runCli(a, utf8Locale).out, all);
}

TEST_F(CliHarvest, AHandEditedSettingsFileWithLfLinesSelectsItsEngineAndTemplate) {
    const fs::path ini = folder_.path() / "lf.ini";
    std::ofstream(ini, std::ios::binary)
        << gb("[主界面]\n单选框百度=假\n单选框必应=真\n编辑框保存模板=#网址#\n");
    auto a = args(SearchEngine::Baidu, "unused");
    a.erase(a.begin(), a.begin() + 2);  // no --engine: the file names it
    a.insert(a.end(), {"--settings", ini.string(), "--verbose", "--stdout", "--pages", "1"});
    const ProcessResult r = runCli(a, quick());
    EXPECT_EQ(r.status, 0) << r.err;
    std::string expected;
    for (const std::string& keyword : {std::string("a"), gb("中文 词")}) {
        for (const auto& result : MockEngineServer::results(SearchEngine::Bing, keyword, 1))
            expected += result.target + "\r\n";
    }
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(server_.resultPageRequests(SearchEngine::Baidu).size(), 0u);
    EXPECT_NE(r.err.find("--engine, --template"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST_F(CliHarvest, AVerificationPageWithOnCaptchaStopEndsWithStatus1AndNoCookieFile) {
    server_.requireVerification(SearchEngine::Baidu);
    auto a = args(SearchEngine::Baidu, "out");
    a.push_back("--on-captcha");
    a.push_back("stop");
    const ProcessResult r = runCli(a, quick());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("verification page at https://www.baidu.com/"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(program() / gbToUtf8(gb("百度Cookies.txt"))));
    // Nothing written: the failure report keeps the verification page.
    const std::string report = readFile(program() / gbToUtf8(gb("采集失败代码.html")));
    EXPECT_NE(report.find(gb("百度安全验证")), std::string::npos);
    EXPECT_EQ(server_.resultPageRequests(SearchEngine::Baidu).size(), 1u);
}

TEST_F(CliHarvest, OnCaptchaAskTakesThePastedCookiesAndGoesOn) {
    server_.requireVerification(SearchEngine::Baidu);
    auto a = args(SearchEngine::Baidu, "out");
    a.push_back("--on-captcha");
    a.push_back("ask");
    ProcessOptions o = quick();
    o.input = "verified=yes\n";
    const ProcessResult r = runCli(a, o);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("https://www.baidu.com/"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(program() / gbToUtf8(gb("百度Cookies.txt"))), "verified=yes");
    EXPECT_EQ(readFile(folder_.path() / "out" / fileOf(SearchEngine::Baidu, "a")),
              expectedFile(SearchEngine::Baidu, "a", 3));
}

TEST_F(CliHarvest, CtrlCMidRunStopsLikeTheButtonAndKeepsFinishedPagesIntact) {
    std::ofstream(folder_.path() / "keywords.txt", std::ios::binary) << "a\nb\nc\n";
    bool sent = false;
    ProcessOptions o = quick(0.05);  // page pauses of 250-350 ms leave time to interrupt
    o.onError = [&sent](int pid, const std::string& err) {
        if (!sent && err.find("progress: keyword 2/3 | page 2") != std::string::npos) {
            ::kill(pid, SIGINT);
            sent = true;
        }
    };
    const ProcessResult r = runCli(args(SearchEngine::Bing, "out"), o);
    ASSERT_TRUE(sent) << r.err;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("已停止采集！总采集数量 "), std::string::npos) << r.err;

    EXPECT_EQ(readFile(folder_.path() / "out" / fileOf(SearchEngine::Bing, "a")),
              expectedFile(SearchEngine::Bing, "a", 3));
    // Keyword b ends with whole lines from its finished pages; c never starts.
    const std::string b = readFile(folder_.path() / "out" / fileOf(SearchEngine::Bing, "b"));
    EXPECT_FALSE(b.empty());
    EXPECT_EQ(b.substr(b.size() - 2), "\r\n");
    EXPECT_FALSE(fs::exists(folder_.path() / "out" / fileOf(SearchEngine::Bing, "c")));
}

TEST_F(CliHarvest, CtrlCDuringAStalledPageEndsWithinTwoSecondsWithTheEndOfRunLine) {
    server_.alterAnswer = [](const lh::test::RecordedRequest& r, lh::test::ScriptedAnswer& a) {
        if (MockEngineServer::engineOfRequest(r) != SearchEngine::None) a.delayMs = 60000;
    };
    std::chrono::steady_clock::time_point sentAt{};
    bool sent = false;
    ProcessOptions o = quick();
    o.onError = [&](int pid, const std::string& err) {
        if (!sent && err.find("正在读 a 的第 1 页") != std::string::npos) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the page is asked for
            sentAt = std::chrono::steady_clock::now();
            ::kill(pid, SIGINT);
            sent = true;
        }
    };
    const ProcessResult r = runCli(args(SearchEngine::Baidu, "out"), o);
    ASSERT_TRUE(sent) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - sentAt, std::chrono::seconds(2));
    EXPECT_NE(r.err.find("已停止采集！总采集数量 0 耗时 "), std::string::npos) << r.err;
}

TEST_F(CliHarvest, KeywordsTakeTheLiveProxiesInTurnAndTheDeadOneIsNamed) {
    lh::test::LocalServer first, second;
    first.setHandler(passedOn);
    second.setHandler(passedOn);
    int deadPort = 0;
    {
        const lh::test::LocalServer gone;
        deadPort = gone.port();
    }
    const std::string dead = "127.0.0.1:" + std::to_string(deadPort);
    std::ofstream(folder_.path() / "proxies.txt")
        << "http://127.0.0.1:" << first.port() << "\n" << dead << "\nhttp://127.0.0.1:"
        << second.port() << "\n";
    const std::vector<std::string> keywords = {"ka", "kb", "kc", "kd"};
    std::ofstream(folder_.path() / "keywords.txt") << "ka\nkb\nkc\nkd\n";
    // The engines are reached through the proxies alone (libcurl tunnels where it is
    // told where to connect).
    std::vector<std::string> a = args(SearchEngine::Sogou, "out");
    for (auto at = std::find(a.begin(), a.end(), "--connect-to"); at != a.end();
         at = std::find(a.begin(), a.end(), "--connect-to"))
        a.erase(at, at + 2);
    a.push_back("--proxy-list");
    a.push_back((folder_.path() / "proxies.txt").string());

    const ProcessResult r = runCli(a, quick());
    EXPECT_EQ(r.status, 0) << r.err;
    // Each live proxy's log holds its keywords' three pages, nothing else.
    const auto share = [&](const lh::test::LocalServer& proxy) {
        std::vector<std::string> seen;
        for (const auto& request : proxy.requests()) {
            for (const std::string& keyword : keywords) {
                if (request.target.find("=" + keyword + "&") != std::string::npos ||
                    request.target.ends_with("=" + keyword))
                    seen.push_back(keyword);
            }
        }
        return seen;
    };
    EXPECT_EQ(share(first), (std::vector<std::string>{"ka", "ka", "ka", "kc", "kc", "kc"}));
    EXPECT_EQ(share(second), (std::vector<std::string>{"kb", "kb", "kb", "kd", "kd", "kd"}));
    EXPECT_EQ(first.requestCount() + second.requestCount(), 12u);
    for (const std::string& keyword : keywords) {
        EXPECT_EQ(readFile(folder_.path() / "out" / fileOf(SearchEngine::Sogou, keyword)),
                  expectedFile(SearchEngine::Sogou, keyword, 3))
            << keyword;
    }
    EXPECT_NE(r.err.find("代理服务器无法连接，已停用：" + dead), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("无法连接而停用的代理服务器：" + dead), std::string::npos) << r.err;
    EXPECT_EQ(server_.resultPageRequests(SearchEngine::Sogou).size(), 12u);
}

}  // namespace
}  // namespace lh::cli::test
