#include "cli/progress_display.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "support/memory_stream.h"
#include "textutil/program_text.h"

namespace lh::cli {
namespace {

// Collects what a display writes.
using Capture = test::MemoryStream;

TEST(ProgressDisplay, PlainModePrintsStatusTextsAndEachNewPageOnce) {
    Capture out;
    ProgressDisplay display(out.file(), ProgressDisplay::Mode::Plain);
    display.showStatus(0, gb("正在读 外星人 的第 1 页.."));
    display.showStatus(0, gb("正在读 外星人 的第 1 页.."));
    display.showProgress({1, 2, 1, 0, 1500});
    display.showProgress({1, 2, 1, 7, 2500});
    display.showProgress({1, 2, 2, 9, 3723000});
    display.printLine("done");
    EXPECT_EQ(out.text(),
              "正在读 外星人 的第 1 页..\n"
              "progress: keyword 1/2 | page 1 | 0 lines | 00:00:01\n"
              "progress: keyword 1/2 | page 2 | 9 lines | 01:02:03\n"
              "done\n");
}

TEST(ProgressDisplay, TerminalModeRedrawsOneLineBelowTheStatusTexts) {
    Capture out;
    ProgressDisplay display(out.file(), ProgressDisplay::Mode::Terminal, 30);
    display.showProgress({1, 1, 1, 1, 0});
    display.showStatus(1, "title(http://a/)");
    display.clearProgress();
    const std::string progress = ProgressDisplay::progressText({1, 1, 1, 1, 0}).substr(0, 29);
    EXPECT_EQ(out.text(),
              "\r\x1b[K" + progress + "\r\x1b[Ktitle(http://a/)\n\r\x1b[K" + progress + "\r\x1b[K");
}

TEST(ProgressDisplay, QuietModeKeepsOnlyPrintedLines) {
    Capture out;
    ProgressDisplay display(out.file(), ProgressDisplay::Mode::Quiet);
    display.showStatus(0, "x");
    display.showProgress({1, 1, 1, 1, 0});
    display.printLine("end");
    EXPECT_EQ(out.text(), "end\n");
}

}  // namespace
}  // namespace lh::cli
