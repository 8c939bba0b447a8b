#include "ui/hidden_navigator.h"

#include <chrono>

#include "collect/engine_catalogue.h"
#include "web/http_client.h"

namespace lh {

struct HiddenNavigator::State {
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> queue;
    std::string userAgent;
    std::string proxy;
    bool busy = false;
    bool stopping = false;
    long long done = 0;
};

HiddenNavigator::HiddenNavigator() : state_(std::make_shared<State>()) {
    worker_ = std::thread([state = state_] { work(state); });
}

HiddenNavigator::~HiddenNavigator() {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->stopping = true;
        state_->queue.clear();
    }
    state_->changed.notify_all();
    // A visit in progress is bounded by kVisitTimeoutSeconds; wait for it at most a
    // little, so the program never hangs at exit on a dead network.
    if (waitIdle(2000)) {
        worker_.join();
    } else {
        worker_.detach();
    }
}

void HiddenNavigator::setUserAgent(const std::string& userAgent) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->userAgent = userAgent;
}

void HiddenNavigator::setProxy(const std::string& address) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->proxy = address;
}

std::string HiddenNavigator::userAgent() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->userAgent;
}

void HiddenNavigator::load(const std::string& address) {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->stopping) return;
        state_->queue.push_back(address);
    }
    state_->changed.notify_all();
}

void HiddenNavigator::dropQueued() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->queue.clear();
    state_->changed.notify_all();
}

long long HiddenNavigator::visitsDone() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->done;
}

bool HiddenNavigator::waitIdle(long timeoutMs) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [this] { return state_->queue.empty() && !state_->busy; });
}

std::string HiddenNavigator::firstActivationAddress() {
    // "砚溪" in GBK, percent-encoded in upper-case hex.
    return "https://" + std::string(kBaiduHost) + "/baidu?word=%D1%E2%CF%AA&tn=myie2&ch=3";
}

// `state` is shared so a detached worker outlives the navigator safely.
void HiddenNavigator::work(const std::shared_ptr<State>& state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stopping || !state->queue.empty(); });
        if (state->queue.empty()) return;  // stopping
        const std::string address = state->queue.front();
        state->queue.pop_front();
        const std::string agent = state->userAgent;
        const std::string proxy = state->proxy;
        state->busy = true;
        lock.unlock();
        FetchOptions options;
        options.timeoutSeconds = kVisitTimeoutSeconds;
        if (!agent.empty()) options.headers = "User-Agent: " + agent;
        HttpClient client;
        client.useProxy(proxy);
        client.fetch(address, options);
        lock.lock();
        state->busy = false;
        state->done++;
        state->changed.notify_all();
    }
}

}  // namespace lh
