#include <fstream>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/cli_process.h"
#include "support/sample_pages.h"
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

TEST(CliProcess, SavedPagesAreReadInsteadOfSearchedAndWrittenAsARunWould) {
    LH_REQUIRE_SAMPLE_PAGES();
    const std::string folder = lh::test::samplePagesFolder() + "/";
    // Both pages hold 10 ordinary results (counted by their result blocks); baidu-1's
    // descriptions carry <br> tags. Unresolved links stay on Baidu's redirector.
    ProcessResult r = runCli({"--from-html", folder + "baidu-1.html", folder + "baidu-3.html",
                              "--engine", "baidu", "--no-resolve", "--stdout", "--utf8", "--quiet",
                              "--template", "#关键词#\t#网址#\t#标题#\t#描述#"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, int> perKeyword;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields(1);
        for (char c : line) {
            if (c == '\t') {
                fields.emplace_back();
            } else {
                fields.back() += c;
            }
        }
        ASSERT_EQ(fields.size(), 4u) << line;
        ++perKeyword[fields[0]];
        EXPECT_EQ(fields[1].rfind("http://www.baidu.com/link?url=", 0), 0u) << line;
        EXPECT_FALSE(fields[2].empty()) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    }
    EXPECT_EQ(perKeyword, (std::map<std::string, int>{{"baidu-1", 10}, {"baidu-3", 10}}));
    EXPECT_NE(r.err.find("20"), std::string::npos) << r.err;

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--from-html", folder + "baidu-1.html", "--stdout"},
          {"--from-html", folder + "nonexistent.html", "--engine", "baidu", "--stdout"},
          {"--keywords", "-", "--no-resolve"},
          {"--from-html", folder + "baidu-1.html", folder + "baidu-1.html", "--engine", "baidu",
           "--stdout"}}) {
        r = runCli(bad, {.input = "a\n"});
        EXPECT_EQ(r.status, 2) << bad.at(1);
        EXPECT_NE(r.err.find("'--"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
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
