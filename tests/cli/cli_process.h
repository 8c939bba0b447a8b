#pragma once

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace lh::cli::test {

// What one run of linkharvest-cli as a process left behind.
struct ProcessResult {
    int status = -1;  // exit status; -1 when killed
    int signal = 0;   // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::string input;                       // standard input, then end of input
    std::vector<std::string> environment{};  // NAME=value added to the test's own
    int timeoutMs = 60000;                   // killed after this
    long long fileSizeLimit = 0;             // RLIMIT_FSIZE in bytes (0: none); writes beyond fail
    // Called with the child's pid and what it printed on standard error so far, each
    // time more arrives; may signal the child.
    std::function<void(int pid, const std::string& err)> onError{};
};

// Runs the built linkharvest-cli with `args`, without a terminal, proxy variables
// cleared.
ProcessResult runCli(const std::vector<std::string>& args, const ProcessOptions& options = {});

// Runs one linkharvest-cli per argument list at the same time (`onError` gets each
// child's pid and its own standard error); results in the same order.
std::vector<ProcessResult> runClis(const std::vector<std::vector<std::string>>& argLists,
                                   const ProcessOptions& options = {});

// The options that send every engine host to the mock servers of this process
// (--connect-to for each route, --cacert with the test CA).
std::vector<std::string> mockNetworkArgs();

}  // namespace lh::cli::test
