#include "collect/result_extraction.h"

#include <gtest/gtest.h>

#include "collect/engine_catalogue.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

ResultRecord parse(SearchEngine engine, const std::string& block) {
    HtmlTagScanner scanner;
    return parseResult(engine, block, scanner);
}

TEST(ResultBlocks, ContainersAndClassRulesPerEngine) {
    HtmlTagScanner scanner;
    const std::string loose = R"(<div class="result c-container"><h3><a href="x">t</a></h3></div>)";
    EXPECT_EQ(extractResultBlocks(SearchEngine::Baidu, loose, scanner), 0);  // no content_left
    const std::string baidu =
        R"(<div id="content_left"><div class="result c-container xpath-log" id = "1">)"
        R"(<h3 class="t"><a href = "http://a.com/?x=1&amp;y=2">A</a></h3></div>)"
        R"(<div class="c-containerx">B</div></div><div class="c-container">out</div>)";
    ASSERT_EQ(extractResultBlocks(SearchEngine::Baidu, baidu, scanner), 2);
    EXPECT_EQ(resultBlock(scanner, 1).substr(0, 49),
              R"(<div class="result c-container xpath-log" id="1">)");
    EXPECT_EQ(resultBlock(scanner, 3), "");
    EXPECT_EQ(parseResult(SearchEngine::Baidu, resultBlock(scanner, 1), scanner).address,
              "http://a.com/?x=1&y=2");
    // A later page with nothing resets the blocks.
    EXPECT_EQ(extractResultBlocks(SearchEngine::Baidu, "", scanner), 0);
    EXPECT_EQ(resultBlock(scanner, 1), "");

    const std::string sogou =
        R"(<div class="vrwrap new">n</div><div class="vrwrap">v</div><div class="rb ">r</div>)"
        R"(<div class=rb>u</div>)";
    EXPECT_EQ(extractResultBlocks(SearchEngine::Sogou, sogou, scanner), 3);
    EXPECT_EQ(resultBlock(scanner, 1), R"(<div class="vrwrap">v</div>)");
    EXPECT_EQ(extractResultBlocks(SearchEngine::SogouNews, sogou, scanner), 3);

    EXPECT_EQ(
        extractResultBlocks(SearchEngine::Search360,
                            R"(<li class="res-list">a</li><li class="res-list x">b</li>)", scanner),
        1);
    EXPECT_EQ(extractResultBlocks(SearchEngine::Search360Mobile,
                                  R"(<div class="res-list x">a</div><div class="g-card">b</div>)",
                                  scanner),
              1);
    EXPECT_EQ(extractResultBlocks(
                  SearchEngine::Bing,
                  R"(<li class="b_algo">1</li><li class="sa_wr">2</li><li class="b_ans">3</li>)"
                  R"(<li class="b_pag">4</li>)",
                  scanner),
              3);
    EXPECT_EQ(extractResultBlocks(SearchEngine::Google,
                                  R"(<div class="g">1</div><div class="g x">2</div>)", scanner),
              1);
    EXPECT_EQ(
        extractResultBlocks(
            SearchEngine::BaiduNews,
            R"(<div id="content_left"><div class="result title">1</div><div class="c-row">2</div></div>)",
            scanner),
        1);
    EXPECT_EQ(extractResultBlocks(SearchEngine::BaiduMobile,
                                  R"(<div class="c-result-content">out</div><div id="results">)"
                                  R"(<div class="c-result-content x">1</div></div>)",
                                  scanner),
              1);
    EXPECT_EQ(extractResultBlocks(SearchEngine::ShenmaMobile,
                                  R"(<div class="sc c-container">1</div>)", scanner),
              1);
    EXPECT_EQ(extractResultBlocks(SearchEngine::None, sogou, scanner), 0);
}

