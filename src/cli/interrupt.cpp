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

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onInterrupt(int signalNumber) {
    const int previous = gCount.fetch_add(1);
    if (previous == 0) {
        if (StopTarget* target = gStopTarget.load()) target->requestStop();
        static const char kCtrlC[] =
            "\nStopping after the current step (Ctrl-C again to quit at once)...\n";
        static const char kOther[] =
            "\nStopping after the current step (signal again to quit at once)...\n";
        const bool ctrlC = signalNumber == SIGINT;
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, ctrlC ? kCtrlC : kOther,
                                                   (ctrlC ? sizeof kCtrlC : sizeof kOther) - 1);
        return;
    }
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
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
    for (const int signalNumber : kStopSignals) ::sigaction(signalNumber, &action, nullptr);
}

void bindInterruptStop(StopTarget* target) { gStopTarget.store(target); }

int interruptCount() { return gCount.load(); }

void resetInterruptCount() { gCount.store(0); }

}  // namespace lh::cli
