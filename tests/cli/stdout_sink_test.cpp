#include "cli/stdout_sink.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "support/memory_stream.h"
#include "textutil/program_text.h"

namespace lh::cli {
namespace {

TEST(StdoutSink, PassesBytesOnAsGivenOrAsUtf8LinesAndReportsAFullOutput) {
    test::MemoryStream gbOut;
    StdoutSink asGiven(gbOut.file(), false);
    EXPECT_TRUE(asGiven.take(gb("标题一") + "\r\n"));
    EXPECT_TRUE(asGiven.take("t2\r\n"));
    EXPECT_TRUE(asGiven.flush());
    EXPECT_EQ(gbOut.text(), gb("标题一") + "\r\nt2\r\n");

    test::MemoryStream utf8Out;
    StdoutSink asUtf8(utf8Out.file(), true);
    EXPECT_TRUE(asUtf8.take("k<br>"));
    EXPECT_TRUE(asUtf8.take(gb("标题一") + "\r\n"));
    EXPECT_TRUE(asUtf8.flush());
    EXPECT_EQ(utf8Out.text(), "k<br>标题一\n");

    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    StdoutSink refused(full, false);
    const bool taken = refused.take("t1\r\n");
    EXPECT_FALSE(taken && refused.flush());  // buffered: the flush finds out
    std::fclose(full);
}

}  // namespace
}  // namespace lh::cli
