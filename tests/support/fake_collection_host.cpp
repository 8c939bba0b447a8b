#include "support/fake_collection_host.h"

#include "textutil/program_text.h"

namespace lh::test {

FakeCollectionHost::FakeCollectionHost(unsigned seed) : random_(seed) { caption = gb("开始采集"); }

void FakeCollectionHost::waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) {
    log.push_back("wait " + std::to_string(ms) + (stopFlag != nullptr ? " stop" : ""));
    clock.waitWithEvents(ms, stopFlag);
    if (onWait) onWait(ms, stopFlag != nullptr);
}

std::uint32_t FakeCollectionHost::tickCount() { return clock.tickCount(); }

CollectionSettings FakeCollectionHost::settings() {
    ++settingsReads;
    return options;
}

void FakeCollectionHost::processEvents() {
    ++eventsProcessed;
    if (onEvents) onEvents(eventsProcessed);
}

long long FakeCollectionHost::randomInRange(long long low, long long high) {
    if (high <= low) return low;
    std::uniform_int_distribution<long long> pick(low, high);
    return pick(random_);
}

void FakeCollectionHost::setStatusText(int pane, const std::string& text) {
    status[pane == 0 ? 0 : 1].push_back(text);
}

std::string FakeCollectionHost::startButtonCaption() { return caption; }

void FakeCollectionHost::setStartButtonCaption(const std::string& text) {
    caption = text;
    captions.push_back(text);
    log.push_back("caption " + text);
}

void FakeCollectionHost::setMergeOptionEnabled(bool enabled) {
    mergeEnabled.push_back(enabled);
    log.push_back(enabled ? "merge on" : "merge off");
}

void FakeCollectionHost::showEndOfRunMessage(const std::string& text) {
    endMessages.push_back(text);
    log.push_back("message " + text);
}

void FakeCollectionHost::showFailureReport(const std::string& title, const std::string& hint,
                                           const std::string& content) {
    failureReports.push_back({title, hint, content});
    log.push_back("report " + title);
}

bool FakeCollectionHost::askVerificationContinue(const std::string& prompt) {
    prompts.push_back(prompt);
    log.push_back("ask");
    if (verificationAnswers.empty()) return false;
    const bool answer = verificationAnswers.front();
    verificationAnswers.pop_front();
    return answer;
}

void FakeCollectionHost::activateMainWindow() { log.push_back("activate"); }

void FakeCollectionHost::webViewLoadAddress(const std::string& address) {
    webViewAddresses.push_back(address);
    log.push_back("webview load " + address);
    if (onWebViewLoad) onWebViewLoad(address);
}

std::string FakeCollectionHost::webViewCurrentCookies() {
    log.push_back("webview cookies");
    return webViewCookies;
}

void FakeCollectionHost::webViewClearCookies() { log.push_back("webview clear cookies"); }

void FakeCollectionHost::webViewSetCacheFolder(const std::string& folderName) {
    cacheFolder = folderName;
    log.push_back("webview cache folder");
}

void FakeCollectionHost::webViewSetCookieFolder(const std::string& folderName) {
    cookieFolder = folderName;
    log.push_back("webview cookie folder");
}

void FakeCollectionHost::webViewSetVisible(bool visible) {
    webViewVisible = visible;
    log.push_back(visible ? "webview visible 1" : "webview visible 0");
}

void FakeCollectionHost::webViewSetUserAgent(const std::string& userAgent) {
    webViewUserAgent = userAgent;
}

void FakeCollectionHost::navigatorLoad(const std::string& address) {
    navigations.push_back(address);
    log.push_back("navigate " + address);
    if (onNavigate) onNavigate(address);
}

void FakeCollectionHost::clearBrowsingData(int what) {
    clearedData.push_back(what);
    log.push_back("clear " + std::to_string(what));
    if (onClearBrowsingData) onClearBrowsingData(what);
}

std::string FakeCollectionHost::programFolder() { return folder; }

}  // namespace lh::test
