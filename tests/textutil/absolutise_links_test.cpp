#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/slow_absolutise.h"
#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_tag_scanner.h"
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
    // Full-width attribute words the page itself carries come out in ASCII.
    const std::string wide = fullWidth("src=") + "\"http://w";
    EXPECT_EQ(rewrite(wide), "src=\"http://w");
}

TEST(AbsolutiseLinks, LazyImagesGetTheirRealAddress) {
    EXPECT_EQ(rewrite(R"(<img data-original="o.jpg">)"),
              R"(<img data-original="o.jpg" src="http://h/a/b/o.jpg">)");
    EXPECT_EQ(rewrite(R"(<img src="s.gif" file="f.jpg" zoomfile="/z.jpg" />)"),
              R"(<img src="http://h/z.jpg" file="f.jpg" zoomfile="/z.jpg" />)");
    // src inside data-src is not the image's src.
    EXPECT_EQ(rewrite(R"(<img data-src="d.jpg">)"),
              R"(<img data-src="http://h/a/b/d.jpg" src="http://h/a/b/d.jpg">)");
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

TEST(AbsolutiseLinks, AgreesWithPlainReplacementPassesOnRandomPages) {
    const std::vector<std::string> pieces = {"src=",
                                             "href=",
                                             "\"",
                                             "'",
                                             "/",
                                             "#",
                                             "http",
                                             "\\\"",
                                             fullWidth("src="),
                                             fullWidth("href="),
                                             "../",
                                             "./",
                                             "\xD6\xD0",
                                             "\x81",
                                             "s",
                                             "h",
                                             "=",
                                             " = ",
                                             "&amp;",
                                             "<a ",
                                             ">",
                                             "x"};
    const std::vector<std::string> addresses = {"http://h/a/b/c.htm", "https://h/x?href=1#src=2",
                                                "p", "http://h/" + gb("中") + "/d.htm"};
    std::mt19937 rng(777);
    for (int round = 0; round < 3000; ++round) {
        std::string page;
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) page += pieces[rng() % pieces.size()];
        const std::string& address = addresses[rng() % addresses.size()];
        std::string work = page;
        ASSERT_EQ(absolutiseLinks(address, work), slowAbsolutise(address, page))
            << "address " << address << " page " << page;
    }
}

}  // namespace
}  // namespace lh
