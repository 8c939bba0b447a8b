// Real result pages, cut by each engine's rules. The expected blocks, titles and
// addresses were read out of the saved pages by hand.
#include "collect/result_extraction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "collect/engine_catalogue.h"
#include "support/sample_pages.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

// A saved page as the run would hold it: program text.
std::string samplePage(const std::string& name, bool utf8 = true) {
    std::ifstream in(test::samplePagesFolder() + "/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return utf8 ? utf8ToGb(bytes) : convertCharset(bytes, "GB18030", "GB18030");
}

struct Expected {
    int block;          // 1-based
    const char* title;  // UTF-8
    const char* address;
};

struct Cut {
    int blocks = 0;
    std::vector<ResultRecord> records;
};

Cut cutPage(SearchEngine engine, const std::string& page) {
    HtmlTagScanner scanner;
    Cut cut;
    cut.blocks = extractResultBlocks(engine, page, scanner);
    for (int i = 1; i <= cut.blocks; ++i)
        cut.records.push_back(parseResult(engine, resultBlock(scanner, i), scanner));
    return cut;
}

void expectResults(const Cut& cut, const std::vector<Expected>& expected, const char* page) {
    for (const Expected& e : expected) {
        ASSERT_LE(e.block, static_cast<int>(cut.records.size())) << page;
        const ResultRecord& r = cut.records[e.block - 1];
        EXPECT_EQ(gbToUtf8(r.title), e.title) << page << " block " << e.block;
        EXPECT_EQ(r.address, e.address) << page << " block " << e.block;
    }
}

TEST(SamplePages, BaiduWebKeepsItsTenContainersInsideContentLeft) {
    LH_REQUIRE_SAMPLE_PAGES();
    const std::string page1 = samplePage("baidu-1.html");
    ASSERT_FALSE(page1.empty()) << "serp samples missing";
    const Cut one = cutPage(SearchEngine::Baidu, page1);
    ASSERT_EQ(one.blocks, 10);  // 5 "result c-container", 5 "result-op c-container xpath-log"
    // The anchors of plain results are written href = "…"; the container is read with
    // its assignments closed up, so their addresses come through.
    expectResults(
        one,
        {{1, "number_百度翻译",
          "http://www.baidu.com/"
          "link?url=YmdTT0_4Cz5xdWmMai1vbQ67rA-XlEyjxIE2t1qXu5zhiCds6Xe8aCHu9qSqsng_"},
         {2, "number的缩写。_百度知道",
          "http://www.baidu.com/link?url=9kiJ_-d4puaCg1C4ixbSa_Y-aVusSb1X-tXhsJqhU0SGapW5s2uZ9MeAV-"
          "P7lven_IfeGTS9cUMJpyPB0rcdFq"},
         {3, "number_百度百科",
          "http://www.baidu.com/"
          "link?url=8N3aEUwsWzNNJxGfnSN7rgl2jEZHOa_wJFY9vrsdbE9jDywJWMHjix-qNbC6_"
          "TfugTYawRuCQkADfRF5jha_OykdxhM5ZweBahO9v9E1Zvu"},
         {10, "magic number_百度百科",
          "http://www.baidu.com/"
          "link?url=QS1-j3hE3DMb6jxx90s0xegvvwAAf4P7_L28Rd1sToU-8l_qbDjjP9PRNCIkVemFLk"
          "BVSn34aOfXrzBcETelDq"}},
        "baidu-1");
    // Zhidao answer: the abstract without its leading "问题描述" label span.
    EXPECT_TRUE(containsText(one.records[1].description, gb("最佳答案")));
    EXPECT_FALSE(containsText(one.records[1].description, gb("问题描述")));

    const Cut three = cutPage(SearchEngine::Baidu, samplePage("baidu-3.html"));
    ASSERT_EQ(three.blocks, 10);
    expectResults(three,
                  {{1, "月子中心推广-骐扬全网营销-专业从事月子会所精准客户宣传推广!",
                    "http://www.baidu.com/"
                    "link?url=jeV0NQCH2RHB4swmfQTDjb9z1LnCMKMH5WcZS56XvEr50j3ox9yERNH6CPGFYruc"},
                   {2, "【月子中心精准客户营销_全网精准营销】-广州市骐扬网络科技有限...",
                    "http://www.baidu.com/"
                    "link?url=R6jTaQGNjSD6aj8asvDo-7EPC3NQ6Dk_SLRSLF16H7dbegGTOp6O41c3XgZfX179"},
                   {10, "月子中心推广-骐扬全网营销-专业从事月子会所精准客户宣传推广!",
                    "http://www.baidu.com/link?url=OBefHJIFAaBQsTqO3h7feboQxAXxP5qtGVOgg0rLGr3"}},
                  "baidu-3");

    // Google's rules find nothing in a Baidu page.
    EXPECT_EQ(cutPage(SearchEngine::Google, page1).blocks, 0);
}

TEST(SamplePages, SogouBlocksAreExactlyVrwrapOrRb) {
    LH_REQUIRE_SAMPLE_PAGES();
    const Cut two = cutPage(SearchEngine::Sogou, samplePage("sogou-2.html"));
    ASSERT_EQ(two.blocks, 10);
    // Links stay relative here; link resolution makes them absolute.
    expectResults(
        two,
        {{1, "源码泄露_热门回答_知乎",
          "/link?url=hedJjaC291MBtMZVirtXo9hIF9Vn5uM75BV6pOIC4I0TGIoHl2PwYhurJil805I2reaVHN88tHY."},
         {2, "漏洞挖掘中的常见的源码泄露_知乎",
          "/link?url=hedJjaC291OfPyaFZYFLI4KQWvqt63NBtrArw5-0sLpzSG96Ln0cFQ.."}},
        "sogou-2");

    // 2012, GB2312: a car card (vrwrap), seven "rb" results, two more cards.
    const Cut four = cutPage(SearchEngine::Sogou, samplePage("sogou-4.html", false));
    ASSERT_EQ(four.blocks, 10);
    expectResults(four,
                  {{2, "最新改款途观官方图发布 外观向新途锐靠拢_新浪汽车_新浪网",
                    "http://auto.sina.com.cn/news/2011-03-01/0701725294.shtml"},
                   {3, "途观即将改款？新一期环保目录新车解读_沃尔沃S60_汽车点评网",
                    "http://news.xgo.com.cn/15/150375.html"},
                   {9, "【图】改款新途观_途观论坛_汽车之家",
                    "http://club.autohome.com.cn/bbs/thread-c-874-13048602-1.html"}},
                  "sogou-4");
    EXPECT_EQ(four.records[0].address, "http://db.auto.sohu.com/model-1626.shtml");
    EXPECT_TRUE(containsText(four.records[0].title, gb("】最新报价_配置_评价_图片_车友会")));
    // The "ft" summary (second rule), with its tags gone.
    EXPECT_EQ(
        gbToUtf8(four.records[1].description),
        "2011年3月1日... 本报讯 近日，大众汽车发布了最新改款途观（配置 图库 口碑 论坛）的官方图片，"
        "并公布了一些细节消息，据悉新车即将亮相于下月初开幕的日内瓦国际车...");

    // A real empty result page.
    EXPECT_EQ(cutPage(SearchEngine::Sogou, samplePage("sogou-5.html")).blocks, 0);
}

TEST(SamplePages, Search360TakesOnlyPlainResList) {
    LH_REQUIRE_SAMPLE_PAGES();
    const Cut one = cutPage(SearchEngine::Search360, samplePage("so360-1.html"));
    ASSERT_EQ(one.blocks, 10);
    expectResults(
        one,
        {{1, "21天减肥法百科", "https://baike.so.com/doc/5341317-5576760.html"},
         // Onebox cards without a heading: no link, dropped after link resolution.
         {2, "", ""},
         {3, "", ""},
         {5, "21天减肥法-在线极速问医生_360良医",
          "https://m.so.com/wenzhen/chat/ask?q=21%E5%A4%A9%E5%87%8F%E8%82%A5%E6%B3%95&departName="
          "%E5%86%85%E7%A7%91&secondDepartName=%E5%86%85%E5%88%86%E6%B3%8C%E7%A7%91&firstDep=&"
          "secondDep="
          "&src=onebox"},
         {8, "21天减肥法(食谱参照)。_360问答",
          "https://wenda.so.com/q/"
          "1533769859219842?src=140&q=21%E5%A4%A9%E5%87%8F%E8%82%A5%E6%B3%95"}},
        "so360-1");
    EXPECT_EQ(gbToUtf8(one.records[5].title), "什么是21天减肥法,真的有这样的减肥方法吗? - 知乎");
    EXPECT_TRUE(containsText(one.records[5].description, gb("2017年7月25日更,首先声明")));

    // Nine of ten items read class "res-list referer-news-flow": not blocks by the
    // exact-class rule. Only the first, plain one is.
    const Cut two = cutPage(SearchEngine::Search360, samplePage("so360-2.html"));
    ASSERT_EQ(two.blocks, 1);
    expectResults(
        two,
        {{1, "四川甘孜州泸定县发生6.8级地震",
          "https://www.so.com/"
          "link?m=bpxoK92oDQOZI1TD2g%2F4xLz3%2FdusJM9%2BOq4OpXsRQhxVbrUJj9eppbzgfFl1%2ByYL5"
          "j%2FzSvMK17IW5UDWtp0CgpHFpb3tHdjs%2BCWyM113Nu4mz8n6n63IfmQyNnw4x3fX8H7K810NgPH9GjZvuA%"
          "2FZbLpw62t"
          "ZBTJILQAp72GWNqvL8N9TX%2F5egQ7CJxmwy7tDZvl%2FKk%2BcI9sOUq2MBcxg8wLlJY%"
          "2FfcdL85GVT0tcMw3nlIhaavwEc"
          "%2BrpGFB965ehBoPbzHg6QgZU8lIEJdUyzXMxn7gGCT9ZaTZZhivwW6Jqyj3GHN5uTbmB1ktWI%3D"}},
        "so360-2");
}

TEST(SamplePages, BingAlgoAndAnswerItems) {
    LH_REQUIRE_SAMPLE_PAGES();
    const Cut one = cutPage(SearchEngine::Bing, samplePage("bing-1.html"));
    ASSERT_EQ(one.blocks, 9);  // b_ans, six b_algo, two b_ans
    expectResults(
        one,
        {{1, "", ""},  // an answer card without a heading
         {2, "Kaffeemaschinen und Teemaschinen - Günstig …",
          "https://www.fust.ch/de/r/kuechengeraete/kaffeemaschinen-und-teemaschinen-10.html"},
         {3, "Kaffeemaschine kaufen | MediaMarkt Kaufberatung",
          "https://www.mediamarkt.ch/de/category/_kaffeemaschinen-680832.html"},
         {7, "Kaffeemaschine neu oder gebraucht auf ricardo.ch …",
          "https://www.ricardo.ch/de/c/kaffee-und-espressomaschinen-40381/"},
         {8, "", ""}},  // "Related searches": a heading without a link
        "bing-1");
    EXPECT_TRUE(containsText(one.records[1].description, "im Fust Online-Shop"));
    EXPECT_FALSE(containsText(one.records[1].description, "fust.ch/de/r"));  // attribution dropped

    const Cut six = cutPage(SearchEngine::Bing, samplePage("bing-6.html"));
    ASSERT_EQ(six.blocks, 10);
    expectResults(
        six,
        {{1, "Intel® Core™ i7 Processors",
          "https://www.intel.com/content/www/us/en/products/details/processors/core/i7.html"},
         {3, "Intel Core i7-11700K Review: The Chip of Last Resort",
          "https://www.tomshardware.com/reviews/intel-core-i7-11700k-cpu-review"},
         {10, "Intel Processors | Intel Core i3, i5, i7 & i9 CPUs | Ebuyer.com",
          "https://www.ebuyer.com/store/Components/cat/Processors-Intel"}},
        "bing-6");
    EXPECT_TRUE(
        containsText(six.records[2].description, "Intel lists the Core i7-11700K with a 125W TDP"));
    EXPECT_FALSE(containsText(six.records[2].description, "tomshardware"));

    // "No results" page.
    EXPECT_EQ(cutPage(SearchEngine::Bing, samplePage("bing-8.html")).blocks, 0);
}

TEST(SamplePages, GoogleBlocksNeedTheClassExactlyG) {
    LH_REQUIRE_SAMPLE_PAGES();
    const Cut one = cutPage(SearchEngine::Google, samplePage("google-1.html"));
    ASSERT_EQ(one.blocks, 10);
    expectResults(
        one,
        // The image box: its first anchor has no h3, so no title.
        {{1, "",
          "https://www.google.ch/"
          "search?hs=bRI&q=r%C3%BCckspiegel+schwarz&tbm=isch&source=univ&client=ubuntu"
          "&sa=X&ved=2ahUKEwjajLmg1vvjAhWTa8AKHeVCB8AQsAR6BAgIEAE"},
         {2, "▷ CatEye BM 500 G Rückspiegel schwarz online bei Bikester.ch",
          "https://www.bikester.ch/fahrradteile/sicherheitsausstattung/"
          "cat-eye-rueckspiegel-bm-500g/10108.html"},
         {3, "Fahrradspiegel im Veloteile Online Shop von bikester.ch kaufen",
          "https://www.bikester.ch/fahrradteile/sicherheitsausstattung/fahrradspiegel.html"}},
        "google-1");
    EXPECT_TRUE(containsText(one.records[1].description, "gleich bei Bikester.ch"));

    const Cut four = cutPage(SearchEngine::Google, samplePage("google-4.html"));
    ASSERT_EQ(four.blocks, 9);
    expectResults(
        four,
        {{1, ".243 Winchester - Wikipedia", "https://en.wikipedia.org/wiki/.243_Winchester"},
         {2, "243 Winchester Rifles | Sportsman's Warehouse",
          "https://www.sportsmans.com/shooting-gear-gun-supplies/rifles/rifles/c/"
          "cat-243-winchester-rifles"},
         {3, "Penal Code Section 243 - Law section",
          "https://leginfo.legislature.ca.gov/faces/"
          "codes_displaySection.xhtml?sectionNum=243.&lawCode=PEN"}},
        "google-4");
    // The 2021 markup has no span class="st": no descriptions.
    for (const ResultRecord& r : four.records) EXPECT_EQ(r.description, "");

    // 2022 blocks read class="g Ww4FFb vt6azd tF2Cxc": the exact rule finds none.
    EXPECT_EQ(cutPage(SearchEngine::Google, samplePage("google-5.html")).blocks, 0);
}

// Every sample page as the run reads it (the rules, then the fallbacks for today's
// markup), against what a person reads on the page. `read` was counted by hand: the
// entries that stand for one page under their own heading link; cards, carousels,
// related searches and advertisements are not results. `kept` is what the run keeps:
// the read results and the cards the rules themselves take as blocks.
struct ReadPage {
    const char* file;
    SearchEngine engine;
    bool utf8;
    int read;
    int kept;
    // A read result's record (1-based) and the page's own address of its title link.
    std::vector<std::pair<int, const char*>> links;
};

// The page's relative links as the browser reads them, on the engine's host.
std::string absolute(SearchEngine engine, const std::string& address) {
    if (address.starts_with("/") && !address.starts_with("//"))
        return "http://" + std::string(engineProfile(engine).host) + address;
    return address;
}

TEST(SamplePages, TheRunReadsWhatAPersonReadsOnEveryPage) {
    LH_REQUIRE_SAMPLE_PAGES();
    const ReadPage pages[] = {
        // 6 "result c-container" and 4 "result-op" answers (translation, Baike, music,
        // Baike), each with a heading link and a text.
        {"baidu-1.html",
         SearchEngine::Baidu,
         true,
         10,
         10,
         {{5, "http://www.baidu.com/link?url=JKJ9kpfgEXS5Qp2ruqfJDu28EJGUMUzfZLSYU18UcTu"}}},
        // 10 "result c-container".
        {"baidu-3.html",
         SearchEngine::Baidu,
         true,
         10,
         10,
         {{10, "http://www.baidu.com/link?url=OBefHJIFAaBQsTqO3h7feboQxAXxP5qtGVOgg0rLGr3"}}},
        // 10 Zhihu answers in "vrwrap" blocks.
        {"sogou-2.html",
         SearchEngine::Sogou,
         true,
         10,
         10,
         {{2,
           "http://www.sogou.com/"
           "link?url=hedJjaC291OfPyaFZYFLI4KQWvqt63NBtrArw5-0sLpzSG96Ln0cFQ.."}}},
        // A car card with its heading link, 7 "rb" results, 2 more "vrwrap" results.
        {"sogou-4.html",
         SearchEngine::Sogou,
         false,
         10,
         10,
         {{3, "http://news.xgo.com.cn/15/150375.html"}}},
        {"sogou-5.html", SearchEngine::Sogou, true, 0, 0, {}},
        // 10 "res-list" items: 8 under a heading link (Baike, a medical answer, 360 Liangyi,
        // Zhihu, 360 video, 360 Wenda, Jingyan, 39 Health); the Wenda-abstract and drug
        // cards have no heading.
        {"so360-1.html",
         SearchEngine::Search360,
         true,
         8,
         10,
         {{1, "https://baike.so.com/doc/5341317-5576760.html"}}},
        // The hot-topic card and 8 "res-list referer-news-flow" news results; the news
        // box ("…的最新相关消息") is a carousel, kept as its class is a result's.
        {"so360-2.html",
         SearchEngine::Search360,
         true,
         9,
         10,
         {{6,
           "https://www.360kuai.com/pc/92075b021c0be7984?cota=3&kuai_so=1&sign=360_57c3bbd1&"
           "refer_scene=so_1"},
          {10,
           "https://www.360kuai.com/pc/9dd97c11dbab7fd3a?cota=3&kuai_so=1&sign=360_57c3bbd1&"
           "refer_scene=so_1"}}},
        // 6 "b_algo"; the rules also take the answer card and the two related-searches
        // boxes ("b_ans"); the ads are not taken.
        {"bing-1.html",
         SearchEngine::Bing,
         true,
         6,
         9,
         {{3, "https://www.mediamarkt.ch/de/category/_kaffeemaschinen-680832.html"}}},
        // 10 "b_algo".
        {"bing-6.html",
         SearchEngine::Bing,
         true,
         10,
         10,
         {{10, "https://www.ebuyer.com/store/Components/cat/Processors-Intel"}}},
        {"bing-8.html", SearchEngine::Bing, true, 0, 0, {}},  // "no results"
        // 9 results; the image box above them is a "g" block too.
        {"google-1.html",
         SearchEngine::Google,
         true,
         9,
         10,
         {{2,
           "https://www.bikester.ch/fahrradteile/sicherheitsausstattung/"
           "cat-eye-rueckspiegel-bm-500g/10108.html"}}},
        // 9 results; the image box ("liYKde g") is left out.
        {"google-4.html", SearchEngine::Google, true, 9, 9, {{7, "https://hgentry.github.io/81/"}}},
        // 6 "g Ww4FFb vt6azd tF2Cxc" results; videos, "People also ask", images, the
        // knowledge panel and related searches carry no "g".
        {"google-5.html",
         SearchEngine::Google,
         true,
         6,
         6,
         {{1, "https://www.amazon.com/Modern-Times-Charlie-Chaplin/dp/B004DARF6A"},
          {6, "https://www.imdb.com/title/tt0027977/"}}},
        // 5 "result c-container" and the Baike card; the ad ("EC_result … c-container")
        // is a block by the rules.
        {"modern/baidu-2026-1.html",
         SearchEngine::Baidu,
         true,
         6,
         7,
         {{7,
           "http://www.baidu.com/link?url=zXZNMUpJdkrQaX2LJ9m0BnvzYkUkp84DWP5_LZ9a04dUouJDGaGlf"
           "gVhHFqJuiaSYsQomo2x7pqfUbwC6PPeta"}}},
        // 5 "res-list" results between a news box and a short-video box (cut off by the
        // excerpt), both "res-list" too.
        {"modern/so360-2026-1.html",
         SearchEngine::Search360,
         true,
         5,
         7,
         {{5,
           "https://www.so.com/link?m=zObF4p%2BFskjlBN%2BCNVpC8pE%2BQBbONoc%2BM4KNI2OvyFEz%"
           "2FLW78rujvMQ4hT0tNxCcpVmYL0hnxSwRtBNY%2F85JRuyGYjkZXSbbsS9y7Pl%2BvBHmmMxbIMNvx6Hfri7v"
           "QCSAR5BodlO%2BKX6UwI2g0xpx8ytIyz8%2ByjgvhQ6aoPREvCn5etA%2FkVQUnk1RH4JF8NMLnGjUXmr1XoD"
           "8%3D"}}},
        {"modern/bing-2026-2.html", SearchEngine::Bing, true, 0, 0, {}},  // a challenge page
    };
    for (const ReadPage& p : pages) {
        SCOPED_TRACE(p.file);
        const std::string page = samplePage(p.file, p.utf8);
        ASSERT_FALSE(page.empty());
        const EngineProfile& engine = engineProfile(p.engine);
        const std::vector<ResultRecord> records =
            readResultRecords(*engine.extraction, engine.extractionFallbacks, page);
        EXPECT_EQ(static_cast<int>(records.size()), p.kept);
        // Every read result comes with a title, a link and its text (each shows one).
        const auto count = [&](auto has) {
            return static_cast<int>(std::count_if(records.begin(), records.end(), has));
        };
        EXPECT_GE(
            count([](const ResultRecord& r) { return !r.title.empty() && !r.address.empty(); }),
            p.read);
        EXPECT_GE(count([](const ResultRecord& r) { return !r.description.empty(); }), p.read);
        for (const auto& [index, link] : p.links) {
            ASSERT_LE(index, static_cast<int>(records.size()));
            const ResultRecord& r = records[static_cast<std::size_t>(index - 1)];
            EXPECT_EQ(absolute(p.engine, r.address), link) << "record " << index;
            EXPECT_FALSE(r.title.empty()) << "record " << index;
            EXPECT_FALSE(r.description.empty()) << "record " << index;
        }
    }
}

}  // namespace
}  // namespace lh
