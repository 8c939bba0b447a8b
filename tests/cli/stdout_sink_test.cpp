#include "cli/stdout_sink.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

TEST(StdoutSink, TheLocaleSaysWhetherATerminalReadsUtf8) {
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    const auto with = [](const char* all, const char* ctype, const char* lang) {
        for (const auto& [name, value] :
             {std::pair{"LC_ALL", all}, std::pair{"LC_CTYPE", ctype}, std::pair{"LANG", lang}}) {
            if (value)
                setenv(name, value, 1);
            else
                unsetenv(name);
        }
        return localeIsUtf8();
    };
    EXPECT_TRUE(with(nullptr, nullptr, "zh_CN.UTF-8"));
    EXPECT_TRUE(with(nullptr, "en_US.utf8", "zh_CN.GB18030"));
    EXPECT_FALSE(with("C", "en_US.UTF-8", nullptr));  // LC_ALL wins
    EXPECT_FALSE(with(nullptr, nullptr, "zh_CN.GB18030"));
    EXPECT_FALSE(with(nullptr, nullptr, nullptr));
    EXPECT_TRUE(with("", "", "C.UTF-8"));  // empty ones do not count
    for (const auto& [name, value] : saved) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
}

}  // namespace
}  // namespace lh::cli
