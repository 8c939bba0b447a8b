#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "cli/cli_options.h"
#include "cli/run_preparation.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = lh::cli::parseCliOptions(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "linkharvest-cli: %s\nTry 'linkharvest-cli --help'.\n", parsed.error.c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(lh::cli::helpText().c_str(), stdout);
        return 0;
    }
    lh::cli::ProcessContext context;
    context.stdinIsTerminal = ::isatty(STDIN_FILENO) == 1;
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) context.executableFolder = self.parent_path().string();
    lh::cli::PreparedRun prepared;
    std::string error;
    if (!lh::cli::prepareRun(parsed.options, context, prepared, error)) {
        std::fprintf(stderr, "linkharvest-cli: %s\n", error.c_str());
        return 2;
    }
    std::error_code ignored;
    if (!prepared.scratchFolder.empty()) std::filesystem::remove_all(prepared.scratchFolder, ignored);
    std::fputs("linkharvest-cli: the engine is not wired into this build yet; nothing was harvested\n", stderr);
    return 1;
}
