// Runs whose every download fails, each in its own way: the failure report names why.
#include <filesystem>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "collect/collection_driver.h"
#include "collect/engine_page_source.h"
#include "support/fake_run_host.h"
#include "support/local_server.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"
#include "web/network_overrides.h"
#include "web/request_profiles.h"

namespace lh {
namespace {

using test::LocalServer;
using test::ScopedServerRedirect;
using test::ScriptedAnswer;

// One keyword, one page of Baidu (downloaded with fetch over HTTPS), nothing written.
struct FailingRun {
    FailingRun() {
        host.options.saveFolder = programFolder + "/out";
        host.options.engine = SearchEngine::Baidu;
        host.options.keywordList = "a";
        host.options.pageLimit = PageLimit{1};
        session.userAgent = std::string(kDesktopUserAgent);
    }
    // The report file, after the run.
    std::string run() {
        driver.onStartStopClicked();
        return test::readFileBytes(folder / nativePath(gb("采集失败代码.html")));
    }

    test::TempFolder scratch;
    const std::filesystem::path folder = scratch.path();
    const std::string programFolder = programTextOfPath(folder);
    test::FakeRunHost host;
    EngineSession session;
    OutputWriter output;
    EnginePageSource pages{host.browser, host.clock, programFolder};
    CollectionDriver driver{host.surroundings(), {pages, output, session, programFolder, ""}};
};

// An HTTPS server standing in for www.baidu.com that answers everything with `answer`.
struct FakeBaidu {
    explicit FakeBaidu(ScriptedAnswer answer) { server.setDefaultAnswer(std::move(answer)); }
    LocalServer server{LocalServer::Scheme::Https};
    ScopedServerRedirect redirect{server, {"www.baidu.com"}};
};

struct Case {
    const char* name;
    std::function<std::shared_ptr<void>()> setUp;  // what the run meets; held while it runs
    std::string kind;                              // the reason's words
    std::string detail;                            // from the system's text or the answer
};

std::shared_ptr<void> redirectBaiduTo(const std::string& host, int port) {
    NetworkOverrides::instance().clear();
    NetworkOverrides::instance().addConnectTo("www.baidu.com", 443, host, port);
    return std::shared_ptr<void>(nullptr, [](void*) { NetworkOverrides::instance().clear(); });
}

TEST(TransferFailuresE2E, EachKindReachesTheFailureReportWithItsReason) {
    ScriptedAnswer resetMidPage = ScriptedAnswer::html(std::string(5000, 'x'));
    resetMidPage.dropAfterBodyBytes = 2000;
    resetMidPage.resetOnDrop = true;
    ScriptedAnswer bomb = ScriptedAnswer::html(test::gzipBomb(std::size_t{64} << 20));
    bomb.headers.push_back("Content-Encoding: gzip");
    ScriptedAnswer unavailable = ScriptedAnswer::html("<html>busy</html>");
    unavailable.status = 503;
    unavailable.reason = "Service Unavailable";
    unavailable.headers.push_back("Retry-After: 120");
    const int closedPort = LocalServer().port();

    const std::vector<Case> cases = {
        {"dns", [] { return redirectBaiduTo("nonexistent.invalid", 443); }, gb("域名解析失败"),
         "nonexistent.invalid"},
        {"refused", [&] { return redirectBaiduTo("127.0.0.1", closedPort); }, gb("无法连接"),
         std::to_string(closedPort)},
        {"tls",
         [] {
             struct Untrusted {
                 LocalServer server{LocalServer::untrustedCertFile(),
                                    LocalServer::untrustedKeyFile()};
                 ScopedServerRedirect redirect{server, {"www.baidu.com"}};
             };
             return std::shared_ptr<void>(std::make_shared<Untrusted>());
         },
         gb("安全连接失败"), "SSL"},
        {"cut short",
         [&] { return std::shared_ptr<void>(std::make_shared<FakeBaidu>(resetMidPage)); },
         gb("内容不完整"), "Connection reset"},
        {"too large", [&] { return std::shared_ptr<void>(std::make_shared<FakeBaidu>(bomb)); },
         gb("内容过大"), "16777216"},
        {"http status",
         [&] { return std::shared_ptr<void>(std::make_shared<FakeBaidu>(unavailable)); },
         gb("服务器返回错误"), "Retry-After: 120\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::shared_ptr<void> held = c.setUp();
        FailingRun r;
        const std::string report = r.run();
        // The address, then the reason, then what came of the answer.
        ASSERT_EQ(report.find("https://www.baidu.com/s?"), 0u) << report;
        const std::size_t reason = report.find("\r\n") + 2;
        EXPECT_EQ(report.find(c.kind + " ("), reason) << gbToUtf8(report);
        EXPECT_NE(report.find(c.detail), std::string::npos) << gbToUtf8(report);
        EXPECT_EQ(r.host.progress.all<DownloadFailed>().size(), 4u);  // every attempt
    }
    // An answer with an error status keeps its status line, headers and page.
    FakeBaidu busy(unavailable);
    FailingRun r;
    const std::string report = r.run();
    EXPECT_NE(report.find("\r\nHTTP/1.1 503 Service Unavailable\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nRetry-After: 120\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\n\r\n<html>busy</html>"), std::string::npos);
}

}  // namespace
}  // namespace lh