TEST(ParseResult, LinkTitleAndAddressRules) {
    // Bing needs the h2; without it, link, address and title are empty.
    const ResultRecord noHeading = parse(
        SearchEngine::Bing, R"(<li class="b_algo"><h3><a href="http://a.com/">T</a></h3></li>)");
    EXPECT_EQ(noHeading.address, "");
    EXPECT_EQ(noHeading.title, "");
    const ResultRecord bing = parse(
        SearchEngine::Bing,
        R"(<li class="b_algo"><h2><a href="a.php?x=1&amp;y=2" h="ID">Tom &amp; <strong>Jerry</strong></a></h2>)"
        R"(<div class="b_caption"><div class="b_attribution"><cite>a.com</cite></div><p>Snippet text</p></div></li>)");
    EXPECT_EQ(bing.address, "a.php?x=1&y=2");
    EXPECT_EQ(bing.title, "Tom & Jerry");
    // The closing </p> leaves no line break at the end of the value.
    EXPECT_EQ(bing.description, "Snippet text");
    EXPECT_EQ(bing.keyword, "");

    // A title of two lines with surrounding blanks becomes two trimmed lines.
    const ResultRecord twoLines =
        parse(SearchEngine::Sogou,
              "<div class=\"rb\"><h3><a href=\"/l\">  first  <br>  second </a></h3></div>");
    EXPECT_EQ(twoLines.title, "first\r\nsecond");

    // Google: the first anchor of the block; the title is the h3 inside it.
    const ResultRecord google = parse(
        SearchEngine::Google,
        R"(<div class="g"><a href="https://a.com/" ping="/url"><h3 class="LC20lb">Title <em>A</em></h3>)"
        R"(<cite>a.com</cite></a><span class="st"><span class="f">Jan 1, 2019 - </span>Body</span></div>)");
    EXPECT_EQ(google.address, "https://a.com/");
    EXPECT_EQ(google.title, "Title A");
    EXPECT_EQ(google.description, "Body");

    // Baidu mobile: the h3 of the block when the link holds none.
    const ResultRecord mobile = parse(
        SearchEngine::BaiduMobile,
        R"(<div class="c-result-content"><h3 class="c-title">)" + gb("移动标题") +
            R"(</h3><a href="https://m.baidu.com/from=1/s?x">go</a><div class="c-span8 c-line">)" +
            gb("摘要") + R"(</div></div>)");
    EXPECT_EQ(mobile.address, "https://m.baidu.com/from=1/s?x");
    EXPECT_EQ(mobile.title, gb("移动标题"));
    EXPECT_EQ(mobile.description, gb("摘要"));

    const ResultRecord shenma = parse(
        SearchEngine::ShenmaMobile,
        R"(<div class="c-container"><a href="https://sm.cn/x"><span class="c-title">S <em>T</em></span></a>)"
        R"(<span class="js-c-paragraph-text">P</span></div>)");
    EXPECT_EQ(shenma.title, "S T");
    EXPECT_EQ(shenma.description, "P");

    const ResultRecord so360m = parse(
        SearchEngine::Search360Mobile,
        R"(<div class="res-list"><a href="https://m.so.com/jump?u=1"><h3 class="res-title">M</h3></a>)"
        R"(<p class="summary">Sum<script>var a=1;</script><span class="g-btn-txt">more</span></p></div>)");
    EXPECT_EQ(so360m.title, "M");
    EXPECT_EQ(so360m.description, "Sum");
    // Paragraphs inside stay on lines of their own.
    EXPECT_EQ(parse(SearchEngine::Google,
                    R"(<div class="g"><span class="st"><p> one </p><p>two</p><br></span></div>)")
                  .description,
              "one\r\ntwo");
}

TEST(ParseResult, DescriptionRulesInTheirOrder) {
    // Sogou: the third rule (p id=wx_article_552_p) is used although a later rule also
    // matches; the anchor, script and feedback bar inside it are dropped.
    const ResultRecord sogou = parse(
        SearchEngine::Sogou,
        R"(<div class="vrwrap"><h3><a href="/l">T</a></h3><div class="base-clamp">later</div>)"
        R"(<p id="wx_article_552_p">third <a href="/x">link</a>rule<script>x()</script></p></div>)");
    EXPECT_EQ(sogou.description, "third rule");
    EXPECT_EQ(parse(SearchEngine::Sogou,
                    R"(<div class="vrwrap"><h3><a href="/l">T</a></h3><p>none</p></div>)")
                  .description,
              "");
    EXPECT_EQ(
        parse(
            SearchEngine::SogouNews,
            R"(<div class="rb"><div class="str_info_div">tenth</div><p class="news-txt">first</p></div>)")
            .description,
        "first");

    // 360: res-rich wins over so-ask-best, with the grey info lines dropped.
    const ResultRecord rich = parse(
        SearchEngine::Search360,
        R"(<li class="res-list"><h3><a href="http://a.com/">T</a></h3><span class="so-ask-best">ask</span>)"
        R"(<div class="res-rich x">rich<p class="res-linkinfo">a.com</p><span class="gray">2019</span></div></li>)");
    EXPECT_EQ(rich.description, "rich");
    const ResultRecord ask = parse(
        SearchEngine::Search360,
        R"(<li class="res-list"><span class="so-ask-best">ask</span><p class="res-desc">desc</p></li>)");
    EXPECT_EQ(ask.description, "ask");
    const ResultRecord desc = parse(
        SearchEngine::Search360,
        R"(<li class="res-list"><p class="res-desc">desc<span class="gray2">x</span></p></li>)");
    EXPECT_EQ(desc.description, "desc");

    // Baidu: the abstract inside the last column, without the grey label spans.
    const ResultRecord baidu = parse(
        SearchEngine::Baidu,
        R"(<div class="result c-container"><h3><a href="http://b/">T</a></h3><div class="c-row">)"
        R"(<div class="c-span6">img</div><div class="c-span18 c-span-last"><div class="c-abstract">)"
        R"(<span class=" newTimeFactor_before_abs m">2018-1-1 - </span>Abstract</div><div class="g">b.com</div>)");
    EXPECT_EQ(baidu.description, "Abstract");
    const ResultRecord baiduPlain =
        parse(SearchEngine::Baidu,
              R"(<div class="result c-container"><div class="c-abstract">Line one
line two</div></div>)");
    EXPECT_EQ(baiduPlain.description, "Line oneline two");  // line breaks removed, not kept

    const ResultRecord news = parse(
        SearchEngine::BaiduNews,
        R"(<div class="result"><h3><a href="http://n/">N</a></h3><div class="c-summary c-row">)"
        R"(<p class="c-author">Xinhua 2h</p>Story</div></div>)");
    EXPECT_EQ(news.description, "Story");
}

// The run's reading: the engine's rules, then its fallbacks for today's markup.
std::vector<ResultRecord> readToday(SearchEngine engine, const std::string& page) {
    const EngineProfile& e = engineProfile(engine);
    return readResultRecords(*e.extraction, e.extractionFallbacks, page);
}

TEST(ExtractionFallbacks, TokenBlocksJoinTheRulesBlocksOnlyWhereTheyOutnumberThem) {
    const EngineProfile& so = engineProfile(SearchEngine::Search360);
    const std::string list = R"(<li class="res-list">A</li><li class="res-list news">B</li>)"
                             R"(<li class="x res-list">C</li><li class="res-lists">D</li>)";
    EXPECT_EQ(resultBlocks(*so.extraction, so.extractionFallbacks, list),
              (std::vector<std::string>{R"(<li class="res-list">A</li>)",
                                        R"(<li class="res-list news">B</li>)",
                                        R"(<li class="x res-list">C</li>)"}));
    // As many by token as by the rule: the rule's blocks alone.
    const std::string even = R"(<li class="res-list">A</li><li class="res-list">B</li>)"
                             R"(<li class="res-list b">C</li>)";
    EXPECT_EQ(resultBlocks(*so.extraction, so.extractionFallbacks, even).size(), 3u);
    EXPECT_EQ(resultBlocks(*so.extraction, {}, list).size(), 1u);

    // Google: a rule's block nested in a token block stays and its wrapper goes; the
    // image box is no result; basic-HTML blocks count only with a /url?q= link.
    const EngineProfile& g = engineProfile(SearchEngine::Google);
    const std::string google =
        R"(<div class="g a"><div class="g">inner</div></div><div class="liYKde g">img</div>)"
        R"(<div class="tF2Cxc g"><div class="g x">nested</div>two</div>)"
        R"(<div class="ZINbbc"><a href="/url?q=http://z/">z</a></div><div class="ZINbbc">ad</div>)";
    const std::vector<std::string> blocks =
        resultBlocks(*g.extraction, g.extractionFallbacks, google);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0], R"(<div class="g">inner</div>)");
    EXPECT_EQ(blocks[1].substr(0, 22), R"(<div class="tF2Cxc g">)");
    EXPECT_EQ(blocks[2].substr(0, 20), R"(<div class="ZINbbc">)");
    // A Baidu page keeps its content column as the place to look.
    EXPECT_EQ(readToday(SearchEngine::Baidu, R"(<div class="result">x</div>)").size(), 0u);
}

