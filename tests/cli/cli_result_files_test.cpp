// What linkharvest-cli leaves on disk when runs meet, keywords are odd, the disk fills
// or a service manager stops it; against the mock engines on 127.0.0.1.
#include <sys/wait.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "cli/cli_process.h"
#include "collect/engine_catalogue.h"
#include "collect/run_journal.h"
#include "support/local_server.h"
#include "support/mock_engine_server.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"
#include "web/network_overrides.h"

namespace lh::cli::test {
namespace {

namespace fs = std::filesystem;
using lh::test::MockEngineServer;
using lh::test::readFileBytes;

constexpr SearchEngine kEngine = SearchEngine::Bing;

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    // A stopped run's journal is no result file.
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().filename() != kRunJournalName) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The lines a run writes for a keyword's pages through the default template.
std::string expectedLines(const std::string& keyword, int pages, int perPage) {
    std::string text;
    for (int page = 1; page <= pages; ++page) {
        for (const auto& r : MockEngineServer::results(kEngine, keyword, page, perPage)) {
            const std::string site = r.target.substr(7, r.target.find('/', 7) - 7);
            text += "\"" + r.title + "\",\"" + r.target + "\",\"" + site + "\",\"example.com\",\"" +
                    r.description + "\"\r\n";
        }
    }
    return text;
}

class CliResultFiles : public testing::Test {
protected:
    void keywords(const std::string& bytes) {
        std::ofstream(folder_.path() / "keywords.txt", std::ios::binary) << bytes;
    }

    std::vector<std::string> args(int pages) {
        std::vector<std::string> a = {
            "--engine",         std::string(engineProfile(kEngine).cliName),
            "--keywords",       (folder_.path() / "keywords.txt").string(),
            "--save-folder",    out().string(),
            "--program-folder", (folder_.path() / "program").string(),
            "--pages",          std::to_string(pages),
            "--per-page",       "10"};
        for (std::string& option : mockNetworkArgs()) a.push_back(std::move(option));
        return a;
    }

    ProcessOptions options(double pauseScale = 0.0) {
        fs::create_directories(tmp());
        ProcessOptions o;
        o.environment = {"LINKHARVEST_TEST_PAUSE_SCALE=" + std::to_string(pauseScale),
                         "TMPDIR=" + tmp().string()};
        o.timeoutMs = 60000;
        return o;
    }

    fs::path out() const { return folder_.path() / "out"; }
    fs::path tmp() const { return folder_.path() / "tmp"; }

    MockEngineServer server_;
    lh::test::TempFolder folder_;
};

TEST_F(CliResultFiles, TwoRunsOnOneKeywordAtOnceEachWriteAWholeFileOfTheirOwn) {
    server_.resultsPerPage = 10;
    // Page 1 is answered once both runs asked for it, so both have their file open.
    std::atomic<int> asked{0};
    server_.alterAnswer = [&asked](const lh::test::RecordedRequest& r, lh::test::ScriptedAnswer&) {
        if (MockEngineServer::engineOfRequest(r) == SearchEngine::None ||
            !r.target.ends_with("first=1")) {
            return;
        }
        ++asked;
        for (int waited = 0; asked.load() < 2 && waited < 5000; waited += 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    keywords("k\n");
    const std::string expected = expectedLines("k", 2, 10);
    const std::string inUse = gbToUtf8(gb("结果文件正被另一采集占用："));
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        fs::remove_all(out());
        asked = 0;
        const std::vector<ProcessResult> runs = runClis({args(2), args(2)}, options());
        const std::vector<fs::path> files = filesIn(out());
        ASSERT_EQ(files.size(), 2u);
        for (const fs::path& file : files) EXPECT_EQ(readFileBytes(file), expected) << file;
        int told = 0;
        for (const ProcessResult& r : runs) {
            EXPECT_EQ(r.status, 0) << r.err;
            told += r.err.find(inUse) != std::string::npos ? 1 : 0;
        }
        EXPECT_EQ(told, 1);
        if (HasFailure()) break;
    }
    EXPECT_TRUE(filesIn(tmp()).empty());
}

TEST_F(CliResultFiles, KeywordsWithNulControlCharactersOrTooLongGetWholeFilesOfTheirOwn) {
    std::string longOne;
    for (int i = 0; i < 299; ++i) longOne += "词";
    const std::vector<std::string> list = {std::string("x\0a", 3), std::string("x\0b", 3),
                                           "\x1b[31mred", longOne + "甲", longOne + "乙"};
    std::string file;
    for (const std::string& k : list) file += k + "\n";
    keywords(file);
    const ProcessResult r = runCli(args(1), options());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_NE(r.err.find("\\x1b[31mred"), std::string::npos) << r.err;

    const std::vector<fs::path> files = filesIn(out());
    ASSERT_EQ(files.size(), list.size());
    std::vector<std::string> contents;
    for (const fs::path& path : files) {
        const std::string name = path.filename().string();
        EXPECT_LE(name.size(), 255u);
        EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20;
        })) << name;
        // Each file holds its keyword's page, whole: results of no other keyword.
        const std::string lines = readFileBytes(path);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << name;
        EXPECT_EQ(lines.substr(lines.size() - 2), "\r\n");
        EXPECT_EQ(std::count(contents.begin(), contents.end(), lines), 0) << name;
        contents.push_back(lines);
    }
}

TEST_F(CliResultFiles, AFullDiskEndsWithStatus3NamingTheFileAndKeepsWholeLines) {
    server_.resultsPerPage = 10;
    keywords("k\n");
    ProcessOptions o = options();
    o.fileSizeLimit = 2000;  // room for a few of the 20 lines
    const ProcessResult r = runCli(args(2), o);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find(gbToUtf8(gb("结果文件写入失败："))), std::string::npos) << r.err;
    const std::vector<fs::path> files = filesIn(out());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(r.err.find(files[0].filename().string()), std::string::npos) << r.err;
    const std::string lines = readFileBytes(files[0]);
    const std::string all = expectedLines("k", 2, 10);
    ASSERT_FALSE(lines.empty());
    EXPECT_LT(lines.size(), all.size());
    EXPECT_EQ(all.substr(0, lines.size()), lines);
    EXPECT_EQ(lines.substr(lines.size() - 2), "\r\n");
}

TEST_F(CliResultFiles, SigtermOrSighupStopsLikeCtrlCWithTheEndOfRunLine) {
    keywords("a\nb\nc\n");
    for (const int signalNumber : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        fs::remove_all(out());
        bool sent = false;
        ProcessOptions o = options(0.05);  // page pauses leave time to signal
        o.onError = [&](int pid, const std::string& err) {
            if (!sent && err.find("progress: keyword 2/3 | page 2") != std::string::npos) {
                ::kill(pid, signalNumber);
                sent = true;
            }
        };
        const ProcessResult r = runCli(args(3), o);
        ASSERT_TRUE(sent) << r.err;
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("已停止采集！总采集数量 "), std::string::npos) << r.err;
        const std::vector<fs::path> files = filesIn(out());
        ASSERT_EQ(files.size(), 2u);  // c never starts
        EXPECT_TRUE(fs::exists(out() / kRunJournalName));
        EXPECT_EQ(readFileBytes(files[0]), expectedLines("a", 3, 3));
        const std::string b = readFileBytes(files[1]);
        EXPECT_FALSE(b.empty());
        EXPECT_EQ(expectedLines("b", 3, 3).substr(0, b.size()), b);
        EXPECT_TRUE(filesIn(tmp()).empty());
    }
}

}  // namespace
}  // namespace lh::cli::test
