#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "web/event_wait.h"

namespace lh::test {

// An EventWait that never sleeps: every wait moves a virtual clock on and is recorded.
class VirtualClock : public EventWait {
public:
    struct Wait {
        long long ms;
        bool withStopFlag;
    };

    void waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) override {
        waits.push_back({ms, stopFlag != nullptr});
        if (stopFlag != nullptr && stopFlag->load()) return;
        now += static_cast<std::uint32_t>(ms < 0 ? 0 : ms);
    }

    std::uint32_t tickCount() override { return now; }

    // Moves the clock without recording a wait (time spent working).
    void advance(std::uint32_t ms) { now += ms; }

    std::uint32_t now = 1000;
    std::vector<Wait> waits;
};

}  // namespace lh::test
