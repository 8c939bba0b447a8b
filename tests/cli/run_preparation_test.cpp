#include "cli/run_preparation.h"

#include <sys/stat.h>
#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "collect/proxy_rotation.h"
#include "settings/control_state_store.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"
#include "web/cookie_files.h"

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
        if (std::find(args.begin(), args.end(), "--program-folder") == args.end()) {
            args.push_back("--program-folder");
            args.push_back(path("program"));
        }
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
    write("c16.txt", convertCharset("BAIDUID=1; x=2\r\nignored", "UTF-8", "UTF-16LE"));
    PreparedRun utf16;
    ASSERT_EQ(
        prepare({"--keywords", path("k.txt"), "--cookies", path("c16.txt"), "--stdout"}, utf16),
        "");
    EXPECT_EQ(utf16.cookieText, "BAIDUID=1; x=2");
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
    write("p.txt", "\xEF\xBB\xBF# ours\nhttp://a:1\n\nsocks5://b:2\n");
    write("bad.txt", "http://a:1\nftp://b:2\n");
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
        {{"--keywords", path("k.txt"), "--proxy-list", path("none.txt")}, "'--proxy-list'"},
        {{"--keywords", path("k.txt"), "--proxy-list", path("empty.txt")}, "'--proxy-list'"},
        {{"--keywords", path("k.txt"), "--proxy-list", path("bad.txt")}, "'ftp' is not"},
        {{"--keywords", path("k.txt"), "--proxy", "h:1", "--proxy-list", path("p.txt")},
         "not both"},
        {{"--keywords", path("k.txt"), "--proxy", "http://u:pw@h:port"}, "u:***@h:port"},
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

    PreparedRun listed;
    ASSERT_EQ(prepare({"--keywords", path("k.txt"), "--save-folder", path("o"), "--proxy-list",
                       path("p.txt")},
                      listed),
              "");
    EXPECT_EQ(proxyAddresses(listed.settings.proxyList),
              (std::vector<std::string>{"http://a:1", "socks5://b:2"}));
    PreparedRun one;
    ASSERT_EQ(prepare({"--keywords", path("k.txt"), "--save-folder", path("o"), "--proxy", "h:1"},
                      one),
              "");
    EXPECT_EQ(one.settings.proxyList, "h:1");
}

unsigned modeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST_F(PrepareRun, FilesHoldingSessionsAreTheUsersAloneUnlessTheUserChoseOtherwise) {
    write("k.txt", "a");
    ::chmod(folder_.path().c_str(), 0755);
    PreparedRun run;
    ASSERT_EQ(
        prepare({"--keywords", path("k.txt"), "--stdout", "--program-folder", path("made/program")},
                run),
        "");
    const fs::path program = folder_.path() / "made" / "program";
    EXPECT_EQ(modeOf(folder_.path() / "made"), 0700u);
    EXPECT_EQ(modeOf(program), 0700u);
    EXPECT_EQ(modeOf(folder_.path()), 0755u);

    ASSERT_TRUE(writeCookieFile(run.programFolder, baiduCookieFileName(), "BDUSS=1"));
    const fs::path cookies = program / nativePath(baiduCookieFileName());
    EXPECT_EQ(modeOf(cookies), 0600u);
    {
        ControlStateStore store;
        ASSERT_TRUE(store.openStore(run.programFolder + "/s.ini"));
        store.setCurrentSection(mainWindowSection());
        ASSERT_TRUE(store.writeBytes(gb("编辑框关键词"), toBytes("a")));
        EXPECT_EQ(modeOf(program / "s.ini"), 0600u);
        EXPECT_EQ(modeOf(program / "inibin"), 0700u);
        EXPECT_EQ(modeOf(store.sideFilePath(mainWindowSection(), gb("编辑框关键词"))), 0600u);
    }

    // Modes the user set stay through a rewrite.
    const fs::path side = program / "inibin" / nativePath(gb("主界面-编辑框关键词.ibn"));
    for (const fs::path& file : {cookies, program / "s.ini", side}) ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(writeCookieFile(run.programFolder, baiduCookieFileName(), "BDUSS=2"));
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(run.programFolder + "/s.ini"));
    store.setCurrentSection(mainWindowSection());
    ASSERT_TRUE(store.writeBytes(gb("编辑框关键词"), toBytes("b")));
    ASSERT_TRUE(store.writeValue("k", "v"));
    for (const fs::path& file : {cookies, program / "s.ini", side})
        EXPECT_EQ(modeOf(file), 0640u) << file;
    EXPECT_EQ(readCookieFile(run.programFolder, baiduCookieFileName()), "BDUSS=2");
}

}  // namespace
}  // namespace lh::cli

namespace lh::cli {
namespace {

// --shard I/N as given, or from a scheduler's environment: Kubernetes gives the index
// alone, Slurm the task id (counted from its lowest) and the count.
TEST_F(PrepareRun, ShardsComeFromTheOptionOrTheSchedulersEnvironment) {
    write("k.txt", "a\nb\n");
    const auto shardOf = [&](std::vector<std::string> extra, std::string& error) {
        std::vector<std::string> args = {"--keywords", path("k.txt"), "--save-folder",
                                         path("out")};
        args.insert(args.end(), extra.begin(), extra.end());
        PreparedRun run;
        error = prepare(args, run);
        return run.shard;
    };
    for (const char* name : {"JOB_COMPLETION_INDEX", "SLURM_ARRAY_TASK_ID",
                             "SLURM_ARRAY_TASK_COUNT", "SLURM_ARRAY_TASK_MIN"}) {
        ::unsetenv(name);
    }
    std::string error;
    EXPECT_EQ(shardOf({"--shard", "2/5"}, error), (KeywordShard{2, 5}));
    EXPECT_EQ(error, "");
    shardOf({"--shard", "auto"}, error);
    EXPECT_NE(error.find("JOB_COMPLETION_INDEX"), std::string::npos) << error;

    ::setenv("SLURM_ARRAY_TASK_ID", "7", 1);
    ::setenv("SLURM_ARRAY_TASK_MIN", "5", 1);
    ::setenv("SLURM_ARRAY_TASK_COUNT", "3", 1);
    EXPECT_EQ(shardOf({"--shard", "auto"}, error), (KeywordShard{2, 3}));
    EXPECT_EQ(error, "");
    ::setenv("SLURM_ARRAY_TASK_ID", "8", 1);
    shardOf({"--shard", "auto"}, error);
    EXPECT_NE(error.find("shard 3 of 3"), std::string::npos) << error;

    ::setenv("JOB_COMPLETION_INDEX", "1", 1);
    EXPECT_EQ(shardOf({"--shard", "auto", "--shards", "4"}, error), (KeywordShard{1, 4}));
    EXPECT_EQ(error, "");
    shardOf({"--shard", "auto"}, error);
    EXPECT_NE(error.find("--shards"), std::string::npos) << error;
    for (const char* name : {"JOB_COMPLETION_INDEX", "SLURM_ARRAY_TASK_ID",
                             "SLURM_ARRAY_TASK_COUNT", "SLURM_ARRAY_TASK_MIN"}) {
        ::unsetenv(name);
    }

    for (const char* bad : {"4/4", "-1/4", "1/0", "1", "a/b", "1/4x"}) {
        shardOf({"--shard", bad}, error);
        EXPECT_NE(error.find("'--shard'"), std::string::npos) << bad << ": " << error;
    }
    shardOf({"--shards", "3"}, error);
    EXPECT_NE(error.find("only applies with --shard auto"), std::string::npos) << error;
}

}  // namespace
}  // namespace lh::cli
