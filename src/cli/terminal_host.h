#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "cli/cli_options.h"
#include "cli/progress_display.h"
#include "collect/browser.h"
#include "collect/collection_settings.h"
#include "collect/run_clock.h"
#include "collect/run_events.h"
#include "collect/run_status_texts.h"
#include "collect/verification.h"

namespace lh::cli {

// The collection run's surroundings on a terminal: options fixed at start, the run's
// progress on standard error (the window's status texts as lines, and a progress line
// fed from the events' fields), waits that really sleep, Ctrl-C as the stop button, and
// no browser: verification pages go by --on-captcha, and the "browser's" cookies are
// the cookie text given or pasted.
class TerminalHost : public OptionsSource,
                     public RunClock,
                     public ProgressSink,
                     public StatusDisplay,
                     public Browser,
                     public VerificationService {
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
    // What a background visit does (a plain download through the program-wide cookie
    // store, through the proxy the run names); nothing when unset.
    using Navigator = std::function<void(const std::string& address, const std::string& proxy)>;
    void setNavigator(Navigator load) { navigate_ = std::move(load); }

    const ProgressState& progress() const { return progress_; }

    // OptionsSource
    CollectionSettings settings() override { return options_.settings; }

    // RunClock
    void waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) override;
    std::uint32_t tickCount() override;
    void processEvents() override;
    long long randomInRange(long long low, long long high) override;

    // ProgressSink: the progress line from the events' fields, the texts as the window
    // shows them, and the end of the run as readable lines.
    void onRunEvent(const RunEvent& event) override;

    // StatusDisplay (the window's texts, one line each when they change)
    void setCaption(const std::string&) override {}
    void setStatus(int pane, const std::string& text) override;
    void setMergeOptionEnabled(bool) override {}
    void showEndOfRunMessage(const std::string& text, const std::string& folder) override;
    void showFailureReport(const std::string& title, const std::string& hint,
                           const std::string& content) override;

    // Browser
    void loadAddress(const std::string&) override {}
    std::string currentCookies() override { return options_.cookieText; }
    void visitInBackground(const std::string& address) override;
    void useProxy(const std::string& address) override { proxy_ = address; }

    // VerificationService: stops, or prints the address and takes the pasted cookies.
    VerificationOutcome solve(const VerificationRequest& request) override;

private:
    void showRunEnd(const RunEnded& ended);

    Options options_;
    ProgressDisplay& display_;
    LineReader readLine_;
    Sleeper sleep_;
    std::function<void()> onStop_;
    Navigator navigate_;
    std::string proxy_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::mt19937_64 random_{std::random_device{}()};
    ProgressState progress_;
    int startedKeyword_ = 0;
    bool stopForwarded_ = false;
};

// LINKHARVEST_TEST_PAUSE_SCALE, a number from 0 to 1 that shortens every wait; only
// the process tests set it. Anything else (unset, bad, out of range) gives 1.
double pauseScaleFromEnvironment();

// Reads one line from a file descriptor without buffering beyond it; nullopt at end
// of input, on a read error, and when a Ctrl-C interrupts the read.
std::optional<std::string> readLineFrom(int fd);

}  // namespace lh::cli
