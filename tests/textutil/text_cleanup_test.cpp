#include <gtest/gtest.h>

#include "textutil/program_text.h"
#include "textutil/text_cleanup.h"

namespace lh {
namespace {

TEST(TextCleanup, StripTagsKeepsTextAndBreaksParagraphs) {
    EXPECT_EQ(stripTags(gb("标题 <b>重点</b> 结尾")), gb("标题 重点 结尾"));
    EXPECT_EQ(stripTags("<p>one</p><P class=x>two</P>"), "\r\none\r\n\r\ntwo\r\n");
    EXPECT_EQ(stripTags("a<br>b<BR />c</br>d"), "a\r\nb\r\nc\r\nd");
    // A tag spread over lines is still one tag.
    EXPECT_EQ(stripTags("x<a\r\nhref=\"y\">z</a>"), "xz");
    // "Width>100" is not the start of a tag that would swallow text up to the next ">".
    EXPECT_EQ(stripTags("size Width>100 and <i>Height<5</i>"),
              "size Width" + gb("＞") + "100 and Height" + gb("＜") + "5");
    EXPECT_EQ(stripTags("a &lt;b&gt; &amp; c"), "a <b> & c");
    EXPECT_EQ(stripTags(""), "");
}

TEST(TextCleanup, NamedReferencesIgnoreCaseInTableOrder) {
    EXPECT_EQ(decodeEntities("&AMP;&amp;"), "&&");
    // &prime; comes first and matches regardless of case.
    EXPECT_EQ(decodeEntities("&Prime;&prime;"), "\xA1\xE4\xA1\xE4");
    EXPECT_EQ(decodeEntities("&ndash;&mdash;&ldquo;x&rdquo;&nbsp;&quot;"),
              "\xA8\x43\xA1\xAA\xA1\xB0x\xA1\xB1 \"");
    EXPECT_EQ(decodeEntities("&oplus;&perp;&there4;&ge;&le;&hellip;"),
              "\xA8\x92\xA1\xCD\xA1\xE0\xA1\xDD\xA1\xDC\xA1\xAD");
    // "&amp;" goes first, so a reference written out as text decodes too.
    EXPECT_EQ(decodeEntities("&amp;lt;"), "<");
    EXPECT_EQ(decodeEntities("&amp;amp;"), "&amp;");
    EXPECT_EQ(decodeEntities("&unknown; &lt &"), "&unknown; &lt &");
    EXPECT_EQ(decodeEntities(gb("中文&gt;")), gb("中文>"));
}

TEST(TextCleanup, NumericReferences) {
    const std::string ni = gb("你");
    EXPECT_EQ(decodeEntities("&#20320;"), ni);
    EXPECT_EQ(decodeEntities("&#x4F60;&#X4f60;"), ni + ni);
    EXPECT_EQ(decodeEntities("a&#;b"), "ab");
    EXPECT_EQ(decodeEntities("&#65;&#66"), "A&#66");
    // An "&#" without a later ";" ends the decoding; the rest stays as written.
    EXPECT_EQ(decodeEntities("&#65;&#x"), "A&#x");
    EXPECT_EQ(decodeEntities("&#65;&#x42 and more"), "A&#x42 and more");
    // A lone surrogate has no form in the code page.
    EXPECT_EQ(decodeEntities("&#55357;"), "?");
    // A code point above the 16-bit range is converted whole, not cut to 16 bits.
    EXPECT_EQ(decodeEntities("&#128512;"), gb("😀"));
    // The search goes on where a reference was replaced.
    EXPECT_EQ(decodeEntities("&#38;#65;x"), "Ax");
    EXPECT_EQ(decodeEntities("&#38;x&#38;"), "&x&");
    EXPECT_EQ(decodeEntities("&#38;#"), "&#");
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "&#20320;";
    std::string expected;
    for (int i = 0; i < 20000; ++i) expected += ni;
    EXPECT_EQ(decodeEntities(many), expected);
}

TEST(TextCleanup, RemoveWhitespace) {
    EXPECT_EQ(removeWhitespace(gb("下\r\n一\t页 　>")), gb("下一页>"));
    EXPECT_EQ(removeWhitespace(""), "");
}

TEST(TextCleanup, TrimLines) {
    const std::string fw = gb("　");
    EXPECT_EQ(trimLines(fw + "first\r\n    \r\nsecond"), "first\r\nsecond");
    EXPECT_EQ(trimLines(" a \r\n\r\n\r\n\tb\t\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(trimLines(gb("　中　文　")), gb("中　文"));
}

}  // namespace
}  // namespace lh
