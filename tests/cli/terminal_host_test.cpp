#include "cli/terminal_host.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include <gtest/gtest.h>

#include "cli/interrupt.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh::cli {
namespace {

class HostTest : public testing::Test {
protected:
    HostTest()
        : out_(open_memstream(&buffer_, &size_)), display_(out_, ProgressDisplay::Mode::Plain) {}
    ~HostTest() override {
        std::fclose(out_);
        std::free(buffer_);
        resetInterruptCount();
    }

    TerminalHost makeHost(TerminalHost::Options options) {
        return TerminalHost(
            std::move(options), display_,
            [this]() -> std::optional<std::string> {
                if (answers_.empty()) return std::nullopt;
                std::string a = answers_.front();
                answers_.pop_front();
                return a;
            },
            [this](int ms) { slept_.push_back(ms); });
    }

    std::string printed() {
        std::fflush(out_);
        return std::string(buffer_, size_);
    }

    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* out_;
    ProgressDisplay display_;
    std::deque<std::string> answers_;
    std::vector<int> slept_;
};

TEST_F(HostTest, WaitsSleepInTenMillisecondSlicesAndStopAtTheFlag) {
    TerminalHost::Options o;
    TerminalHost host = makeHost(o);
    host.waitWithEvents(35, nullptr);
    EXPECT_EQ(slept_, (std::vector<int>{10, 10, 10, 10}));

    slept_.clear();
    std::atomic<bool> stop{true};
    host.waitWithEvents(5000, &stop);
    EXPECT_TRUE(slept_.empty());

    // A scaled wait keeps its slices: 5000 ms at 1/100 is five of them.
    o.pauseScale = 0.01;
    TerminalHost quick = makeHost(o);
    slept_.clear();
    quick.waitWithEvents(5000, nullptr);
    EXPECT_EQ(slept_.size(), 5u);
}

TEST_F(HostTest, CtrlCBecomesOneStopClickAtTheNextPumpPoint) {
    TerminalHost host = makeHost({});
    int stops = 0;
    std::atomic<bool> runStop{false};
    host.setStopHandler([&] {
        ++stops;
        runStop = true;
    });
    host.processEvents();
    EXPECT_EQ(stops, 0);
    installInterruptHandler();
    std::raise(SIGINT);
    std::signal(SIGINT, SIG_DFL);
    slept_.clear();
    host.waitWithEvents(1000, &runStop);
    host.processEvents();
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(slept_.size(), 1u);  // the wait ends at the slice after the stop
}

TEST_F(HostTest, EventsDriveTheProgressAndTheStatusLines) {
    TerminalHost host = makeHost({});
    host.onRunEvent(RunStarted{2});
    host.onRunEvent(KeywordStarted{1, gb("外星人")});
    host.onRunEvent(PageStarted{gb("外星人"), 1});
    host.onRunEvent(PageFetched{gb("外星人"), 1, 10});
    host.onRunEvent(LineWritten{7});
    host.onRunEvent(PageStarted{gb("外星人"), 2});
    EXPECT_EQ(host.progress().keywordIndex, 1);
    EXPECT_EQ(host.progress().keywordCount, 2);
    EXPECT_EQ(host.progress().page, 2);
    // A keyword text that looks like a status text changes nothing: fields count.
    host.onRunEvent(KeywordStarted{2, gb("a 的第 b")});
    host.onRunEvent(PageStarted{gb("a 的第 b"), 1});
    EXPECT_EQ(host.progress().keywordIndex, 2);
    EXPECT_EQ(host.progress().page, 1);
    EXPECT_EQ(host.progress().lines, 7);
    EXPECT_NE(printed().find("正在读 外星人 的第 2 页..\n"), std::string::npos);
    EXPECT_NE(printed().find("外星人 第 1 页,10 个网址\n"), std::string::npos);
}

TEST_F(HostTest, VerificationStopsOrTakesThePastedCookies) {
    TerminalHost::Options o;
    o.cookieText = "seed=1";
    o.captchaMode = CaptchaMode::Stop;
    TerminalHost stopping = makeHost(o);
    answers_ = {"a=1"};
    VerificationOutcome outcome = stopping.solve({"https://www.baidu.com/s?wd=x"});
    EXPECT_FALSE(outcome.proceed);
    EXPECT_EQ(outcome.cookies, "seed=1");
    EXPECT_EQ(stopping.currentCookies(), "seed=1");
    EXPECT_EQ(answers_.size(), 1u);  // nothing read in stop mode
    EXPECT_NE(printed().find("verification page at https://www.baidu.com/s?wd=x"),
              std::string::npos);

    o.captchaMode = CaptchaMode::Ask;
    TerminalHost asking = makeHost(o);
    answers_ = {"  BAIDUID=abc; H_PS=1 \r", "", "x=1"};
    outcome = asking.solve({"https://www.baidu.com/s?wd=y"});
    EXPECT_TRUE(outcome.proceed);
    EXPECT_EQ(outcome.cookies, "BAIDUID=abc; H_PS=1");
    EXPECT_EQ(asking.currentCookies(), "BAIDUID=abc; H_PS=1");  // Bing's "browser" cookies
    EXPECT_FALSE(asking.solve({"https://www.baidu.com/s?wd=y"}).proceed);  // empty line = Cancel
    EXPECT_EQ(asking.currentCookies(), "BAIDUID=abc; H_PS=1");
    answers_.clear();
    EXPECT_FALSE(asking.solve({"https://www.baidu.com/s?wd=y"}).proceed);  // end of input
    EXPECT_NE(printed().find(gbToUtf8(verificationPrompt())), std::string::npos);
    EXPECT_NE(printed().find("Open https://www.baidu.com/s?wd=y in a browser"), std::string::npos);
}

TEST_F(HostTest, EndOfRunAndFailureReportAreReadableLines) {
    TerminalHost::Options o;
    o.programFolder = "/opt/lh";
    TerminalHost host = makeHost(o);
    test::TempFolder folder;
    RunEnded ended;
    ended.elapsedMs = 1500;
    ended.fileFailures = {{"x", "y"}};
    const std::string report = programTextOfPath(folder.path()) + "/" + gb("采集失败代码.html");
    ended.failureReport = FailureReport{report, "https://e/s?q=1", "<html>"};
    ended.failureReport->download = {.failure = TransferFailure::TimedOut, .reason = "late"};
    host.onRunEvent(ended);
    EXPECT_EQ(printed(),
              "就绪\n已采集完成！总采集数量 0 耗时 1.5 秒\n结果文件写入失败：x (y)\n"
              "采集失败代码(已保存到软件目录下)： /opt/lh/采集失败代码.html\n"
              "  https://e/s?q=1\n  超时 (late)\n");
    EXPECT_EQ(test::readFileBytes(nativePath(report)),
              "https://e/s?q=1\r\n" + gb("超时 (late)") + "\r\n<html>");
}

TEST(PauseScale, OnlyAValidFractionShortensWaits) {
    const auto with = [](const char* value) {
        if (value) {
            setenv("LINKHARVEST_TEST_PAUSE_SCALE", value, 1);
        } else {
            unsetenv("LINKHARVEST_TEST_PAUSE_SCALE");
        }
        const double scale = pauseScaleFromEnvironment();
        unsetenv("LINKHARVEST_TEST_PAUSE_SCALE");
        return scale;
    };
    EXPECT_EQ(with(nullptr), 1.0);
    EXPECT_EQ(with("0.001"), 0.001);
    EXPECT_EQ(with("0"), 0.0);
    EXPECT_EQ(with("2"), 1.0);
    EXPECT_EQ(with("-1"), 1.0);
    EXPECT_EQ(with("fast"), 1.0);
    EXPECT_EQ(with("0.5x"), 1.0);
}

TEST(ReadLine, StopsAtNewlineAndEndOfInput) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string input = "a=1; b=2\nnext\nlast";
    ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(fds[1]);
    EXPECT_EQ(readLineFrom(fds[0]), std::optional<std::string>("a=1; b=2"));
    EXPECT_EQ(readLineFrom(fds[0]), std::optional<std::string>("next"));
    EXPECT_EQ(readLineFrom(fds[0]), std::optional<std::string>("last"));
    EXPECT_EQ(readLineFrom(fds[0]), std::nullopt);
    close(fds[0]);
}

}  // namespace
}  // namespace lh::cli
