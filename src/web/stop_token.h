#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>

namespace lh {

// The run's stop request as the web layer sees it: every transfer and every wait takes
// one. It may also carry a deadline (a budget shared by several transfers), after which
// transfers given it time out. A default token never stops and has no deadline. The
// flag must outlive every transfer given it.
class StopToken {
public:
    using Clock = std::chrono::steady_clock;

    StopToken() = default;
    explicit StopToken(const std::atomic<bool>& flag) : flag_(&flag) {}

    bool stopRequested() const {
        return flag_ != nullptr && flag_->load(std::memory_order_relaxed);
    }
    // For waits that take the flag itself (EventWait); null for a token that never stops.
    const std::atomic<bool>* flag() const { return flag_; }

    // The same token, with a deadline no later than `deadline`.
    StopToken withDeadline(Clock::time_point deadline) const {
        StopToken token = *this;
        if (!token.deadline_ || deadline < *token.deadline_) token.deadline_ = deadline;
        return token;
    }
    const std::optional<Clock::time_point>& deadline() const { return deadline_; }
    bool expired() const { return deadline_ && Clock::now() >= *deadline_; }
    // Whether nothing more should be started: a stop request or a passed deadline.
    bool done() const { return stopRequested() || expired(); }
    // `ms`, or less when the deadline comes sooner: how long a wait may last.
    long long waitMs(long long ms) const {
        if (!deadline_) return ms;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - Clock::now());
        return std::max(0LL, std::min(ms, static_cast<long long>(left.count())));
    }

private:
    const std::atomic<bool>* flag_ = nullptr;
    std::optional<Clock::time_point> deadline_;
};

}  // namespace lh
