#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"

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
    std::fputs("linkharvest-cli: harvesting is not wired up in this build yet\n", stderr);
    return 1;
}
