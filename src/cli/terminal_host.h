#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "cli/cli_options.h"
#include "cli/progress_display.h"
#include "collect/collection_host.h"

namespace lh::cli {

// The collection run's surroundings on a terminal: options fixed at start, status
// texts on standard error, waits that really sleep, no browser view (verification pages
// go by --on-captcha), Ctrl-C as the stop button.
class TerminalHost : public CollectionHost {
public:
    struct Options {
        CollectionSettings settings;
        CaptchaMode captchaMode = CaptchaMode::Stop;
        std::string cookieText;     // program text; what the "browser" holds
        std::string programFolder;  // program text, no trailing separator
        // Multiplies every wait; 1 in production (see pauseScaleFromEnvironment).
        double pauseScale = 1.0;
    };

    // Reads one line typed by the user; nullopt at end of input or on Ctrl-C.
    using LineReader = std::function<std::optional<std::string>()>;
    // Sleeps one slice of the given milliseconds.
    using Sleeper = std::function<void(int ms)>;

    TerminalHost(Options options, ProgressDisplay& display, LineReader readLine,
                 Sleeper sleep = nullptr);

    // What a stop click does (the driver's requestStop); called at the pump point after
    // the first Ctrl-C.
    void setStopHandler(std::function<void()> onStop) { onStop_ = std::move(onStop); }
    // What the hidden navigator's visit does (a plain download through the program-wide
    // cookie store); nothing when unset.
    void setNavigator(std::function<void(const std::string&)> load) { navigate_ = std::move(load); }

    // Lines written so far, as the start button's caption last showed them.
    long long linesShown() const { return progress_.lines; }
    const ProgressState& progress() const { return progress_; }
    void setKeywordCount(int count) { progress_.keywordCount = count; }

    // EventWait
    void waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) override;
    std::uint32_t tickCount() override;

    // CollectionHost
    CollectionSettings settings() override { return options_.settings; }
    void processEvents() override;
    long long randomInRange(long long low, long long high) override;
    void setStatusText(int pane, const std::string& text) override;
    std::string startButtonCaption() override { return caption_; }
    void setStartButtonCaption(const std::string& caption) override;
    void setMergeOptionEnabled(bool) override {}
    void showEndOfRunMessage(const std::string& text) override;
    void showFailureReport(const std::string& title, const std::string& hint,
                           const std::string& content) override;
    bool askVerificationContinue(const std::string& prompt) override;
    void activateMainWindow() override {}
    void webViewLoadAddress(const std::string& address) override;
    std::string webViewCurrentCookies() override { return options_.cookieText; }
    void webViewClearCookies() override { options_.cookieText.clear(); }
    void webViewSetCacheFolder(const std::string&) override {}
    void webViewSetCookieFolder(const std::string&) override {}
    void webViewSetVisible(bool) override {}
    void webViewSetUserAgent(const std::string&) override {}
    void navigatorLoad(const std::string& address) override;
    void clearBrowsingData(int what) override;
    std::string programFolder() override { return options_.programFolder; }

private:
    void printProgramText(const std::string& text);

    Options options_;
    ProgressDisplay& display_;
    LineReader readLine_;
    Sleeper sleep_;
    std::function<void()> onStop_;
    std::function<void(const std::string&)> navigate_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::mt19937_64 random_{std::random_device{}()};
    std::string caption_;
    std::string verificationAddress_;
    std::string lastPane1_;
    ProgressState progress_;
    bool stopForwarded_ = false;
};

// LINKHARVEST_TEST_PAUSE_SCALE, a number from 0 to 1 that shortens every wait; only
// the process tests set it. Anything else (unset, bad, out of range) gives 1.
double pauseScaleFromEnvironment();

// Reads one line from a file descriptor without buffering beyond it; nullopt at end
// of input, on a read error, and when a Ctrl-C interrupts the read.
std::optional<std::string> readLineFrom(int fd);

}  // namespace lh::cli
