#include "cli/interrupt.h"

#include <unistd.h>
#include <csignal>
#include <cstring>

namespace lh::cli {

namespace {

// Only lock-free atomics may be touched from a signal handler.
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<StopTarget*>::is_always_lock_free);

std::atomic<int> gCount{0};
std::atomic<StopTarget*> gStopTarget{nullptr};

void onInterrupt(int) {
    const int previous = gCount.fetch_add(1);
    if (previous == 0) {
        if (StopTarget* target = gStopTarget.load()) target->requestStop();
        static const char kNote[] =
            "\nStopping after the current step (Ctrl-C again to quit at once)...\n";
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
        return;
    }
    ::signal(SIGINT, SIG_DFL);
    ::raise(SIGINT);
}

}  // namespace

void installInterruptHandler() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocked read of a verification answer returns so the
    // stop request is seen at once.
    action.sa_flags = 0;
    ::sigaction(SIGINT, &action, nullptr);
}

void bindInterruptStop(StopTarget* target) { gStopTarget.store(target); }

int interruptCount() { return gCount.load(); }

void resetInterruptCount() { gCount.store(0); }

}  // namespace lh::cli
