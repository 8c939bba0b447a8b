#include <gtest/gtest.h>

#include "support/local_server.h"
#include "textutil/program_text.h"
#include "web/body_decoding.h"

namespace lh {
namespace {

// "中文" in the encodings a page may arrive in.
const std::string kUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kBig5 = "\xA4\xA4\xA4\xE5";
const std::string kUtf16Le = std::string("\x2D\x4E\x87\x65", 4);
const std::string kUtf16Be = std::string("\x4E\x2D\x65\x87", 4);

std::string chinese() { return gb("中文"); }

TEST(DecodeBody, ByteOrderMarksChooseTheEncodingAndAreDropped) {
    CharsetCode used = CharsetCode::Detect;
    EXPECT_EQ(decodeBody("\xEF\xBB\xBF" + kUtf8, CharsetCode::Detect, &used), chinese());
    EXPECT_EQ(used, CharsetCode::Utf8);
    EXPECT_EQ(decodeBody("\xFF\xFE" + kUtf16Le, CharsetCode::Detect, &used), chinese());
    EXPECT_EQ(used, CharsetCode::Utf16Le);
    EXPECT_EQ(decodeBody("\xFE\xFF" + kUtf16Be, CharsetCode::Detect, &used), chinese());
    EXPECT_EQ(used, CharsetCode::Utf16Be);
    // A named UTF-16 charset always skips two bytes, mark or not.
    EXPECT_EQ(decodeBody("AB" + kUtf16Le, CharsetCode::Utf16Le), chinese());
    // A named UTF-8 charset drops a mark but keeps a body without one whole.
    EXPECT_EQ(decodeBody("\xEF\xBB\xBF" + kUtf8, CharsetCode::Utf8), chinese());
    EXPECT_EQ(decodeBody(kUtf8, CharsetCode::Utf8), chinese());
}

TEST(DecodeBody, EmptyAsciiAndGbkBodiesStayNative) {
    CharsetCode used = CharsetCode::Detect;
    EXPECT_EQ(decodeBody(std::string(), CharsetCode::Detect, &used), "");
    EXPECT_EQ(used, CharsetCode::Native);
    EXPECT_EQ(decodeBody(std::string("<html>plain</html>"), CharsetCode::Detect, &used),
              "<html>plain</html>");
    EXPECT_EQ(used, CharsetCode::Native);
    const std::string gbk = "<html>" + gb("百度一下，你就知道") + "</html>";
    EXPECT_EQ(decodeBody(gbk, CharsetCode::Detect, &used), gbk);
    EXPECT_EQ(used, CharsetCode::Native);
    EXPECT_EQ(decodeBody(kUtf8, CharsetCode::Native), kUtf8);
    EXPECT_EQ(decodeBody(kUtf8, static_cast<CharsetCode>(42)), kUtf8);
}

TEST(DecodeBody, MetaCharsetInTheHeadRegionOnly) {
    // Quoted with apostrophes, after another meta tag.
    const std::string page =
        "<html><HEAD><meta name=x><meta http-equiv=Content-Type content='text/html; "
        "charset='utf-8''></HEAD><body>" +
        kUtf8 + "</body></html>";
    EXPECT_EQ(metaCharset(page), 1);
    // Outside an existing head region the tag is not seen.
    const std::string outside =
        "<html><head><title>t</title></head><meta charset=\"utf-8\"><body>x</body>";
    EXPECT_EQ(metaCharset(outside), 0);
    // Without a head region the whole text is scanned.
    EXPECT_EQ(metaCharset("<meta charset=\"UTF-8\">"), 1);
    // Unquoted big5-hkscs starts with charset=big5: the Big5 list wins.
    EXPECT_EQ(metaCharset("<head><meta content=\"text/html; charset=big5-hkscs\"></head>"), 2);
    EXPECT_EQ(metaCharset("<head><meta charset=\"big5-hkscs\"></head>"), 3);
    EXPECT_EQ(metaCharset("<head><meta charset='Big5-HKSCS'></head>"), 3);
    EXPECT_EQ(metaCharset("<head><meta charset=\"big5\"></head>"), 2);
    EXPECT_EQ(metaCharset("<head><meta charset=gbk></head>"), 0);

    const std::string big5Page = "<head><meta charset=\"big5\"></head>" + kBig5;
    EXPECT_EQ(decodeBody(big5Page, CharsetCode::Detect),
              "<head><meta charset=\"big5\"></head>" + chinese());
    const std::string hkscsPage = "<head><meta charset=big5-hkscs></head>" + kBig5;
    CharsetCode used = CharsetCode::Detect;
    EXPECT_EQ(decodeBody(hkscsPage, CharsetCode::Detect, &used),
              "<head><meta charset=big5-hkscs></head>" + chinese());
    EXPECT_EQ(used, CharsetCode::Big5);
}

TEST(DecodeBody, Utf8ScanAcceptsFourByteSequencesAndRejectsBrokenOnes) {
    const std::string emoji = "\xF0\x9F\x98\x80";
    EXPECT_TRUE(looksLikeUtf8(kUtf8));
    EXPECT_TRUE(looksLikeUtf8("a" + emoji + kUtf8));
    EXPECT_FALSE(looksLikeUtf8("plain ascii"));
    EXPECT_FALSE(looksLikeUtf8(""));
    EXPECT_FALSE(looksLikeUtf8(gb("百度")));
    EXPECT_FALSE(looksLikeUtf8("\xF0\x9F\x98"));      // cut short
    EXPECT_FALSE(looksLikeUtf8("\xF5\x80\x80\x80"));  // no such lead byte
    EXPECT_FALSE(looksLikeUtf8("\xF0\x9F\x41\x80"));  // broken continuation
    EXPECT_FALSE(looksLikeUtf8("\xE4\xB8"));          // three-byte lead cut short

    CharsetCode used = CharsetCode::Detect;
    const std::string decoded =
        decodeBody("<p>" + kUtf8 + emoji + "</p>", CharsetCode::Detect, &used);
    EXPECT_EQ(used, CharsetCode::Utf8);
    EXPECT_EQ(decoded, "<p>" + chinese() + convertCharset(emoji, "UTF-8", "GB18030") + "</p>");
    EXPECT_EQ(gbToUtf8(decoded), "<p>" + kUtf8 + emoji + "</p>");
}

TEST(DecodeBody, GzipIsUnpackedWholeOrUpToTheDamage) {
    std::string page = "<html><head><meta charset=\"utf-8\"></head><body>";
    for (int i = 0; i < 2000; ++i) page += kUtf8 + std::to_string(i);
    page += "</body></html>";
    const std::string packed = test::gzipText(page);
    EXPECT_EQ(gunzipBody(packed), page);
    EXPECT_EQ(decodeBody(packed, CharsetCode::Detect), utf8ToGb(page));
    EXPECT_EQ(fromBytes(gunzipBody(toBytes(packed))), page);

    // Cut short: a leading part of the page comes back.
    const std::string truncated = gunzipBody(std::string_view(packed).substr(0, packed.size() / 2));
    EXPECT_FALSE(truncated.empty());
    EXPECT_LT(truncated.size(), page.size());
    EXPECT_EQ(page.compare(0, truncated.size(), truncated), 0);

    // Damaged in the middle: what inflated before the damage, and no more than the page.
    std::string damaged = packed;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) damaged[i] = '\xFF';
    const std::string partial = gunzipBody(damaged);
    ASSERT_GE(partial.size(), 1000u);
    EXPECT_EQ(page.compare(0, std::min<std::size_t>(1000, partial.size()), partial.substr(0, 1000)),
              0);

