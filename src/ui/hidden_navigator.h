#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace lh {

// The hidden browser 超文本浏览框1: visits addresses in the background through the
// program-wide cookie store, so the cookies those visits leave are there for the run.
// Visits go one after another on a thread of their own; nobody waits for them.
class HiddenNavigator {
public:
    HiddenNavigator();
    ~HiddenNavigator();
    HiddenNavigator(const HiddenNavigator&) = delete;
    HiddenNavigator& operator=(const HiddenNavigator&) = delete;

    // The user agent later visits send (program text).
    void setUserAgent(const std::string& userAgent);
    std::string userAgent() const;
    // The proxy later visits go through; empty: the system's proxy variables.
    void setProxy(const std::string& address);

    // Queues a visit and returns at once.
    void load(const std::string& address);
    // Drops visits not yet started.
    void dropQueued();

    // Visits finished so far (tests wait for them).
    long long visitsDone() const;
    // Waits until every queued visit has ended or `timeoutMs` has passed; true when idle.
    bool waitIdle(long timeoutMs);

    // The first-activation visit: the Baidu search of "砚溪" as the old browser toolbar
    // made it.
    static std::string firstActivationAddress();

    // How long one visit may take, in seconds.
    static constexpr double kVisitTimeoutSeconds = 10;

private:
    struct State;
    static void work(const std::shared_ptr<State>& state);
    std::shared_ptr<State> state_;
    std::thread worker_;
};

}  // namespace lh
