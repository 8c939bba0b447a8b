#pragma once

#include <atomic>

namespace lh::cli {

// What the first Ctrl-C asks to stop. `requestStop` runs inside the signal handler, so it
// may only touch lock-free atomics (CollectionDriver::requestStop does no more).
class StopTarget {
public:
    virtual ~StopTarget() = default;
    virtual void requestStop() noexcept = 0;
};

// Ctrl-C for a running harvest: the first SIGINT asks the bound target to stop (as the
// window's stop button does) and is counted; the second ends the process at once,
// killed by SIGINT as the shell expects. SIGTERM and SIGHUP (a service manager, a
// closed terminal) do the same, each counted with the others.
void installInterruptHandler();

// The target the first Ctrl-C stops; nullptr unbinds. It must outlive the binding.
void bindInterruptStop(StopTarget* target);

// Stop signals (SIGINT, SIGTERM, SIGHUP) received since installation.
int interruptCount();

// Forgets received signals (for tests that raise SIGINT in-process).
void resetInterruptCount();

}  // namespace lh::cli
