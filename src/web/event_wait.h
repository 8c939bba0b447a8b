#pragma once

#include <atomic>
#include <cstdint>

namespace lh {

// The one way the core waits. The run's host implements it: the window sleeps in
// 10 ms slices on the run's thread, tests advance a virtual clock.
class EventWait {
public:
    virtual ~EventWait() = default;

    // Waits at least `ms` milliseconds, or until `stopFlag` (when given) is set; the
    // flag is tested before every 10 ms slice.
    virtual void waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) = 0;

    // Milliseconds since some fixed moment, wrapping at 2^32 like a system tick count.
    virtual std::uint32_t tickCount() = 0;
};

}  // namespace lh
