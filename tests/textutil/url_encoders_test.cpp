#include <gtest/gtest.h>

#include "textutil/program_text.h"
#include "textutil/url_encoders.h"

namespace lh {
namespace {

TEST(UrlEncoders, ComponentKeepsSevenMarks) {
    EXPECT_EQ(percentEncodeComponent("a b'c~"), "a%20b%27c%7E");
    EXPECT_EQ(percentEncodeComponent("!()*-._"), "!()*-._");
    EXPECT_EQ(percentEncodeComponent(gb("中") + "\n"), "%E4%B8%AD%0A");
    EXPECT_EQ(percentEncodeComponent("a&b=c/d?"), "a%26b%3Dc%2Fd%3F");
    EXPECT_EQ(percentEncodeComponent(""), "");
}

TEST(UrlEncoders, KeywordKeepsThreeMarks) {
    EXPECT_EQ(percentEncodeKeyword("a.b_c-d"), "a.b_c-d");
    EXPECT_EQ(percentEncodeKeyword("a&b=c"), "a%26b%3Dc");
    EXPECT_EQ(percentEncodeKeyword("!()*"), "%21%28%29%2A");
    EXPECT_EQ(percentEncodeKeyword(gb("中 文") + "\n"), "%E4%B8%AD%20%E6%96%87%0A");
    EXPECT_EQ(percentEncodeKeyword(std::string("a\0b", 3)), "ab");
}

TEST(UrlEncoders, DecodeUtf8) {
    EXPECT_EQ(percentDecodeUtf8("%e4%b8%ad"), gb("中"));
    EXPECT_EQ(percentDecodeUtf8("http://x.cn/a?b=1+2"), "http://x.cn/a?b=1+2");
    EXPECT_EQ(percentDecodeUtf8("http%3A%2F%2Fx.cn%2F"), "http://x.cn/");
    // A "%" at the end adds nothing; with one digit after it, that digit times 16.
    EXPECT_EQ(percentDecodeUtf8("a%"), "a");
    EXPECT_EQ(percentDecodeUtf8("a%4"), "a@");
    // Non-hexadecimal characters leave the "%" and what follows as text.
    EXPECT_EQ(percentDecodeUtf8("100%zz%41"), "100%zzA");
    EXPECT_EQ(percentDecodeUtf8("%4G"), "%4G");
    // GBK bytes are no UTF-8: replacement characters.
    EXPECT_EQ(percentDecodeUtf8("%D6%D0"), "??");
}

TEST(UrlEncoders, DecodeBytes) {
    EXPECT_EQ(percentDecodeBytes("%41"), "A");
    EXPECT_EQ(percentDecodeBytes("%D6%D0x"), gb("中") + "x");
    EXPECT_EQ(percentDecodeBytes("%00%41"), "%00A");
    EXPECT_EQ(percentDecodeBytes("a%"), "a%");
    EXPECT_EQ(percentDecodeBytes("a%4"), "a%4");
    EXPECT_EQ(percentDecodeBytes("%%41"), "%A");
    // Letters beyond F, or other characters, make no byte: nothing of the text is lost.
    EXPECT_EQ(percentDecodeBytes("%ZZ%GG%1G%-1"), "%ZZ%GG%1G%-1");
    EXPECT_EQ(percentDecodeBytes("plain"), "plain");
}

TEST(UrlEncoders, Base64UrlWithOrWithoutPaddingAndNothingForBadText) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},           {"f", "Zg"},          {"fo", "Zm8"},          {"foo", "Zm9v"},
        {"foob", "Zm9vYg"}, {"fooba", "Zm9vYmE"}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, digits] : vectors) {
        EXPECT_EQ(base64UrlDecode(digits), bytes) << digits;
        const std::string padded = digits + std::string((4 - digits.size() % 4) % 4, '=');
        EXPECT_EQ(base64UrlDecode(padded), bytes) << padded;
    }
    EXPECT_EQ(base64UrlDecode("-_8"), "\xFB\xFF");
    for (const char* bad : {"Zg=", "Z", "Zm9vY", "Zm+v", "Zm/v", "Zg==Zg==", "Zm 9v", "Y==="}) {
        EXPECT_EQ(base64UrlDecode(bad), std::nullopt) << bad;
    }
}

TEST(UrlEncoders, Radix) {
    EXPECT_EQ(toRadix(255, 16), "FF");
    EXPECT_EQ(toRadix(10, 16), "A");
    EXPECT_EQ(toRadix(0, 16), "0");
    EXPECT_EQ(toRadix(35, 36), "Z");
    EXPECT_EQ(toRadix(5, 2), "101");
    EXPECT_EQ(toRadix(5, 1), "");
    EXPECT_EQ(fromRadix("ff", 16), 255u);
    EXPECT_EQ(fromRadix("Ff", 16), 255u);
    EXPECT_EQ(fromRadix("101", 2), 5u);
    EXPECT_EQ(fromRadix("z", 36), 35u);
    EXPECT_EQ(fromRadix("1-", 10), 10u);  // non-digits count as 0
    EXPECT_EQ(fromRadix("", 16), 0u);
}

}  // namespace
}  // namespace lh
