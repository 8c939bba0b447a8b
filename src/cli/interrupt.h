#pragma once

#include <atomic>

namespace lh::cli {

// Ctrl-C for a running harvest: the first SIGINT sets the bound stop flag (the same
// flag the window's stop button sets) and is counted; the second ends the process
// at once, killed by SIGINT as the shell expects.
void installInterruptHandler();

// The flag the first Ctrl-C sets; nullptr unbinds. The flag must outlive the binding.
void bindInterruptStopFlag(std::atomic<bool>* stopFlag);

// SIGINTs received since installation.
int interruptCount();

// Forgets received SIGINTs (for tests that raise SIGINT in-process).
void resetInterruptCount();

}  // namespace lh::cli
