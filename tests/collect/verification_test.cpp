#include "collect/verification.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "collect/collection_driver.h"
#include "collect/engine_catalogue.h"
#include "collect/engine_page_source.h"
#include "collect/scripted_pages.h"
#include "support/fake_run_host.h"
#include "support/sample_pages.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

using test::FakeRunHost;
using test::ScriptedPages;

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

    EXPECT_TRUE(engineProfile(SearchEngine::Google).examinedForVerification);
    EXPECT_TRUE(engineProfile(SearchEngine::Search360Mobile).examinedForVerification);
    EXPECT_FALSE(engineProfile(SearchEngine::Bing).examinedForVerification);
    EXPECT_FALSE(engineProfile(SearchEngine::Search360).examinedForVerification);
    EXPECT_FALSE(engineProfile(SearchEngine::ShenmaMobile).examinedForVerification);
}

// The one-pass scan against a search per marker, on every real page as it stands and with
// each marker planted in it: in upper case, at a character start, and one byte into a
// two-byte character (where no marker is found).
TEST(DetectVerification, OnePassAgreesWithASearchPerMarker) {
    LH_REQUIRE_SAMPLE_PAGES();
    auto perMarker = [](const std::string& page) {
        if (page.empty()) return false;
        for (const std::string& marker : verificationMarkers()) {
            if (containsText(page, marker, Case::Ignore)) return true;
        }
        return false;
    };
    int pages = 0;
    int found = 0;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(test::samplePagesFolder())) {
        if (entry.path().extension() != ".html") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const std::string page = isValidUtf8(bytes) ? utf8ToGb(bytes) : bytes;
        ++pages;
        ASSERT_EQ(detectVerification(page), perMarker(page)) << entry.path();
        // A piece of the page from its middle on, where planting is cheap.
        const std::string half = page.substr(page.size() / 2, 2048);
        const std::string rest = page.substr(page.size() / 2 + half.size(), 2048);
        for (const std::string& marker : verificationMarkers()) {
            for (const std::string& planted :
                 {half + toUpperAscii(marker) + rest,
                  half + gb("中") + marker.substr(0, marker.size() - 1),
                  half + "\xB0" + marker + rest, rest + "\xD6" + marker}) {
                const bool expected = perMarker(planted);
                found += expected ? 1 : 0;
                ASSERT_EQ(detectVerification(planted), expected) << entry.path() << " " << marker;
                const EngineProfile& bing = engineProfile(SearchEngine::Bing);
                ASSERT_EQ(isVerificationPage(bing, planted),
                          containsText(planted, bing.challengeMarker, Case::Ignore));
            }
        }
    }
    EXPECT_GE(pages, 16);
    EXPECT_GT(found, pages * static_cast<int>(verificationMarkers().size()) - 1);
}

// A run of one keyword whose first download is a Baidu verification page.
struct VerifyHarness {
    explicit VerifyHarness(SearchEngine engine) {
        host.options.saveFolder = folderText + "/out";
        host.options.keywordList = "a";
        host.options.pageLimit = PageLimit{1};
        host.options.engine = engine;
        host.browser.webViewCookies = "BAIDUID=42; H=1";
        pages.fetchTexts = {"<title>" + gb("百度安全验证") + "</title>"};
    }
    std::filesystem::path cookieFile(const char* utf8Name) const {
        return folder.path() / nativePath(gb(utf8Name));
    }
    void start() { driver.onStartStopClicked(); }

    test::TempFolder folder;
    const std::string folderText = programTextOfPath(folder.path());
    FakeRunHost host;
    ScriptedPages pages;
    OutputWriter output;
    EngineSession session;
    CollectionDriver driver{host.surroundings(), {pages, output, session, folderText, ""}};
};

TEST(HandOffVerification, OkShowsThePageTakesCookiesStoresBaiduFileAndRefetches) {
    VerifyHarness h(SearchEngine::Baidu);
    h.host.browser.verificationAnswers = {true};
    h.host.options.clearCacheOnVerification = true;
    h.start();

    const std::string url = "http://e/?q=a&p=1";
    EXPECT_EQ(h.pages.fetched, (std::vector<std::string>{url, url}));
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
    EXPECT_EQ(h.host.browser.cacheFolder.size(), 8u);
    EXPECT_NE(h.host.browser.cacheFolder, h.host.browser.cookieFolder);
    EXPECT_EQ(h.host.browser.prompts.at(0),
              gb("程序检测到出现验证，请完成验证操作，然后确定继续！如果取消将跳出采集"));
    EXPECT_EQ(h.session.cookieText, "BAIDUID=42; H=1");
    EXPECT_EQ(test::readFileBytes(h.cookieFile("百度Cookies.txt")), "BAIDUID=42; H=1");
    EXPECT_EQ(h.host.progress.all<VerificationNeeded>().at(0).address, url);
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::Finished);
    EXPECT_EQ(h.output.totalLines(), 10);
}

