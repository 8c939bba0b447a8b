#include <gtest/gtest.h>

#include "cli/cli_process.h"

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

}  // namespace
}  // namespace lh::cli::test
