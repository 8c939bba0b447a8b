#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "collect/browser.h"
#include "collect/collection_settings.h"
#include "collect/run_clock.h"
#include "collect/run_events.h"
#include "collect/run_status_texts.h"
#include "collect/verification.h"

namespace lh {

class MainWindow;

// The window's side of a collection run. The run calls it from its own thread; every
// effect on the window is carried to the window's thread, and calls that need an answer
// wait for it on the run's thread only. The window's thread never waits for the run.
class WindowHost : public OptionsSource,
                   public RunClock,
                   public ProgressSink,
                   public StatusDisplay,
                   public Browser,
                   public VerificationView {
public:
    explicit WindowHost(MainWindow& window);
    ~WindowHost() override;

    // --- window thread side --------------------------------------------------------
    // A run is about to start on a new thread: earlier stop clicks are forgotten.
    void beginRun();
    // A stop click: the run sees it at once when it is running, else at its next pump.
    void noteStopClicked();
    // The window is closing or going away: questions still open are answered no, waits
    // and later questions return at once.
    void shutDown();
    bool shuttingDown() const { return shutDown_.load(); }

    // The verification hand-off in the window's web view.
    VerificationService& verification() { return verification_; }

    // --- OptionsSource, RunClock -----------------------------------------------------
    CollectionSettings settings() override;
    void processEvents() override;
    long long randomInRange(long long low, long long high) override;
    void waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) override;
    std::uint32_t tickCount() override;

    // --- ProgressSink: the window's captions and texts -------------------------------
    void onRunEvent(const RunEvent& event) override;

    // --- StatusDisplay ---------------------------------------------------------------
    void setCaption(const std::string& caption) override;
    void setStatus(int pane, const std::string& text) override;
    void setMergeOptionEnabled(bool enabled) override;
    void setStopHint(const std::string& hint) override;
    void showEndOfRunMessage(const std::string& text, const std::string& folder) override;
    void showFailureReport(const std::string& title, const std::string& hint,
                           const std::string& content) override;

    // --- Browser and VerificationView: the web view 浏览器 and the hidden navigator ---
    void loadAddress(const std::string& address) override;
    std::string currentCookies() override;
    void visitInBackground(const std::string& address) override;
    void useProxy(const std::string& address) override;
    void clearBrowsingData(BrowsingData what) override;
    void clearCookies() override;
    void setCacheFolder(const std::string& folderName) override;
    void setCookieFolder(const std::string& folderName) override;
    void setVisible(bool visible) override;
    bool askToContinue(const std::string& prompt) override;
    void activateMainWindow() override;

    // An answer the window's thread gives to a waiting run.
    struct Reply {
        std::mutex mutex;
        std::condition_variable done;
        bool answered = false;
        bool yes = false;
        std::string text;
        void answer(bool y, std::string t = {});
    };
    using ReplyPtr = std::shared_ptr<Reply>;

private:
    bool onWindowThread() const;
    // Runs `work` on the window's thread; returns at once.
    void post(std::function<void()> work);
    // Runs `work` on the window's thread and waits until it has answered the reply
    // (at once, unanswered, when shutting down).
    ReplyPtr ask(std::function<void(const ReplyPtr&)> work);
    void deliverPendingStop();

    MainWindow& window_;
    std::atomic<bool> shutDown_{false};
    std::atomic<bool> pendingStop_{false};
    std::mutex mutex_;  // guards random_, open_
    std::mt19937_64 random_;
    std::vector<ReplyPtr> open_;
    ViewVerification verification_{*this, *this, *this};
};

}  // namespace lh
