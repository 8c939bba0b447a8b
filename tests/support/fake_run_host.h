#pragma once

#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "collect/browser.h"
#include "collect/collection_driver.h"
#include "collect/collection_settings.h"
#include "collect/run_clock.h"
#include "collect/run_events.h"
#include "collect/run_status_texts.h"
#include "collect/verification.h"
#include "support/virtual_clock.h"

namespace lh::test {

// Options a test sets directly; every read is counted.
class FakeOptions : public OptionsSource {
public:
    CollectionSettings values = CollectionSettings::defaults();
    int reads = 0;
    CollectionSettings settings() override {
        ++reads;
        return values;
    }
};

// A RunClock on a VirtualClock: nothing sleeps, every wait is recorded (and logged as
// "wait 5000 stop" or "wait 1000"), pumps call a hook, random numbers are seeded.
class FakeClock : public RunClock {
public:
    explicit FakeClock(std::vector<std::string>* log = nullptr, unsigned seed = 1)
        : log_(log), random_(seed) {}

    VirtualClock clock;
    // Called at every pump with the number of pumps so far (1 on): a test clicks here.
    std::function<void(int)> onEvents;
    // Called at every wait, after it was recorded.
    std::function<void(long long ms, bool withStopFlag)> onWait;
    int eventsProcessed = 0;

    const std::vector<VirtualClock::Wait>& waits() const { return clock.waits; }

    void waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) override;
    std::uint32_t tickCount() override { return clock.tickCount(); }
    void processEvents() override;
    long long randomInRange(long long low, long long high) override;

private:
    std::vector<std::string>* log_;
    std::mt19937_64 random_;
};

// The run's events, and the window's texts made of them (showRunEvent): every caption
// ("caption 停止采集" in the log), pane text, enabling, end message and failure report.
class RecordingProgress : public ProgressSink, public StatusDisplay {
public:
    explicit RecordingProgress(std::vector<std::string>* log = nullptr) : log_(log) {}

    std::vector<RunEvent> events;
    std::vector<std::string> status[2];                          // every text each pane was given
    std::vector<std::string> captions;                           // every caption set
    std::string caption = status_text::caption(RunState::Idle);  // the latest
    std::vector<bool> mergeEnabled;
    std::vector<std::string> endMessages;
    std::vector<std::string> endFolders;  // the folder each end-of-run box offers to open
    struct Report {
        std::string title, hint, content;
    };
    std::vector<Report> failureReports;

    // The recorded events of one kind, in order.
    template <class Event>
    std::vector<Event> all() const {
        std::vector<Event> found;
        for (const RunEvent& e : events) {
            if (const auto* one = std::get_if<Event>(&e)) found.push_back(*one);
        }
        return found;
    }

    void onRunEvent(const RunEvent& event) override;
    void setCaption(const std::string& text) override;
    void setStatus(int pane, const std::string& text) override;
    void setMergeOptionEnabled(bool enabled) override;
    void showEndOfRunMessage(const std::string& text, const std::string& folder) override;
    void showFailureReport(const std::string& title, const std::string& hint,
                           const std::string& content) override;

private:
    std::vector<std::string>* log_;
};

// The web view, the hidden navigator and the verification question as the window has
// them: every call recorded and logged ("webview load about:blank", "webview visible 1",
// "ask", "clear 2", "navigate <url>", "activate"), answers from a queue.
class FakeBrowser : public Browser, public VerificationView {
public:
    explicit FakeBrowser(std::vector<std::string>* log = nullptr) : log_(log) {}

    // Answers of the verification question, front first; an empty queue answers Cancel.
    std::deque<bool> verificationAnswers;
    // What the view's cookies are.
    std::string webViewCookies;
    // Called by visitInBackground and loadAddress (the e2e tests fetch the address).
    std::function<void(const std::string&)> onNavigate;
    std::function<void(const std::string&)> onWebViewLoad;

    std::vector<std::string> prompts;           // questions asked
    std::vector<std::string> webViewAddresses;  // every loadAddress
    std::vector<std::string> navigations;       // every background visit
    std::vector<BrowsingData> clearedData;
    std::vector<std::string> proxies;  // every useProxy, not logged
    bool webViewVisible = false;
    std::string cacheFolder, cookieFolder;

    void loadAddress(const std::string& address) override;
    std::string currentCookies() override;
    void visitInBackground(const std::string& address) override;
    void useProxy(const std::string& address) override { proxies.push_back(address); }
    void clearBrowsingData(BrowsingData what) override;
    void clearCookies() override;
    void setCacheFolder(const std::string& folderName) override;
    void setCookieFolder(const std::string& folderName) override;
    void setVisible(bool visible) override;
    bool askToContinue(const std::string& prompt) override;
    void activateMainWindow() override;

private:
    void note(std::string line) {
        if (log_ != nullptr) log_->push_back(std::move(line));
    }
    std::vector<std::string>* log_;
};

// A run's whole surroundings for tests, sharing one log in call order; verification is
// the window's hand-off (ViewVerification) on the fake browser.
//
//   FakeRunHost host;
//   host.options.keywordList = "a\r\nb";
//   host.browser.verificationAnswers = {true};   // OK to the first verification
//   host.clock.onEvents = [&](int n) { if (n == 3) driver.onStartStopClicked(); };
struct FakeRunHost {
    explicit FakeRunHost(unsigned seed = 1) : clock(&log, seed) {}

    std::vector<std::string> log;
    FakeOptions optionsSource;
    CollectionSettings& options = optionsSource.values;
    FakeClock clock;
    RecordingProgress progress{&log};
    FakeBrowser browser{&log};
    ViewVerification verification{browser, clock, optionsSource};

    RunSurroundings surroundings() {
        return {optionsSource, clock, progress, browser, verification};
    }
};

}  // namespace lh::test
