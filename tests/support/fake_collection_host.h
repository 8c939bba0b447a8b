#pragma once

#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "collect/collection_host.h"
#include "support/virtual_clock.h"

namespace lh::test {

// A CollectionHost for tests: records every call, answers questions from a queue,
// waits on a VirtualClock (nothing sleeps), and lets a test change options or click
// the button mid-run through hooks.
//
//   FakeCollectionHost host;
//   host.options.keywordList = "a\r\nb";
//   host.verificationAnswers = {true};          // OK to the first verification
//   host.onEvents = [&](int n) { if (n == 3) driver.onStartStopClicked(); };
//   driver.onStartStopClicked();
//   EXPECT_EQ(host.endMessages.size(), 1u);
//
// `log` holds one line per call that the window would show or do, in order, e.g.
// "caption 停止采集" (program text), "wait 5000 stop", "webview load about:blank",
// "webview visible 1", "ask", "clear 2", "navigate <url>", "activate", "message ...".
class FakeCollectionHost : public CollectionHost {
public:
    explicit FakeCollectionHost(unsigned seed = 1);

    // --- what the test sets --------------------------------------------------------
    CollectionSettings options = CollectionSettings::defaults();
    std::string folder = ".";  // programFolder()
    // Answers of askVerificationContinue, front first; an empty queue answers Cancel.
    std::deque<bool> verificationAnswers;
    // What webViewCurrentCookies returns.
    std::string webViewCookies;
    // Called at every processEvents with the number of calls so far (1 on).
    std::function<void(int)> onEvents;
    // Called at every wait, after it was recorded.
    std::function<void(long long ms, bool withStopFlag)> onWait;
    // Called by navigatorLoad and webViewLoadAddress (the e2e tests fetch the address).
    std::function<void(const std::string&)> onNavigate;
    std::function<void(const std::string&)> onWebViewLoad;
    // Called by clearBrowsingData.
    std::function<void(int)> onClearBrowsingData;
    // Start-up caption of the button.
    std::string caption;

    // --- what the test reads -------------------------------------------------------
    VirtualClock clock;
    std::vector<std::string> log;
    std::vector<std::string> status[2];  // every text each pane was given
    std::vector<std::string> captions;   // every caption set
    std::vector<bool> mergeEnabled;      // every enabling of 选择框合并保存
    std::vector<std::string> endMessages;
    struct Report {
        std::string title, hint, content;
    };
    std::vector<Report> failureReports;
    std::vector<std::string> prompts;           // verification questions asked
    std::vector<std::string> webViewAddresses;  // every webViewLoadAddress
    std::vector<std::string> navigations;       // every navigatorLoad
    std::vector<int> clearedData;               // clearBrowsingData arguments
    bool webViewVisible = false;
    std::string webViewUserAgent, cacheFolder, cookieFolder;
    int eventsProcessed = 0;
    int settingsReads = 0;

    // The waits recorded by the clock, with (true) or without the stop flag.
    const std::vector<VirtualClock::Wait>& waits() const { return clock.waits; }

    // --- CollectionHost ------------------------------------------------------------
    void waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) override;
    std::uint32_t tickCount() override;
    CollectionSettings settings() override;
    void processEvents() override;
    long long randomInRange(long long low, long long high) override;
    void setStatusText(int pane, const std::string& text) override;
    std::string startButtonCaption() override;
    void setStartButtonCaption(const std::string& text) override;
    void setMergeOptionEnabled(bool enabled) override;
    void showEndOfRunMessage(const std::string& text) override;
    void showFailureReport(const std::string& title, const std::string& hint,
                           const std::string& content) override;
    bool askVerificationContinue(const std::string& prompt) override;
    void activateMainWindow() override;
    void webViewLoadAddress(const std::string& address) override;
    std::string webViewCurrentCookies() override;
    void webViewClearCookies() override;
    void webViewSetCacheFolder(const std::string& folderName) override;
    void webViewSetCookieFolder(const std::string& folderName) override;
    void webViewSetVisible(bool visible) override;
    void webViewSetUserAgent(const std::string& userAgent) override;
    void navigatorLoad(const std::string& address) override;
    void clearBrowsingData(int what) override;
    std::string programFolder() override;

private:
    std::mt19937_64 random_;
};

}  // namespace lh::test
