#include "support/fake_run_host.h"

namespace lh::test {

void FakeClock::waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) {
    if (log_ != nullptr) {
        log_->push_back("wait " + std::to_string(ms) + (stopFlag != nullptr ? " stop" : ""));
    }
    clock.waitWithEvents(ms, stopFlag);
    if (onWait) onWait(ms, stopFlag != nullptr);
}

void FakeClock::processEvents() {
    ++eventsProcessed;
    if (onEvents) onEvents(eventsProcessed);
}

long long FakeClock::randomInRange(long long low, long long high) {
    if (high <= low) return low;
    std::uniform_int_distribution<long long> pick(low, high);
    return pick(random_);
}

void RecordingProgress::onRunEvent(const RunEvent& event) {
    events.push_back(event);
    showRunEvent(event, *this);
}

void RecordingProgress::setCaption(const std::string& text) {
    caption = text;
    captions.push_back(text);
    if (log_ != nullptr) log_->push_back("caption " + text);
}

void RecordingProgress::setStatus(int pane, const std::string& text) {
    status[pane == 0 ? 0 : 1].push_back(text);
}

void RecordingProgress::setMergeOptionEnabled(bool enabled) {
    mergeEnabled.push_back(enabled);
    if (log_ != nullptr) log_->push_back(enabled ? "merge on" : "merge off");
}

void RecordingProgress::showEndOfRunMessage(const std::string& text, const std::string& folder) {
    endMessages.push_back(text);
    endFolders.push_back(folder);
    if (log_ != nullptr) log_->push_back("message " + text);
}

void RecordingProgress::showFailureReport(const std::string& title, const std::string& hint,
                                          const std::string& content) {
    failureReports.push_back({title, hint, content});
    if (log_ != nullptr) log_->push_back("report " + title);
}

void FakeBrowser::loadAddress(const std::string& address) {
    webViewAddresses.push_back(address);
    note("webview load " + address);
    if (onWebViewLoad) onWebViewLoad(address);
}

std::string FakeBrowser::currentCookies() {
    note("webview cookies");
    return webViewCookies;
}

void FakeBrowser::visitInBackground(const std::string& address) {
    navigations.push_back(address);
    note("navigate " + address);
    if (onNavigate) onNavigate(address);
}

void FakeBrowser::clearBrowsingData(BrowsingData what) {
    clearedData.push_back(what);
    note("clear " + std::to_string(static_cast<int>(what)));
}

void FakeBrowser::clearCookies() { note("webview clear cookies"); }

void FakeBrowser::setCacheFolder(const std::string& folderName) {
    cacheFolder = folderName;
    note("webview cache folder");
}

void FakeBrowser::setCookieFolder(const std::string& folderName) {
    cookieFolder = folderName;
    note("webview cookie folder");
}

void FakeBrowser::setVisible(bool visible) {
    webViewVisible = visible;
    note(visible ? "webview visible 1" : "webview visible 0");
}

bool FakeBrowser::askToContinue(const std::string& prompt) {
    prompts.push_back(prompt);
    note("ask");
    if (verificationAnswers.empty()) return false;
    const bool answer = verificationAnswers.front();
    verificationAnswers.pop_front();
    return answer;
}

void FakeBrowser::activateMainWindow() { note("activate"); }

}  // namespace lh::test