TEST(ExtractionFallbacks, TitlesLinksAndDescriptionsWhereTheRulesFindNone) {
    // h3 > a on Google, a > h3 on Sogou; the longest text outside heading, links and
    // scripts is the snippet where no container names it.
    const auto google = readToday(
        SearchEngine::Google,
        R"(<div class="g"><h3 class="r"><a href="/url?q=http://x.com/&amp;sa=U">T <b>x</b></a></h3>)"
        R"(<div><a href="/more">a much longer link text than the snippet</a></div>)"
        R"(<script>var veryLongScriptText = 1;</script><div class="s">the <em>snippet</em></div>)"
        R"(<div>short</div></div>)");
    ASSERT_EQ(google.size(), 1u);
    EXPECT_EQ(google[0].title, "T x");
    EXPECT_EQ(google[0].address, "/url?q=http://x.com/&sa=U");
    EXPECT_EQ(google[0].description, "the snippet");

    const auto sogou = readToday(
        SearchEngine::Sogou,
        R"(<div class="vrwrap"><a href="http://s.com/"><h3>Title</h3></a>)"
        R"(<div class="fz-mid">the card text, longer than the space text</div><p class="space-txt">)"
        R"(snip</p></div>)");
    ASSERT_EQ(sogou.size(), 1u);
    EXPECT_EQ(sogou[0].title, "Title");
    EXPECT_EQ(sogou[0].address, "http://s.com/");
    EXPECT_EQ(sogou[0].description, "snip");

    // Baidu: the summary span, not its box with the date in it.
    const auto baidu = readToday(
        SearchEngine::Baidu,
        R"(<div id="content_left"><div class="result c-container"><h3><a href="http://b/">t</a>)"
        R"(</h3><div class="cos-line-clamp-2"><span class="date">2024-11-26</span>)"
        R"(<span class="  summary-text_1a">the summary</span></div></div></div>)");
    ASSERT_EQ(baidu.size(), 1u);
    EXPECT_EQ(baidu[0].description, "the summary");

    // Bing: the caption's paragraph when the caption has more classes.
    const auto bing = readToday(
        SearchEngine::Bing,
        R"(<li class="b_algo"><h2><a href="http://m/">M</a></h2><div class="b_caption b_rich">)"
        R"(<div class="b_attribution"><cite>m.com</cite></div><p>caption text</p></div></li>)");
    ASSERT_EQ(bing.size(), 1u);
    EXPECT_EQ(bing[0].description, "caption text");

    // What the rules find stays as it was.
    const std::string ruled =
        R"(<li class="res-list"><h3><a href="http://a/">A</a></h3><div class="res-rich">rich</div>)"
        R"(<p class="res-desc">a longer description than the rich one</p></li>)";
    HtmlTagScanner scanner;
    const ResultRecord byRules = parseResult(SearchEngine::Search360, ruled, scanner);
    const auto today = readToday(SearchEngine::Search360, ruled);
    ASSERT_EQ(today.size(), 1u);
    EXPECT_EQ(today[0].title, byRules.title);
    EXPECT_EQ(today[0].address, byRules.address);
    EXPECT_EQ(today[0].description, "rich");
}

}  // namespace
}  // namespace lh
