#pragma once

#include <string>
#include <vector>

#include "cli/run_preparation.h"
#include "collect/run_events.h"

namespace lh::cli {

// Exit statuses, for scripts and cron jobs (the README's table).
inline constexpr int kExitCollected = 0;         // lines written, and every one reached its file
inline constexpr int kExitNothingCollected = 1;  // not one line collected
inline constexpr int kExitBadOptions = 2;        // bad options or inputs; nothing was run
inline constexpr int kExitLinesLost = 3;         // some lines were lost (named at the end)

// The whole program: parses, checks, runs, and returns the exit status.
int runProgram(const std::vector<std::string>& args, const ProcessContext& context);

// The status a run ends with; `outputTookEverything` false when standard output took
// no more (--stdout).
int exitStatusOf(const RunEnded& ended, bool outputTookEverything);

}  // namespace lh::cli
