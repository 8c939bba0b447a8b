#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "support/sample_pages.h"
#include "support/slow_absolutise.h"
#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/next_page.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

const std::string kPage = "http://h/a/b/c.htm";

std::string rewrite(std::string page, const std::string& address = kPage) {
    return absolutiseLinks(address, page);
}

TEST(ParentPath, CutsAtTheLastSeparator) {
    EXPECT_EQ(parentPath("http://h/a/b.htm"), "http://h/a");
    EXPECT_EQ(parentPath("http://h"), "http:/");
    EXPECT_EQ(parentPath("nohost"), "");
    EXPECT_EQ(parentPath("C:\\x\\y.txt", "\\"), "C:\\x");
    // A "\" that is the second byte of a character is not a separator.
    EXPECT_EQ(parentPath("a\\\x95\\b", "\\"), "a");
}

TEST(AbsolutiseLinks, RelativeValuesInEveryQuoting) {
    EXPECT_EQ(rewrite(R"(<img src="img/x.png">)"), R"(<img src="http://h/a/b/img/x.png">)");
    EXPECT_EQ(rewrite(R"(<img src='img/x.png'>)"), R"(<img src='http://h/a/b/img/x.png'>)");
    EXPECT_EQ(rewrite(R"(<img src=img/x.png>)"), R"(<img src=http://h/a/b/img/x.png>)");
    EXPECT_EQ(rewrite(R"(<a href = "p.htm">)"), R"(<a href="http://h/a/b/p.htm">)");
    EXPECT_EQ(rewrite(R"(<a href="/p">)"), R"(<a href="http://h/p">)");
    EXPECT_EQ(rewrite(R"(<a href='/p'>)"), R"(<a href='http://h/p'>)");
    EXPECT_EQ(rewrite(R"(<a href="#top">)"), R"(<a href="http://h/a/b/c.htm#top">)");
    EXPECT_EQ(rewrite(R"(<a href=#top>)"), R"(<a href=http://h/a/b/c.htm#top>)");
}

TEST(AbsolutiseLinks, ParentAndCurrentDirectoryReferencesAnywhere) {
    EXPECT_EQ(rewrite("see ../x"), "see http://h/a/x");
    EXPECT_EQ(rewrite("../../x"), "http://h/x");
    EXPECT_EQ(rewrite("../../../x"), "/x");
    EXPECT_EQ(rewrite(R"(<a href="../../../x">)"), R"(<a href="http://h/x">)");
    EXPECT_EQ(rewrite("go ./x"), "go http://h/a/b/x");
    EXPECT_EQ(rewrite(R"(<a href="./x">)"), R"(<a href="http://h/a/b/x">)");
    // An address without "/" has no directory: references get "/" only.
    EXPECT_EQ(rewrite("../x ./y", "page"), "/x /y");
}

TEST(AbsolutiseLinks, WhatStaysAndWhatIsTakenForRelative) {
    EXPECT_EQ(rewrite(R"(<script src="//cdn/x.js">)"), R"(<script src="http://cdn/x.js">)");
    EXPECT_EQ(rewrite(R"(<script src='//cdn/x.js'>)"), R"(<script src='http://h//cdn/x.js'>)");
    EXPECT_EQ(rewrite(R"(<a href="https://s/y">)"), R"(<a href="https://s/y">)");
    EXPECT_EQ(rewrite(R"(<a href='http://s/y'><a href=http://s/z>)"),
              R"(<a href='http://s/y'><a href=http://s/z>)");
    EXPECT_EQ(rewrite(R"(document.write("<img src=\"x.png\">");)"),
              R"(document.write("<img src=\"x.png\">");)");
    EXPECT_EQ(rewrite(R"x(<a href="javascript:void(0)">)x"),
              R"x(<a href="http://h/a/b/javascript:void(0)">)x");
    EXPECT_EQ(rewrite(R"(<img src="data:x">)"), R"(<img src="http://h/a/b/data:x">)");
    EXPECT_EQ(rewrite(R"(<IMG SRC="x.png"><A HREF="/p">)"), R"(<IMG SRC="x.png"><A HREF="/p">)");
    // Full-width attribute words of a tag come out in ASCII; in page text they stay.
    const std::string wide = fullWidth("src=") + "\"http://w";
    EXPECT_EQ(rewrite("<a " + wide + ">"), "<a src=\"http://w>");
    EXPECT_EQ(rewrite(wide), wide);
}

TEST(AbsolutiseLinks, OnlyAttributeNamesOfTagsAreRewritten) {
    // Result links whose queries hold the words survive.
    const std::string link = R"(<a href="http://wenda.so.com/q/1477?src=1&href=2" src=/x>)";
    EXPECT_EQ(rewrite(link),
              R"(<a href="http://wenda.so.com/q/1477?src=1&href=2" src=http://h/x>)");
    EXPECT_EQ(rewrite("<a href=http://s/?src=1&href=#f>"), "<a href=http://s/?src=1&href=#f>");
    EXPECT_EQ(rewrite(R"(<a href="#top">)", "http://h/p?src=1&href=2"),
              R"(<a href="http://h/p?src=1&href=2#top">)");
    // Other attributes' values, names that only end in the word, scripts and text stay.
    EXPECT_EQ(rewrite(R"(<a title='see src="y"' data-href="z" href="p">)"),
              R"(<a title='see src="y"' data-href="z" href="http://h/a/b/p">)");
    const std::string script = R"(<script>var u="a?src=1"; if (a<b && c) d("href='x'");</script>)";
    EXPECT_EQ(rewrite(script), script);
    EXPECT_EQ(rewrite("text src=x and href=/y"), "text src=x and href=/y");
    // Any blank separates attributes; an unquoted value ends at one.
    EXPECT_EQ(rewrite("<a\r\nhref=\"p\"><img alt=x\tsrc=y.png>"),
              "<a\r\nhref=\"http://h/a/b/p\"><img alt=x\tsrc=http://h/a/b/y.png>");
}

TEST(AbsolutiseLinks, LazyImagesGetTheirRealAddress) {
    EXPECT_EQ(rewrite(R"(<img data-original="o.jpg">)"),
              R"(<img data-original="o.jpg" src="http://h/a/b/o.jpg">)");
    EXPECT_EQ(rewrite(R"(<img src="s.gif" file="f.jpg" zoomfile="/z.jpg" />)"),
              R"(<img src="http://h/z.jpg" file="f.jpg" zoomfile="/z.jpg" />)");
    // src inside data-src is not the image's src, and data-src is no src= to rewrite.
    EXPECT_EQ(rewrite(R"(<img data-src="d.jpg">)"),
              R"(<img data-src="d.jpg" src="http://h/a/b/d.jpg">)");
    EXPECT_EQ(rewrite(R"(<img alt="x" src="s.gif">)"), R"(<img alt="x" src="http://h/a/b/s.gif">)");
    EXPECT_EQ(
        rewrite(R"(<img file="" src="s.gif"><IMG FILE="U.JPG">)"),
        R"(<img file="" src="http://h/a/b/s.gif"><IMG FILE="U.JPG" src="http://h/a/b/U.JPG">)");
}

TEST(AbsolutiseLinks, BaseElementReplacesThePageDirectory) {
    const std::string page =
        R"(<base href="http://h/base/"><a href="x"><a href="/r"><a href="#f">)";
    EXPECT_EQ(rewrite(page),
              R"(<base href="http://h/base/"><a href="http://h/base/x"><a href="http://h/base/r">)"
              R"(<a href="http://h/a/b/c.htm#f">)");
    EXPECT_EQ(rewrite(R"(<base href=http://o/d><a href="x">)"),
              R"(<base href=http://o/d><a href="http://o/d/x">)");
}

TEST(AbsolutiseLinks, AmpersandsOnlyInTheResult) {
    std::string page = R"(<a href="q?a=1&amp;b=2">x &amp; y</a>)";
    EXPECT_EQ(absolutiseLinks(kPage, page), R"(<a href="http://h/a/b/q?a=1&b=2">x & y</a>)");
    EXPECT_EQ(page, R"(<a href="http://h/a/b/q?a=1&amp;b=2">x &amp; y</a>)");
    std::string empty;
    EXPECT_EQ(absolutiseLinks(kPage, empty), "");
}

}  // namespace
}  // namespace lh

namespace lh {
namespace {

using test::slowAbsolutise;

// Random pages of text and plainly written tags whose attribute words name attributes;
// damage cases (the words in values or text) are left to the examples above.
TEST(AbsolutiseLinks, AgreesWithPlainReplacementPassesOnRandomPages) {
    const std::vector<std::string> text = {"\"",  "'",   "/",        "#",    "http", "\\\"",
                                           "../", "./",  "\xD6\xD0", "\x81", "s",    "h",
                                           "=",   " = ", "&amp;",    ">",    "x",    " "};
    const std::vector<std::string> values = {"/", "#",     "http",     "//", "../", "./",
                                             "x", "&amp;", "\xD6\xD0", "s",  "h",   "\\"};
    const std::vector<std::string> names = {"src", "href", "x", "data-src", fullWidth("src=")};
    const std::vector<std::string> addresses = {"http://h/a/b/c.htm", "https://h/x?q=1#f", "p",
                                                "http://h/" + gb("中") + "/d.htm"};
    std::mt19937 rng(777);
    const auto pick = [&rng](const std::vector<std::string>& from) {
        return from[rng() % from.size()];
    };
    int compared = 0;
    int rewritten = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            if (rng() % 2 == 0) {
                page += pick(text);
                continue;
            }
            page += "<a";
            for (int a = static_cast<int>(rng() % 4); a > 0; --a) {
                const std::string name = pick(names);
                page += " " + name;
                const auto form = rng() % 5;
                if (form == 4) continue;  // a name alone
                if (name != names.back()) page += form == 3 ? " = " : "=";
                std::string value;
                for (int v = static_cast<int>(rng() % 3); v > 0; --v) value += pick(values);
                if (form == 0) value = "\"" + value + "\"";
                if (form == 1) value = "'" + value + "'";
                page += value;
            }
            page += ">";
        }
        const std::string& address = addresses[rng() % addresses.size()];
        if (!test::attributeWordsOnly(address, page)) continue;
        ++compared;
        std::string work = page;
        const std::string fast = absolutiseLinks(address, work);
        if (fast != replaceAll(page, "&amp;", "&")) ++rewritten;
        ASSERT_EQ(fast, slowAbsolutise(address, page)) << "address " << address << " page " << page;
        // The thread's kept buffers, after pages of every other size, also read back.
        ASSERT_EQ(absolutisedPage(address, page), fast) << page;
        const std::string twice = absolutisedPage(address, fast);
        ASSERT_EQ(absolutisedPage(address, absolutisedPage(address, page)), twice) << page;
    }
    EXPECT_GT(compared, 1000);
    EXPECT_GT(rewritten, 500);

    // A page of 2 MB, then a small one, then the large one again.
    const std::string piece = "<a href=\"../x/y.htm?a=1&amp;b=2\">" + gb("中文") +
                              "<script src='/s.js'> <a href=#f>t ./ ";
    std::string large;
    while (large.size() < (std::size_t{2} << 20)) large += piece;
    ASSERT_TRUE(test::attributeWordsOnly(addresses[0], large));
    const std::string expected = slowAbsolutise(addresses[0], large);
    for (const std::string& page : {large, piece, large}) {
        std::string work = page;
        ASSERT_EQ(absolutiseLinks(addresses[0], work),
                  page.size() == large.size() ? expected : slowAbsolutise(addresses[0], page));
    }
}

// A page the page fetch made absolute (against the address a redirect ended at) is read
// for its next page without a second pass; a second pass would find the same link.
TEST(AbsolutiseLinks, NextPageOfAnAbsolutePageNeedsNoSecondPass) {
    LH_REQUIRE_SAMPLE_PAGES();
    const std::string address = "https://www.bing.com/search?q=a&first=11";
    const std::string redirectedTo = "https://www.bing.com/search?q=a&first=11&FORM=PERE";
    for (const std::string name :
         {"bing-1.html", "bing-6.html", "bing-8.html", "modern/bing-2026-2.html"}) {
        std::ifstream in(test::samplePagesFolder() + "/" + name, std::ios::binary);
        const std::string page = utf8ToGb(
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        ASSERT_FALSE(page.empty()) << name;
        const std::string once(absolutisedPage(redirectedTo, page));
        const std::string next = findNextPageUrl(address, once);
        EXPECT_EQ(next, findNextPageUrl(address, std::string(absolutisedPage(address, once))))
            << name;
        const bool pagerOnPage = name == "bing-1.html" || name == "bing-6.html";
        EXPECT_EQ(next.starts_with("https://www.bing.com/search?"), pagerOnPage)
            << name << ": " << next;
    }
}

}  // namespace
}  // namespace lh
