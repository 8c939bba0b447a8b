#include "collect/random_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <vector>

namespace lh {
namespace {

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
