#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "textutil/program_text.h"

namespace lh {
namespace {

// "中" is D6 D0; "@" can be the second byte of a GBK character (e.g. 81 40).
const std::string kZhong = "\xD6\xD0";

TEST(ProgramText, FindNeverStartsOnSecondByte) {
    const std::string text = std::string("\x81\x40") + "x@";
    EXPECT_EQ(findText(text, "@"), 3u);
    EXPECT_EQ(findText(text, "X", 0, Case::Ignore), 2u);
    EXPECT_EQ(findText(text, "X"), kNotFound);
    EXPECT_EQ(findText(text, ""), 0u);
    EXPECT_EQ(findText("abc", "c", 3), kNotFound);
    EXPECT_EQ(findText("aXbxc", "x", 2, Case::Ignore), 3u);
    // A trail byte that is an ASCII letter is not folded against a different character.
    EXPECT_EQ(findText("\x81\x61", "\x81\x41", 0, Case::Ignore), kNotFound);
    EXPECT_EQ(findLastText("a/b/c", "/"), 3u);
    EXPECT_EQ(findLastText("abc", "/"), kNotFound);
}

TEST(ProgramText, ReplaceSplitTrimAndCase) {
    EXPECT_EQ(replaceAll("AbA", "a", "", Case::Ignore), "b");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(splitText("a|b||c", "|"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(splitText("", "|"), (std::vector<std::string>{""}));
    EXPECT_EQ(trimSpaces("\xA1\xA1 a b \xA1\xA1"), "a b");
    // A1 A1 that is not a whole character (second byte of B0 A1 + A1 ...) stays.
    EXPECT_EQ(trimSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
    EXPECT_EQ(toLowerAscii("AbC" + kZhong + "\x81\x41"), "abc" + kZhong + "\x81\x41");
    EXPECT_TRUE(equalsIgnoreCase("HeLLo", "hello"));
    EXPECT_FALSE(equalsIgnoreCase("hello", "hell"));
}

TEST(ProgramText, IntegerRuleAndFullWidth) {
    EXPECT_EQ(toInteger("42abc"), 42);
    EXPECT_EQ(toInteger("-7"), -7);
    EXPECT_EQ(toInteger("abc"), 0);
    EXPECT_EQ(toInteger(" 5"), 0);
    EXPECT_EQ(toInteger("99999999999999999999999"), LLONG_MAX);
    EXPECT_EQ(fullWidth("a= "), "\xA3\xE1\xA3\xBD\xA1\xA1");
}

TEST(ProgramText, ConvertsThroughIconvWithReplacement) {
    EXPECT_EQ(gbToUtf8(kZhong), "\xE4\xB8\xAD");
    EXPECT_EQ(utf8ToGb("\xE4\xB8\xAD"), kZhong);
    bool ok = true;
    EXPECT_EQ(utf8ToGb("a\xFFz", &ok), "a?z");
    EXPECT_FALSE(ok);
    // An emoji survives the round trip (GB18030 has four-byte forms).
    const std::string emoji = "\xF0\x9F\x98\x80";
    EXPECT_EQ(gbToUtf8(utf8ToGb(emoji)), emoji);
    EXPECT_EQ(gbToUtf16(kZhong), u"\u4E2D");
    EXPECT_EQ(utf16ToGb(u"\u4E2D!"), kZhong + "!");
    EXPECT_TRUE(isValidUtf8(emoji));
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));
    EXPECT_FALSE(isValidUtf8("\xE4\xB8"));
    EXPECT_EQ(nativePath(kZhong).string(), "\xE4\xB8\xAD");
    EXPECT_EQ(programTextOfPath(nativePath(kZhong)), kZhong);
}

// UTF-8 to GB18030 and back go by tables; iconv under the names in lower case (which
// take the plain road) is the reference: every character of the plane, then random
// mixes of characters, malformed bytes, byte-order marks and four-byte forms.
TEST(ProgramText, TableConversionAgreesWithIconv) {
    auto byIconv = [](std::string_view text, bool* ok) {
        return convertCharset(text, "utf-8", "gb18030", ok);
    };
    std::string plane;
    std::vector<std::string> pieces = {"a",    "\n",          "\xEF\xBB\xBF", "\xFF",
                                       "\xC3", "\xE4\xB8",   "\xF0\x9F\x98\x80", "\xED\xA0\x80",
                                       "\xC0\x80", "\xE0\x80\x80"};
    for (std::uint32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::string c;
        if (cp < 0x80) {
            c = std::string(1, static_cast<char>(cp));
        } else if (cp < 0x800) {
            c = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        } else {
            c = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (cp & 0x3F))};
        }
        plane += c;
        if (cp % 997 == 0) pieces.push_back(c);
    }
    bool okFast = false;
    bool okPlain = false;
    ASSERT_EQ(convertCharset(plane, "UTF-8", "GB18030", &okFast), byIconv(plane, &okPlain));
    EXPECT_EQ(okFast, okPlain);
    const std::string gbPlane = utf8ToGb(plane);
    ASSERT_EQ(gbToUtf8(gbPlane), convertCharset(gbPlane, "gb18030", "utf-8"));
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
        ASSERT_EQ(convertCharset(text, "UTF-8", "GB18030", &okFast), byIconv(text, &okPlain))
            << text;
        ASSERT_EQ(okFast, okPlain) << text;
        const std::string gbText = utf8ToGb(text) + pieces[rng() % pieces.size()];
        ASSERT_EQ(convertCharset(gbText, "GB18030", "UTF-8", &okFast),
                  convertCharset(gbText, "gb18030", "utf-8", &okPlain))
            << gbText;
        ASSERT_EQ(okFast, okPlain) << gbText;
    }
}

}  // namespace
}  // namespace lh