TEST(HandOffVerification, CancelStopsTheRunKeepsCookiesAndWritesNoFile) {
    VerifyHarness h(SearchEngine::BaiduMobile);
    h.host.options.keywordList = "a\r\nb";
    h.host.browser.verificationAnswers = {false};
    h.start();
    EXPECT_EQ(h.pages.fetched.size(), 1u);
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::VerificationCancelled);
    EXPECT_EQ(h.session.cookieText, "BAIDUID=42; H=1");
    EXPECT_FALSE(std::filesystem::exists(h.cookieFile("百度移动Cookies.txt")));
    ASSERT_EQ(h.output.files().size(), 1u);  // keyword b never started
    // The caption is not touched by the cancel itself.
    EXPECT_EQ(h.host.progress.captions, (std::vector<std::string>{gb("停止采集"), gb("开始采集")}));
    EXPECT_EQ(h.host.progress.failureReports.size(), 1u);
}

TEST(HandOffVerification, AutoCloseWaitsTenSecondsAndAsksNothing) {
    VerifyHarness h(SearchEngine::Google);
    h.host.options.autoCloseVerification = true;
    h.pages.fetchTexts.push_back(
        "Our systems have detected unusual traffic from your computer network");
    h.start();
    EXPECT_TRUE(h.host.browser.prompts.empty());
    EXPECT_EQ(h.pages.fetched.size(), 3u);  // asked again as long as the engine insists
    int tenSecondWaits = 0;
    for (const auto& wait : h.host.clock.waits()) {
        if (wait.ms == 10000 && !wait.withStopFlag) ++tenSecondWaits;
    }
    EXPECT_EQ(tenSecondWaits, 2);
    EXPECT_EQ(h.session.cookieText, "BAIDUID=42; H=1");
    // Google's cookies are not kept in a file.
    EXPECT_FALSE(std::filesystem::exists(h.cookieFile("百度Cookies.txt")));
}

TEST(HandOffVerification, BingHandsOnlyItsOwnChallengePageToTheUser) {
    {
        // The shared markers mean nothing on a Bing page.
        VerifyHarness h(SearchEngine::Bing);
        h.start();
        EXPECT_TRUE(h.host.browser.prompts.empty());
        EXPECT_EQ(h.pages.fetched.size(), 1u);
        EXPECT_EQ(std::count(h.host.browser.webViewAddresses.begin(),
                             h.host.browser.webViewAddresses.end(), "http://e/?q=a&p=1"),
                  0);
    }
    LH_REQUIRE_SAMPLE_PAGES();
    std::ifstream in(test::samplePagesFolder() + "/modern/bing-2026-2.html", std::ios::binary);
    const std::string challenge =
        utf8ToGb(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    ASSERT_FALSE(challenge.empty());
    const std::string url = "https://cn.bing.com/search?q=a";
    EXPECT_TRUE(
        readResultPage(engineProfile(SearchEngine::Bing), url, challenge).verificationDetected);
    // Only Bing knows its marker; a results page merely quoting the words is no challenge.
    EXPECT_FALSE(isVerificationPage(engineProfile(SearchEngine::Google), challenge));
    EXPECT_FALSE(isVerificationPage(engineProfile(SearchEngine::Bing),
                                    "<h2><a href=\"x\">One last step</a></h2>"));

    VerifyHarness h(SearchEngine::Bing);
    h.pages.fetchTexts = {challenge};
    h.host.browser.verificationAnswers = {true};
    h.start();
    EXPECT_EQ(h.pages.fetched,
              (std::vector<std::string>{"http://e/?q=a&p=1", "http://e/?q=a&p=1"}));
    EXPECT_EQ(h.host.browser.prompts.size(), 1u);
    EXPECT_EQ(h.host.progress.all<VerificationNeeded>().size(), 1u);
    EXPECT_EQ(h.driver.lastRun().why, RunEndReason::Finished);
    EXPECT_EQ(h.output.totalLines(), 10);
}

}  // namespace
}  // namespace lh
