#include "cli/terminal_host.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include <gtest/gtest.h>

#include "cli/interrupt.h"
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

TEST_F(HostTest, StatusTextsDriveTheProgress) {
    TerminalHost host = makeHost({});
    EXPECT_EQ(host.startButtonCaption(), gb("开始采集"));  // idle: the first click starts
    host.setKeywordCount(2);
    host.setStatusText(0, gb("正在读 外星人 的第 1 页.."));
    host.setStatusText(0, gb("外星人 第 1 页,10 个网址"));
    host.setStartButtonCaption(gb("已采集数 7"));
    host.setStatusText(0, gb("正在读 外星人 的第 2 页.."));
    EXPECT_EQ(host.progress().keywordIndex, 1);
    EXPECT_EQ(host.progress().page, 2);
    host.setStatusText(0, gb("正在读 a 的第 b 的第 1 页.."));
    EXPECT_EQ(host.progress().keywordIndex, 2);
    EXPECT_EQ(host.progress().page, 1);
    EXPECT_EQ(host.linesShown(), 7);
    EXPECT_EQ(host.startButtonCaption(), gb("已采集数 7"));
    EXPECT_NE(printed().find("正在读 外星人 的第 2 页..\n"), std::string::npos);
}

TEST_F(HostTest, VerificationStopsOrTakesThePastedCookies) {
    TerminalHost::Options o;
    o.cookieText = "seed=1";
    o.captchaMode = CaptchaMode::Stop;
    TerminalHost stopping = makeHost(o);
    stopping.webViewLoadAddress("https://www.baidu.com/s?wd=x");
    stopping.webViewLoadAddress("about:blank");
    answers_ = {"a=1"};
    EXPECT_FALSE(stopping.askVerificationContinue(gb("请完成验证")));
    EXPECT_EQ(stopping.webViewCurrentCookies(), "seed=1");
    EXPECT_EQ(answers_.size(), 1u);  // nothing read in stop mode
    EXPECT_NE(printed().find("https://www.baidu.com/s?wd=x"), std::string::npos);

    o.captchaMode = CaptchaMode::Ask;
    TerminalHost asking = makeHost(o);
    answers_ = {"  BAIDUID=abc; H_PS=1 \r", "", "x=1"};
    EXPECT_TRUE(asking.askVerificationContinue(gb("请完成验证")));
    EXPECT_EQ(asking.webViewCurrentCookies(), "BAIDUID=abc; H_PS=1");
    EXPECT_FALSE(asking.askVerificationContinue(gb("请完成验证")));  // empty line = Cancel
    EXPECT_EQ(asking.webViewCurrentCookies(), "BAIDUID=abc; H_PS=1");
    answers_.clear();
    EXPECT_FALSE(asking.askVerificationContinue(gb("请完成验证")));  // end of input = Cancel
    EXPECT_NE(printed().find("请完成验证"), std::string::npos);
}

TEST_F(HostTest, EndOfRunAndFailureReportAreReadableLines) {
    TerminalHost::Options o;
    o.programFolder = "/opt/lh";
    TerminalHost host = makeHost(o);
    host.setStatusText(1, gb("已采集完成！总采集数量 0 耗时 1.5 秒"));
    host.showEndOfRunMessage(gb("已采集完成！总采集数量 0 耗时 1.5 秒") + "\r\n" +
                             gb("结果文件写入失败：x"));
    host.showFailureReport(gb("采集失败代码(已保存到软件目录下)："), "https://e/s?q=1", "<html>");
    EXPECT_EQ(printed(),
              "已采集完成！总采集数量 0 耗时 1.5 秒\n结果文件写入失败：x\n"
              "采集失败代码(已保存到软件目录下)： /opt/lh/采集失败代码.html\n"
              "  https://e/s?q=1\n");
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
