#include "collect/run_status_texts.h"

#include <gtest/gtest.h>

#include "textutil/program_text.h"

namespace lh {
namespace {

TEST(RunStatusTexts, FormatElapsedPicksTheUnitAndDropsTrailingZeros) {
    EXPECT_EQ(formatElapsed(999), "999" + gb(" 毫秒"));
    EXPECT_EQ(formatElapsed(90000), "1.5" + gb(" 分"));
    EXPECT_EQ(formatElapsed(7200000), "2" + gb(" 时"));
    EXPECT_EQ(formatElapsed(1000), "1" + gb(" 秒"));
    EXPECT_EQ(formatElapsed(12.346), "12.35" + gb(" 毫秒"));
    EXPECT_EQ(formatElapsed(86400000.0 * 3), "3" + gb(" 天"));
    EXPECT_EQ(formatElapsed(86400000.0 * 45), "1.5" + gb(" 月"));
    EXPECT_EQ(formatElapsed(86400000.0 * 30 * 18), "1.5" + gb(" 年"));
    EXPECT_EQ(status_text::collectedCount(12), gb("已采集数 12"));
    EXPECT_EQ(status_text::endSummary(7, 90000), gb("已采集完成！总采集数量 7 耗时 1.5 分"));
}

}  // namespace
}  // namespace lh
