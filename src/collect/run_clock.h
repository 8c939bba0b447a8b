#pragma once

#include "web/event_wait.h"

namespace lh {

// Time, waits, randomness and the pump of a run. The run calls it from its own thread;
// the window sleeps in 10 ms slices and pumps its events, the terminal sleeps and looks
// for Ctrl-C, tests move a virtual clock.
class RunClock : public EventWait {
public:
    // Handles pending events once (the run's pump points: before each keyword and each
    // page). A stop click may arrive here and call CollectionDriver::requestStop.
    virtual void processEvents() = 0;

    // A uniformly random whole number in [low, high], both inclusive.
    virtual long long randomInRange(long long low, long long high) = 0;
};

}  // namespace lh
