#pragma once

#include <string>
#include <vector>

#include "cli/run_preparation.h"

namespace lh::cli {

// The whole program: parses, checks, runs, and returns the exit status (0 lines
// written, 1 none, 2 bad options).
int runProgram(const std::vector<std::string>& args, const ProcessContext& context);

}  // namespace lh::cli
