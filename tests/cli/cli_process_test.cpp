#include <fstream>

#include <gtest/gtest.h>

#include "cli/cli_process.h"
#include "support/temp_folder.h"

namespace lh::cli::test {
namespace {

TEST(CliProcess, BadOptionsEndWithStatus2AndAMessageNamingTheOption) {
    ProcessResult r = runCli({"--keywords", "-", "--pages", "three"}, {.input = "a\n"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'--pages'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("three"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = runCli({"--engine", "yahoo"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'--engine'"), std::string::npos) << r.err;

    r = runCli({"--keywords", "/nonexistent/k.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'--keywords'"), std::string::npos) << r.err;

    r = runCli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--on-captcha stop|ask"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST(CliProcess, FoldersAndDevicesAsInputFilesEndWithStatus2AtOnce) {
    lh::test::TempFolder folder;
    const std::string dir = folder.path().string();
    const std::string keywords = (folder.path() / "k.txt").string();
    std::ofstream(keywords) << "a\n";
    const std::vector<std::vector<std::string>> cases = {
        {"--keywords", dir},
        {"--keywords", "/dev/zero"},
        {"--keywords", keywords, "--cookies", dir},
        {"--keywords", keywords, "--cookies", "/dev/zero"},
    };
    for (std::vector<std::string> args : cases) {
        const std::string option = "'" + args[args.size() - 2] + "'";
        SCOPED_TRACE(option + " " + args.back());
        args.insert(args.end(), {"--save-folder", dir + "/out", "--program-folder", dir});
        // Killed (status -1) after a second: reading a device would never end.
        const ProcessResult r = runCli(args, {.input = "", .timeoutMs = 1000});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(option), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(args[args.size() - 5]), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace lh::cli::test
