#include "cli/interrupt.h"

#include <csignal>

#include <gtest/gtest.h>

namespace lh::cli {
namespace {

// A stop target that only raises a flag, as the driver's stop request does.
struct FlagTarget : StopTarget {
    std::atomic<bool> stop{false};
    void requestStop() noexcept override { stop = true; }
};

TEST(InterruptDeathTest, FirstCtrlCSetsTheStopFlagSecondEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            installInterruptHandler();
            FlagTarget target;
            bindInterruptStop(&target);
            std::raise(SIGINT);
            if (!target.stop.load() || interruptCount() != 1) std::_Exit(3);
            std::raise(SIGINT);
            std::_Exit(4);  // not reached: the second Ctrl-C kills
        },
        testing::KilledBySignal(SIGINT), "Ctrl-C again");
}

TEST(Interrupt, ACtrlCBeforeARunIsCountedAndSetsTheFlagOnceBound) {
    installInterruptHandler();
    resetInterruptCount();
    bindInterruptStop(nullptr);
    std::raise(SIGINT);
    EXPECT_EQ(interruptCount(), 1);
    FlagTarget target;
    bindInterruptStop(&target);
    // The host turns an earlier count into a stop request itself; the target is only
    // asked by a press that arrives while it is bound.
    EXPECT_FALSE(target.stop.load());
    bindInterruptStop(nullptr);
    resetInterruptCount();
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace
}  // namespace lh::cli
