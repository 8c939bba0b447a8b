#include "cli/run_preparation.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh::cli {
namespace {

namespace fs = std::filesystem;

class PrepareRun : public testing::Test {
protected:
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_.path() / name, std::ios::binary) << bytes;
    }
    std::string path(const std::string& name) { return (folder_.path() / name).string(); }

    // Parses and prepares; the error when it fails, else empty.
    std::string prepare(std::vector<std::string> args, PreparedRun& run,
                        bool stdinTerminal = false) {
        args.push_back("--program-folder");
        args.push_back(path("program"));
        const auto parsed = parseCliOptions(args);
        if (!parsed.ok()) return parsed.error;
        ProcessContext context;
        context.stdinIsTerminal = stdinTerminal;
        std::string error;
        if (!prepareRun(parsed.options, context, run, error)) return error.empty() ? "?" : error;
        return {};
    }

    test::TempFolder folder_;
};

TEST_F(PrepareRun, ResolvesKeywordsCookiesFoldersAndTheCaptchaDefault) {
    write("k.txt", "a\n\nb\n");
    write("c.txt", "\xEF\xBB\xBF BAIDUID=1; x=2 \r\nignored");
    PreparedRun run;
    ASSERT_EQ(prepare({"--keywords", path("k.txt"), "--cookies", path("c.txt"), "--save-folder",
                       path("out/deeper")},
                      run),
              "");
    EXPECT_EQ(run.settings.keywordList, "a\r\n\r\nb");
    EXPECT_EQ(run.keywordCount, 2);
    EXPECT_EQ(run.cookieText, "BAIDUID=1; x=2");
    EXPECT_TRUE(fs::is_directory(folder_.path() / "out" / "deeper"));
    EXPECT_EQ(run.programFolder, programTextOfPath(folder_.path() / "program"));
    EXPECT_EQ(run.captchaMode, CaptchaMode::Stop);

    PreparedRun onTerminal;
    ASSERT_EQ(
        prepare({"--keywords", path("k.txt"), "--save-folder", path("out")}, onTerminal, true), "");
    EXPECT_EQ(onTerminal.captchaMode, CaptchaMode::Ask);
    PreparedRun told;
    ASSERT_EQ(
        prepare({"--keywords", path("k.txt"), "--save-folder", path("out"), "--on-captcha", "stop"},
                told, true),
        "");
    EXPECT_EQ(told.captchaMode, CaptchaMode::Stop);
}

TEST_F(PrepareRun, StdoutLeavesTheSaveFolderAlone) {
    write("k.txt", "a");
    PreparedRun run;
    ASSERT_EQ(
        prepare({"--keywords", path("k.txt"), "--stdout", "--save-folder", path("unused")}, run),
        "");
    EXPECT_FALSE(fs::exists(folder_.path() / "unused"));  // no file goes there
    ASSERT_EQ(
        prepare({"--keywords", path("k.txt"), "--stdout", "--save-folder", "/proc/none"}, run), "");
}

TEST_F(PrepareRun, EveryProblemNamesTheOptionToFix) {
    write("k.txt", "a");
    write("empty.txt", "\r\n  \r\n");
    write("noengine.ini", gb("[主界面]\r\n单选框百度=假"));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "--keywords"},
        {{"--keywords", path("missing.txt")}, "'--keywords'"},
        {{"--keywords", path("empty.txt")}, "'--keywords'"},
        {{"--settings", path("missing.ini")}, "'--settings'"},
        {{"--settings", path("noengine.ini"), "--keywords", path("k.txt")}, "'--engine'"},
        {{"--keywords", path("k.txt"), "--save-folder", "/proc/self/none"}, "'--save-folder'"},
        {{"--keywords", path("k.txt"), "--cookies", path("none.txt")}, "'--cookies'"},
        {{"--keywords", path("k.txt"), "--save-folder", path("o"), "--cacert", path("none.pem")},
         "'--cacert'"},
    };
    for (const auto& [args, option] : cases) {
        PreparedRun run;
        const std::string error = prepare(args, run);
        EXPECT_NE(error.find(option), std::string::npos) << option << ": " << error;
    }
    // A named engine mends a settings file that selects none.
    PreparedRun run;
    EXPECT_EQ(prepare({"--settings", path("noengine.ini"), "--engine", "bing", "--save-folder",
                       path("o")},
                      run),
              "");
    EXPECT_EQ(run.settings.engine, SearchEngine::Bing);
    EXPECT_EQ(run.settings.keywordList, CollectionSettings::defaults().keywordList);
}

}  // namespace
}  // namespace lh::cli
