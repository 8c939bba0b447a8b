#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = lh::cli::parseCliOptions(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "linkharvest-cli: %s\n", parsed.error.c_str());
        return 2;
    }
    std::fputs(lh::cli::helpText().c_str(), stdout);
    return 0;
}
