#include "collect/search_engine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <vector>

#include "textutil/program_text.h"

namespace lh {
namespace {

TEST(SearchEngineCatalogue, NamesButtonsAndFamiliesOfEveryEngine) {
    const std::vector<const char*> names = {"百度", "百度新闻", "搜狗",     "搜狗新闻", "360",
                                            "谷歌", "必应",     "百度移动", "360移动",  "神马移动"};
    const auto& engines = allSearchEngines();
    ASSERT_EQ(engines.size(), names.size());
    for (std::size_t i = 0; i < engines.size(); ++i) {
        EXPECT_EQ(engineDisplayName(engines[i]), gb(names[i]));
        EXPECT_EQ(engineRadioButtonName(engines[i]), gb("单选框") + gb(names[i]));
        EXPECT_EQ(engineFromRadioButton(engineRadioButtonName(engines[i])), engines[i]);
    }
    EXPECT_EQ(engineDisplayName(SearchEngine::None), gb("未知引擎"));
    EXPECT_EQ(engineRadioButtonName(SearchEngine::None), "");
    EXPECT_EQ(engineFromRadioButton(gb("单选框雅虎")), SearchEngine::None);

    EXPECT_EQ(engineFetchFamily(SearchEngine::Baidu), FetchFamily::A);
    EXPECT_EQ(engineFetchFamily(SearchEngine::BaiduNews), FetchFamily::A);
    EXPECT_EQ(engineFetchFamily(SearchEngine::BaiduMobile), FetchFamily::B);
    EXPECT_EQ(engineFetchFamily(SearchEngine::ShenmaMobile), FetchFamily::BPrime);
    EXPECT_EQ(engineFetchFamily(SearchEngine::Search360Mobile), FetchFamily::C);
    for (SearchEngine e : {SearchEngine::Sogou, SearchEngine::SogouNews, SearchEngine::Search360,
                           SearchEngine::Google}) {
        EXPECT_EQ(engineFetchFamily(e), FetchFamily::D);
    }
    EXPECT_EQ(engineFetchFamily(SearchEngine::Bing), FetchFamily::E);
    EXPECT_EQ(engineFetchFamily(SearchEngine::None), FetchFamily::None);

    EXPECT_EQ(googleBaseFor(true), "https://www.google.com/");
    EXPECT_EQ(googleBaseFor(false), "https://www.google.com.hk/");
}

// Plays back a fixed list of choices and counts reseedings.
class ScriptedSource : public RandomSource {
public:
    explicit ScriptedSource(std::vector<int> values) : values_(std::move(values)) {}
    void reseed() override { ++reseeds; }
    int below(int bound) override {
        bounds.push_back(bound);
        return values_.empty() ? 0 : values_[next_++ % values_.size()];
    }
    int reseeds = 0;
    std::vector<int> bounds;

private:
    std::vector<int> values_;
    std::size_t next_ = 0;
};

TEST(RandomText, PicksAClassThenACharacterAndReseedsEveryCall) {
    // digit 7, lower-case z, upper-case A, then a stray value folded into range
    ScriptedSource source({0, 7, 1, 25, 2, 0, 0, 13});
    EXPECT_EQ(randomText(4, source), "7zA3");
    EXPECT_EQ(source.reseeds, 1);
    EXPECT_EQ(source.bounds, (std::vector<int>{3, 10, 3, 26, 3, 26, 3, 10}));
    EXPECT_EQ(randomText(0, source), "");
    EXPECT_EQ(randomText(-3, source), "");

    // Two calls within the same millisecond still differ, and only letters and digits.
    TickRandomSource frozen([] { return std::uint64_t{5000}; });
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const std::string text = randomText(8, frozen);
        ASSERT_EQ(text.size(), 8u);
        for (char c : text) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 20u);
    EXPECT_NE(randomText(8), randomText(8));
}

}  // namespace
}  // namespace lh
