#include "cli/interrupt.h"

#include <csignal>

#include <gtest/gtest.h>

namespace lh::cli {
namespace {

TEST(InterruptDeathTest, FirstCtrlCSetsTheStopFlagSecondEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            installInterruptHandler();
            std::atomic<bool> stop{false};
            bindInterruptStopFlag(&stop);
            std::raise(SIGINT);
            if (!stop.load() || interruptCount() != 1) std::_Exit(3);
            std::raise(SIGINT);
            std::_Exit(4);  // not reached: the second Ctrl-C kills
        },
        testing::KilledBySignal(SIGINT), "Ctrl-C again");
}

TEST(Interrupt, ACtrlCBeforeARunIsCountedAndSetsTheFlagOnceBound) {
    installInterruptHandler();
    resetInterruptCount();
    bindInterruptStopFlag(nullptr);
    std::raise(SIGINT);
    EXPECT_EQ(interruptCount(), 1);
    std::atomic<bool> stop{false};
    bindInterruptStopFlag(&stop);
    // The host turns an earlier count into a stop request itself; the flag is only set
    // by a press that arrives while it is bound.
    EXPECT_FALSE(stop.load());
    bindInterruptStopFlag(nullptr);
    resetInterruptCount();
    std::signal(SIGINT, SIG_DFL);
}

}  // namespace
}  // namespace lh::cli
