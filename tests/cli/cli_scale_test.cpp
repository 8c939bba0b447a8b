// Runs that are killed and resumed, keyword lists split into shards under GNU parallel
// and merged, and the Kubernetes recipe: all against the mock engines on 127.0.0.1.
#include <sys/wait.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "cli/cli_process.h"
#include "collect/engine_catalogue.h"
#include "collect/run_journal.h"
#include "support/local_server.h"
#include "support/mock_engine_server.h"
#include "support/temp_folder.h"
#include "web/network_overrides.h"

namespace lh::cli::test {
namespace {

namespace fs = std::filesystem;
using lh::test::MockEngineServer;

// The result files of a folder by name, the run's own hidden files left out. A merged
// file is named after the time its run started, so it goes by its extension alone.
std::map<std::string, std::string> resultFiles(const fs::path& folder, bool merged) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".")) continue;
        files[merged ? entry.path().extension().string() : name] =
            lh::test::readFileBytes(entry.path());
    }
    return files;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Everything a shell command printed, and its wait status.
int shell(const std::string& command, std::string& output) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    return ::pclose(pipe);
}

// Equal folders, or the first file that differs and where.
testing::AssertionResult sameFiles(const std::map<std::string, std::string>& got,
                                   const std::map<std::string, std::string>& want) {
    for (const auto& [name, bytes] : want) {
        const auto it = got.find(name);
        if (it == got.end()) return testing::AssertionFailure() << name << " is missing";
        if (it->second == bytes) continue;
        const auto at = std::mismatch(bytes.begin(), bytes.end(), it->second.begin(),
                                      it->second.end());
        return testing::AssertionFailure()
               << name << " differs from byte " << (at.first - bytes.begin()) << " of "
               << bytes.size() << " (got " << it->second.size() << ")";
    }
    if (got.size() != want.size()) return testing::AssertionFailure() << "files more than expected";
    return testing::AssertionSuccess();
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// "总采集数量 N" of the end-of-run line.
std::string totalOf(const std::string& err) {
    const std::string mark = "总采集数量 ";
    const std::size_t at = err.rfind(mark);
    return at == std::string::npos ? std::string()
                                   : err.substr(at, err.find(' ', at + mark.size()) - at);
}

class CliScale : public testing::Test {
protected:
    // Keywords that come again, in one shard and across shards, and a blank line.
    CliScale() {
        writeFile(folder_.path() / "keywords.txt", "a\nb\nc\n\nd\na\ne\nf\ng\nb\n");
    }

    std::vector<std::string> options(bool merged) const {
        std::vector<std::string> a = {"--engine",         "baidu",
                                      "--program-folder", (folder_.path() / "program").string(),
                                      "--pages",          "3",
                                      "--per-page",       "10"};
        if (merged) a.insert(a.end(), {"--merge", "--separator-lines", "--ext", "csv"});
        const std::vector<std::string> n = mockNetworkArgs();
        a.insert(a.end(), n.begin(), n.end());
        return a;
    }

    std::vector<std::string> run(const std::string& out, bool merged,
                                 std::vector<std::string> extra = {}) const {
        std::vector<std::string> a = {"--keywords", (folder_.path() / "keywords.txt").string(),
                                      "--save-folder", (folder_.path() / out).string()};
        const std::vector<std::string> o = options(merged);
        a.insert(a.end(), o.begin(), o.end());
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }

    static ProcessOptions quick() {
        ProcessOptions o;
        o.environment.push_back("LINKHARVEST_TEST_PAUSE_SCALE=0.001");
        return o;
    }

    MockEngineServer server_;
    lh::test::TempFolder folder_;
};

TEST_F(CliScale, ARunKilledFiveTimesAndResumedWritesWhatAnUninterruptedRunWrites) {
    std::mt19937 random(std::random_device{}());
    for (const bool merged : {false, true}) {
        SCOPED_TRACE(merged ? "merged" : "a file per keyword");
        const std::string tag = merged ? "-merged" : "";
        const ProcessResult whole = runCli(run("whole" + tag, merged), quick());
        ASSERT_EQ(whole.status, 0) << whole.err;
        const fs::path folder = folder_.path() / ("resumed" + tag);

        for (int kill = 0; kill < 5; ++kill) {
            const int pages = std::uniform_int_distribution<int>(1, 3)(random);
            const int delayMs = std::uniform_int_distribution<int>(0, 20)(random);
            SCOPED_TRACE("kill " + std::to_string(kill) + " at page step " +
                         std::to_string(pages) + " + " + std::to_string(delayMs) + " ms");
            bool sent = false;
            ProcessOptions o = quick();
            o.onError = [&](int pid, const std::string& err) {
                if (sent || count(err, "正在读 ") < pages) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                ::kill(pid, SIGKILL);
                sent = true;
            };
            const ProcessResult r = runCli(run("resumed" + tag, merged, {"--resume"}), o);
            ASSERT_EQ(r.signal, SIGKILL) << r.err;
            EXPECT_TRUE(fs::exists(folder / kRunJournalName));
        }

        // Other options are refused by name, and nothing is touched.
        const auto before = resultFiles(folder, merged);
        const ProcessResult refused =
            runCli(run("resumed" + tag, merged, {"--resume", "--per-page", "5"}), quick());
        EXPECT_EQ(refused.status, 2) << refused.err;
        EXPECT_NE(refused.err.find("--per-page 上次为 \"10\"，现在为 \"5\""), std::string::npos)
            << refused.err;
        EXPECT_TRUE(sameFiles(resultFiles(folder, merged), before));

        const ProcessResult resumed = runCli(run("resumed" + tag, merged, {"--resume"}), quick());
        EXPECT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_TRUE(sameFiles(resultFiles(folder, merged),
                              resultFiles(folder_.path() / ("whole" + tag), merged)));
        EXPECT_EQ(totalOf(resumed.err), totalOf(whole.err)) << resumed.err;
        EXPECT_FALSE(fs::exists(folder / kRunJournalName));
    }
}

TEST_F(CliScale, FourShardsUnderGnuParallelMergeIntoWhatOneRunWrites) {
    for (const bool merged : {false, true}) {
        SCOPED_TRACE(merged ? "merged" : "a file per keyword");
        const std::string tag = merged ? "merged" : "own";
        const ProcessResult whole = runCli(run("whole-" + tag, merged), quick());
        ASSERT_EQ(whole.status, 0) << whole.err;

        std::string flags;
        for (const std::string& option : options(merged)) flags += option + " ";
        const fs::path out = folder_.path() / ("merged-" + tag);
        const std::string command =
            "cd '" + folder_.path().string() + "' && env -u http_proxy -u https_proxy " +
            "-u HTTPS_PROXY -u ALL_PROXY LANG=C LINKHARVEST_TEST_PAUSE_SCALE=0.001 " +
            "LH_CLI='" + LH_CLI_PROGRAM + "' LH_WORK='shards-" + tag + "' LH_OPTIONS='" +
            flags + "' sh '" + LH_TESTS_DIR + "/../deploy/parallel/harvest.sh' keywords.txt '" +
            out.string() + "' 4 4/:";
        std::string log;
        const int status = shell(command, log);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;

        // Four shards ran at once, each leaving its record.
        const fs::path work = folder_.path() / ("shards-" + tag);
        std::istringstream jobs(lh::test::readFileBytes(work / "joblog"));
        std::string row;
        std::getline(jobs, row);  // the heading
        double lastStart = 0;
        double firstEnd = 1e300;
        int rows = 0;
        for (double seq, start, runtime; jobs >> seq >> row >> start >> runtime;
             std::getline(jobs, row), ++rows) {
            lastStart = std::max(lastStart, start);
            firstEnd = std::min(firstEnd, start + runtime);
        }
        EXPECT_EQ(rows, 4) << log;
        EXPECT_LT(lastStart, firstEnd) << lh::test::readFileBytes(work / "joblog");
        for (int shard = 0; shard < 4; ++shard) {
            const fs::path record = work / ("shard-" + std::to_string(shard)) / kShardRecordName;
            EXPECT_TRUE(fs::exists(record)) << record;
        }
        EXPECT_TRUE(sameFiles(resultFiles(out, merged),
                              resultFiles(folder_.path() / ("whole-" + tag), merged)))
            << log;

        // Merge refuses what is not a whole split: a shard missing, or a folder without one.
        const auto shardFolder = [&](int shard) {
            return (work / ("shard-" + std::to_string(shard))).string();
        };
        const ProcessResult missing = runCli(
            {"merge", (folder_.path() / "partial").string(), shardFolder(0), shardFolder(2),
             shardFolder(1)});
        EXPECT_EQ(missing.status, 2);
        EXPECT_NE(missing.err.find("shard 3/4 is missing"), std::string::npos) << missing.err;
        const ProcessResult none = runCli({"merge", (folder_.path() / "partial").string(),
                                           shardFolder(0), folder_.path().string()});
        EXPECT_EQ(none.status, 2);
        EXPECT_NE(none.err.find("holds no finished shard"), std::string::npos) << none.err;
        EXPECT_FALSE(fs::exists(folder_.path() / "partial"));
    }
}

// The manifest is read as Kubernetes would: one pod per shard, the shard count the same
// everywhere, every shard merged, one volume shared by both jobs.
TEST(DeployRecipes, TheKubernetesManifestShardsByIndexAndMergesEveryShard) {
    const std::string check = R"(
import re, sys, yaml
docs = list(yaml.safe_load_all(open(sys.argv[1])))
jobs = [d for d in docs if d['kind'] == 'Job']
shards = next(j for j in jobs if j['spec'].get('completionMode') == 'Indexed')
n = shards['spec']['completions']
assert shards['spec']['parallelism'] == n, 'parallelism'
pod = lambda job: job['spec']['template']['spec']
args = ' '.join(pod(shards)['containers'][0]['args'])
assert re.search(r'--shard auto --shards %d\b' % n, args) and '--resume' in args, args
merge = next(j for j in jobs if j is not shards)
margs = ' '.join(pod(merge)['containers'][0]['args'])
waited = re.search(r'for i in ([\d ]+);', margs).group(1).split()
merged = re.findall(r'/data/shards/(\d+)\b', margs.split(' merge ', 1)[1])
assert sorted(map(int, waited)) == list(range(n)) == sorted(map(int, merged)), margs
claims = {v['persistentVolumeClaim']['claimName'] for j in jobs for v in pod(j)['volumes']}
volume = next(d for d in docs if d['kind'] == 'PersistentVolumeClaim')
assert claims == {volume['metadata']['name']}, claims
assert 'ReadWriteMany' in volume['spec']['accessModes']
print('ok')
)";
    lh::test::TempFolder folder;
    writeFile(folder.path() / "check.py", check);
    const std::string command = "/usr/bin/python3 '" + (folder.path() / "check.py").string() +
                                "' '" + LH_TESTS_DIR + "/../deploy/kubernetes/harvest-job.yaml'";
    std::string output;
    EXPECT_EQ(shell(command, output), 0) << output;
    EXPECT_EQ(output, "ok\n");
}

}  // namespace
}  // namespace lh::cli::test
