#include "collect/engine_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "textutil/program_text.h"

namespace lh {
namespace {

TEST(EngineCatalogue, NamesButtonsAndCommandLineNamesOfEveryEngine) {
    const std::vector<const char*> names = {"百度", "百度新闻", "搜狗",     "搜狗新闻", "360",
                                            "谷歌", "必应",     "百度移动", "360移动",  "神马移动"};
    const std::vector<const char*> cliNames = {
        "baidu",  "baidu-news", "sogou",        "sogou-news", "360",
        "google", "bing",       "baidu-mobile", "360-mobile", "shenma-mobile"};
    const auto engines = engineCatalogue();
    ASSERT_EQ(engines.size(), names.size());
    std::set<SearchEngine> ids;
    for (std::size_t i = 0; i < engines.size(); ++i) {
        const EngineProfile& e = engines[i];
        ids.insert(e.id);
        EXPECT_EQ(&engineProfile(e.id), &e);
        EXPECT_EQ(e.displayName, gb(names[i]));
        EXPECT_EQ(e.radioButton, gb("单选框") + gb(names[i]));
        EXPECT_EQ(engineOfRadioButton(e.radioButton), &e);
        EXPECT_EQ(e.cliName, cliNames[i]);
        EXPECT_EQ(engineNamed(cliNames[i]), &e);
        EXPECT_EQ(engineNamed(names[i]), &e);  // the display name in UTF-8 too
        ASSERT_NE(e.extraction, nullptr);
        ASSERT_NE(e.searchAddress, nullptr);
    }
    EXPECT_EQ(ids.size(), engines.size());
    EXPECT_EQ(engineNamed("BING"), &engineProfile(SearchEngine::Bing));
    EXPECT_EQ(engineNamed("yahoo"), nullptr);
    EXPECT_EQ(engineNamed(""), nullptr);
    EXPECT_EQ(engineProfile(SearchEngine::None).displayName, gb("未知引擎"));
    EXPECT_EQ(engineOfRadioButton(gb("单选框雅虎")), nullptr);

    // The window's control order puts Bing before Google.
    std::vector<SearchEngine> order;
    for (const EngineProfile* e : enginesInControlOrder()) order.push_back(e->id);
    EXPECT_EQ(order, (std::vector<SearchEngine>{
                         SearchEngine::Baidu, SearchEngine::BaiduNews, SearchEngine::Sogou,
                         SearchEngine::SogouNews, SearchEngine::Search360, SearchEngine::Bing,
                         SearchEngine::Google, SearchEngine::BaiduMobile,
                         SearchEngine::Search360Mobile, SearchEngine::ShenmaMobile}));
}

TEST(EngineCatalogue, RecipesPagingAndPacingOfTheEngines) {
    const auto& baidu = engineProfile(SearchEngine::Baidu);
    EXPECT_EQ(baidu.fetch, FetchRecipe::BaiduDownloadMode);
    EXPECT_EQ(engineProfile(SearchEngine::BaiduNews).fetch, FetchRecipe::BaiduDownloadMode);
    EXPECT_EQ(engineProfile(SearchEngine::BaiduMobile).fetch, FetchRecipe::MobileRequest);
    EXPECT_EQ(engineProfile(SearchEngine::ShenmaMobile).fetch, FetchRecipe::BareMobileRequest);
    EXPECT_EQ(engineProfile(SearchEngine::Search360Mobile).fetch,
              FetchRecipe::FetchWithSearchReferer);
    for (SearchEngine e : {SearchEngine::Sogou, SearchEngine::SogouNews, SearchEngine::Search360,
                           SearchEngine::Google}) {
        EXPECT_EQ(engineProfile(e).fetch, FetchRecipe::PageFetch);
    }
    EXPECT_EQ(engineProfile(SearchEngine::Bing).fetch, FetchRecipe::PageFetchWithViewCookies);
    EXPECT_EQ(engineProfile(SearchEngine::None).fetch, FetchRecipe::None);
    EXPECT_FALSE(engineProfile(SearchEngine::Search360).sendsSessionCookies);
    EXPECT_TRUE(engineProfile(SearchEngine::Sogou).freshAttemptMark);

    EXPECT_EQ(baidu.paging, Paging::NextLinkOnly);
    EXPECT_EQ(engineProfile(SearchEngine::Bing).paging, Paging::NextLinkWhenFound);
    EXPECT_EQ(engineProfile(SearchEngine::Google).paging, Paging::PageNumber);

    // Sogou web pauses not between keywords, Baidu web slowly at 20 per page, Bing grants
    // five poor pages and blanks its view before each keyword.
    int withoutKeywordPause = 0, slow = 0, blanking = 0;
    for (const EngineProfile& e : engineCatalogue()) {
        withoutKeywordPause += e.pauseBetweenKeywords ? 0 : 1;
        slow += e.slowPagePauseFromTwentyPerPage ? 1 : 0;
        blanking += e.blankViewBeforeKeyword ? 1 : 0;
        EXPECT_EQ(e.poorPagesToEnd, e.id == SearchEngine::Bing ? 5 : 1);
    }
    EXPECT_FALSE(engineProfile(SearchEngine::Sogou).pauseBetweenKeywords);
    EXPECT_EQ(withoutKeywordPause, 1);
    EXPECT_TRUE(engineProfile(SearchEngine::BaiduNews).slowPagePauseFromTwentyPerPage);
    EXPECT_EQ(slow, 2);
    EXPECT_EQ(blanking, 1);

    EXPECT_EQ(cookieFileName(baidu.cookieFile), gb("百度Cookies.txt"));
    EXPECT_EQ(cookieFileName(engineProfile(SearchEngine::BaiduMobile).cookieFile),
              gb("百度移动Cookies.txt"));
    EXPECT_EQ(cookieFileName(engineProfile(SearchEngine::Google).cookieFile), "");
    EXPECT_EQ(engineProfile(SearchEngine::BaiduMobile).duplicateKey, DuplicateKey::Title);
    EXPECT_EQ(engineProfile(SearchEngine::Baidu).duplicateKey, DuplicateKey::Line);
}

}  // namespace
}  // namespace lh
