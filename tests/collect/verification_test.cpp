#include "collect/verification.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "collect/collection_driver.h"
#include "collect/scripted_steps.h"
#include "support/fake_collection_host.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

using test::FakeCollectionHost;
using test::ScriptedSteps;

TEST(DetectVerification, FindsEveryMarkerIgnoringCaseOnly) {
    EXPECT_TRUE(detectVerification("<html>" + gb("<title>百度安全验证</title>") + "</html>"));
    EXPECT_TRUE(detectVerification(
        "x our systems have detected UNUSUAL traffic from your computer network"));
    EXPECT_TRUE(detectVerification("sendLog('verify_page', 1)"));
    EXPECT_TRUE(detectVerification("{\"verify_page\": 1}"));
    EXPECT_TRUE(detectVerification(gb("用户您好，您的访问过于频繁")));
    EXPECT_FALSE(detectVerification("verify_page without quotes"));
    EXPECT_FALSE(detectVerification(""));
    EXPECT_FALSE(detectVerification(gb("百度安全验证")));  // the title tag is part of the marker

    EXPECT_TRUE(checksVerification(SearchEngine::Google));
    EXPECT_TRUE(checksVerification(SearchEngine::Search360Mobile));
    EXPECT_FALSE(checksVerification(SearchEngine::Bing));
    EXPECT_FALSE(checksVerification(SearchEngine::Search360));
    EXPECT_FALSE(checksVerification(SearchEngine::ShenmaMobile));
}

struct VerifyHarness {
    explicit VerifyHarness(SearchEngine engine) {
        folder = std::filesystem::temp_directory_path() /
                 ("lh_verify_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(folder);
        host.folder = programTextOfPath(folder);
        host.options.saveFolder = host.folder + "/out";
        host.options.keywordList = "a";
        host.options.pageLimitText = "1";
        host.options.engine = engine;
        host.webViewCookies = "BAIDUID=42; H=1";
        steps.fetchTexts = {"<title>" + gb("百度安全验证") + "</title>"};
    }
    ~VerifyHarness() {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    std::filesystem::path cookieFile(const char* utf8Name) const {
        return folder / nativePath(gb(utf8Name));
    }
    static std::string read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static inline int counter = 0;
    std::filesystem::path folder;
    FakeCollectionHost host;
    CollectionRun run;
    ScriptedSteps steps;
    CollectionDriver driver{host, run, steps};
};

TEST(HandOffVerification, OkShowsThePageTakesCookiesStoresBaiduFileAndRefetches) {
    VerifyHarness h(SearchEngine::Baidu);
    h.host.verificationAnswers = {true};
    h.host.options.clearCacheOnVerification = true;
    h.driver.onStartStopClicked();

    const std::string url = "http://e/?q=a&p=1";
    EXPECT_EQ(h.steps.fetched, (std::vector<std::string>{url, url}));
    std::vector<std::string> handOff;
    bool inside = false;
    for (const std::string& line : h.host.log) {
        if (line == "clear 1") inside = true;
        if (inside) handOff.push_back(line);
        if (line == "activate") break;
    }
    EXPECT_EQ(handOff,
              (std::vector<std::string>{
                  "clear 1", "clear 2", "clear 8", "clear 255", "webview clear cookies",
                  "webview cache folder", "webview cookie folder", "webview load about:blank",
                  "wait 1000", "webview load " + url, "webview visible 1", "ask", "webview cookies",
                  "webview visible 0", "activate"}));
    EXPECT_EQ(h.host.cacheFolder.size(), 8u);
    EXPECT_NE(h.host.cacheFolder, h.host.cookieFolder);
    EXPECT_EQ(h.host.prompts.at(0),
              gb("程序检测到出现验证，请完成验证操作，然后确定继续！如果取消将跳出采集"));
    EXPECT_EQ(h.run.cookieText, "BAIDUID=42; H=1");
    EXPECT_EQ(VerifyHarness::read(h.cookieFile("百度Cookies.txt")), "BAIDUID=42; H=1");
    EXPECT_FALSE(h.run.stopRequested.load());
    EXPECT_EQ(h.run.totalCollected, 10);
}

TEST(HandOffVerification, CancelStopsTheRunKeepsCookiesAndWritesNoFile) {
    VerifyHarness h(SearchEngine::BaiduMobile);
    h.host.options.keywordList = "a\r\nb";
    h.host.verificationAnswers = {false};
    h.driver.onStartStopClicked();
    EXPECT_EQ(h.steps.fetched.size(), 1u);
    EXPECT_TRUE(h.run.stopRequested.load());
    EXPECT_EQ(h.run.cookieText, "BAIDUID=42; H=1");
    EXPECT_FALSE(std::filesystem::exists(h.cookieFile("百度移动Cookies.txt")));
    EXPECT_EQ(h.steps.calls, (std::vector<std::string>{"begin run", "open a", "close"}));
    // The caption is not touched by the cancel itself.
    EXPECT_EQ(h.host.captions, (std::vector<std::string>{gb("停止采集"), gb("开始采集")}));
    EXPECT_EQ(h.host.failureReports.size(), 1u);
}

TEST(HandOffVerification, AutoCloseWaitsTenSecondsAndAsksNothing) {
    VerifyHarness h(SearchEngine::Google);
    h.host.options.autoCloseVerification = true;
    h.steps.fetchTexts.push_back(
        "Our systems have detected unusual traffic from your computer network");
    h.driver.onStartStopClicked();
    EXPECT_TRUE(h.host.prompts.empty());
    EXPECT_EQ(h.steps.fetched.size(), 3u);  // asked again as long as the engine insists
    int tenSecondWaits = 0;
    for (const auto& wait : h.host.waits()) {
        if (wait.ms == 10000 && !wait.withStopFlag) ++tenSecondWaits;
    }
    EXPECT_EQ(tenSecondWaits, 2);
    EXPECT_EQ(h.run.cookieText, "BAIDUID=42; H=1");
    // Google's cookies are not kept in a file.
    EXPECT_FALSE(std::filesystem::exists(h.cookieFile("百度Cookies.txt")));
}

TEST(HandOffVerification, BingPagesAreNeverExamined) {
    VerifyHarness h(SearchEngine::Bing);
    h.driver.onStartStopClicked();
    EXPECT_TRUE(h.host.prompts.empty());
    EXPECT_EQ(h.steps.fetched.size(), 1u);
    EXPECT_EQ(std::count(h.host.webViewAddresses.begin(), h.host.webViewAddresses.end(),
                         "http://e/?q=a&p=1"),
              0);
}

}  // namespace
}  // namespace lh