    EXPECT_EQ(gunzipBody(std::string("\x1F\x8B")), "");
    EXPECT_EQ(decodeBody(std::string("\x1F\x8B"), CharsetCode::Detect), "");
}

TEST(DecodeBody, GzipUnpacksNoFurtherThanTheLimit) {
    const std::string bomb = test::gzipBomb(std::size_t{20} << 20);
    bool tooLarge = false;
    const std::string cut = gunzipBody(bomb, 100000, &tooLarge);
    EXPECT_TRUE(tooLarge);
    EXPECT_GT(cut.size(), 80000u);
    EXPECT_LE(cut.capacity(), 100000u);  // not even reserved past the limit
    EXPECT_EQ(gunzipBody(bomb, std::size_t{20} << 20, &tooLarge).size(), std::size_t{20} << 20);
    EXPECT_FALSE(tooLarge);

    // Decoding refuses the bomb at the default limit instead of unpacking 20 MB.
    const DecodedBody decoded = decodeBodyWithin(bomb, CharsetCode::Detect, kDefaultBodyLimit);
    EXPECT_TRUE(decoded.tooLarge);
    EXPECT_EQ(decoded.text, "");
    EXPECT_EQ(decodeBody(bomb, CharsetCode::Detect), "");
    EXPECT_FALSE(decodeBodyWithin(test::gzipText("<p>"), CharsetCode::Detect, 3).tooLarge);
}

TEST(DecodeBody, FixQuotesAndHeaderCharset) {
    EXPECT_EQ(fixQuotes("charset=''utf-8'' and 'single'"), "charset=\"utf-8\" and 'single'");
    EXPECT_TRUE(
        headersDeclareUtf8("HTTP/1.1 200 OK\r\nContent-Type: text/html; Charset=UTF-8\r\n"));
    EXPECT_TRUE(headersDeclareUtf8("Content-Type: text/html; charset=\"Utf-8\""));
    EXPECT_TRUE(headersDeclareUtf8("Content-Type: text/html; charset='utf-8'"));
    EXPECT_FALSE(headersDeclareUtf8("Content-Type: text/html; charset=gbk"));
    EXPECT_FALSE(headersDeclareUtf8("Content-Type: text/html; charset= utf-8"));
}

}  // namespace
}  // namespace lh
