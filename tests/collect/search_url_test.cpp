#include "collect/search_url.h"

#include <gtest/gtest.h>

#include "collect/collection_settings.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

struct UrlCase {
    int perPage = 50;
    bool useComSite = true;
    std::string googleBase;
    std::string nextPageUrl;
    std::string url(SearchEngine engine, const std::string& keyword, long long page) {
        return buildSearchUrl(
            {engine, keyword, page, perPage, useComSite, googleBase, nextPageUrl});
    }
};

TEST(SearchUrl, BaiduEncodesAsAComponentAndFollowsTheNextPageLink) {
    UrlCase c;
    c.perPage = 50;
    EXPECT_EQ(c.url(SearchEngine::Baidu, gb("中文 a!"), 1),
              "https://www.baidu.com/s?ie=utf-8&f=8&rsv_bp=1&rsv_idx=1&tn=baidu&word="
              "%E4%B8%AD%E6%96%87%20a!&rn=50&pn=0");
    EXPECT_EQ(
        c.url(SearchEngine::BaiduNews, "a(b)*", 1),
        "https://www.baidu.com/s?ie=utf-8&f=8&rsv_bp=1&rsv_idx=1&tn=baidu&word=a(b)*&rn=50&pn=0"
        "&rtt=4&bsst=1&tn=news&cl=2");
    c.nextPageUrl = "https://www.baidu.com/s?wd=x&pn=50&oq=x&tn=news&rsv_page=1";
    EXPECT_EQ(c.url(SearchEngine::BaiduNews, "x", 2), c.nextPageUrl);
    EXPECT_EQ(c.url(SearchEngine::Baidu, "x", 7), c.nextPageUrl);
    c.nextPageUrl.clear();
    EXPECT_EQ(c.url(SearchEngine::Baidu, "x", 2), "");
}

TEST(SearchUrl, PerPageCountsAskForAtLeastTenAndPagesStepByIt) {
    UrlCase c;
    c.perPage = 5;
    c.googleBase = googleBaseFor(true);
    EXPECT_EQ(c.url(SearchEngine::Google, "a b", 3),
              "https://www.google.com/search?biw=1920&bih=919&filter=0&num=10&q=a%20b&start=20");
    c.googleBase = googleBaseFor(false);
    c.perPage = 30;
    EXPECT_EQ(c.url(SearchEngine::Google, "q", 2),
              "https://www.google.com.hk/search?biw=1920&bih=919&filter=0&num=30&q=q&start=30");
    c.perPage = 5;
    EXPECT_EQ(c.url(SearchEngine::Sogou, "a!", 2),
              "http://www.sogou.com/web?num=10&query=a%21&page=2");
    EXPECT_EQ(c.url(SearchEngine::SogouNews, "a.b_c-d", 1),
              "http://news.sogou.com/news?num=10&query=a.b_c-d&page=1");
    c.perPage = resultsPerPageFromText("500");  // clamps to 100
    EXPECT_EQ(c.url(SearchEngine::Sogou, "k", 1),
              "http://www.sogou.com/web?num=100&query=k&page=1");
    EXPECT_EQ(c.url(SearchEngine::Search360, gb("中"), 4), "http://www.so.com/s?q=%E4%B8%AD&pn=4");
    EXPECT_EQ(c.url(SearchEngine::BaiduMobile, "k", 3), "https://m.baidu.com/s?word=k&pn=20");
    EXPECT_EQ(c.url(SearchEngine::BaiduMobile, "k", 1), "https://m.baidu.com/s?word=k&pn=0");
    EXPECT_EQ(c.url(SearchEngine::Search360Mobile, "k", 2),
              "https://m.so.com/"
              "nextpage?q=k&src=msearch_next_input&sug_pos=&sug=&srcg=home_next&ajax=1&pn=2");
    EXPECT_EQ(c.url(SearchEngine::ShenmaMobile, "k", 5),
              "https://m.sm.cn/s?q=k&from=smor&safe=1&snum=6&by=next&layout=html&page=5");
    EXPECT_EQ(c.url(SearchEngine::None, "k", 1), "");
    EXPECT_EQ(c.url(SearchEngine::Sogou, "k", 0), "");
}

TEST(SearchUrl, BingBuildsUntilANextPageLinkIsKnown) {
    UrlCase c;
    c.useComSite = false;
    EXPECT_EQ(c.url(SearchEngine::Bing, "k", 3),
              "https://cn.bing.com/search?q=k&form=QBRE&sp=-1&first=21");
    c.useComSite = true;
    EXPECT_EQ(c.url(SearchEngine::Bing, "a b", 1),
              "https://global.bing.com/"
              "search?q=a%20b&form=QBRE&sp=-1&first=1&setmkt=en-us&setlang=en-us");
    c.nextPageUrl = "https://global.bing.com/search?q=k&first=11&FORM=PERE";
    EXPECT_EQ(c.url(SearchEngine::Bing, "k", 2), c.nextPageUrl);
    EXPECT_EQ(
        c.url(SearchEngine::Bing, "k", 1),
        "https://global.bing.com/search?q=k&form=QBRE&sp=-1&first=1&setmkt=en-us&setlang=en-us");
}

class CountingSource : public RandomSource {
public:
    void reseed() override { ++seed_; }
    int below(int bound) override { return (seed_ + step_++) % bound; }

private:
    int seed_ = 0;
    int step_ = 0;
};

TEST(SearchUrl, RefererTextsAndSogouAttemptMarks) {
    EXPECT_EQ(baiduDefaultReferer(), "https://www.baidu.com/");
    EXPECT_EQ(search360MobileReferer(gb("中 a")),
              "https://www.so.com/s?ie=utf-8&fr=so.com&src=home_so.com&q=%E4%B8%AD%20a");
    CountingSource source;
    const std::string base = "http://www.sogou.com/web?num=10&query=k&page=1";
    const std::string first = sogouAttemptUrl(base, source);
    const std::string second = sogouAttemptUrl(base, source);
    ASSERT_EQ(first.size(), base.size() + 12);
    EXPECT_EQ(first.substr(0, base.size() + 4), base + "&sj=");
    EXPECT_NE(first, second);
    EXPECT_NE(sogouAttemptUrl(base), sogouAttemptUrl(base));
}

}  // namespace
}  // namespace lh
