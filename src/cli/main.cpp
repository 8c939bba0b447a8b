#include <sys/ioctl.h>
#include <unistd.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
    lh::cli::ProcessContext context;
    context.stdinIsTerminal = ::isatty(STDIN_FILENO) == 1;
    context.stderrIsTerminal = ::isatty(STDERR_FILENO) == 1;
    if (winsize size{};
        context.stderrIsTerminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0) {
        context.stderrWidth = size.ws_col;
    }
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) context.executableFolder = self.parent_path().string();
    return lh::cli::runProgram(std::vector<std::string>(argv + 1, argv + argc), context);
}
