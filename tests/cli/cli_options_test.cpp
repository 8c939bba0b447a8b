#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include "textutil/program_text.h"

namespace lh::cli {
namespace {

CliParseResult parse(std::vector<std::string> args) { return parseCliOptions(args); }

TEST(CliOptions, EveryRunOptionLandsOnItsSettingsField) {
    const auto r = parse({"--engine",
                          "360-mobile",
                          "--keywords",
                          "k.txt",
                          "--pages",
                          "3",
                          "--per-page=20",
                          "--save-folder",
                          "/tmp/出",
                          "--ext",
                          ".csv",
                          "--template",
                          "#网址#,#标题#",
                          "--ranks",
                          "1|4",
                          "--www-not-top-level",
                          "--no-com-site",
                          "--separator-lines",
                          "--merge",
                          "--no-dedupe",
                          "--ignore-engine-sites",
                          "--baidu-mode",
                          "3"});
    ASSERT_TRUE(r.ok()) << r.error;
    CollectionSettings s = CollectionSettings::defaults();
    applyCliOptions(r.options, s);
    EXPECT_EQ(s.engine, SearchEngine::Search360Mobile);
    EXPECT_EQ(*r.options.keywordsFile, "k.txt");
    EXPECT_EQ(s.pageLimit, PageLimit{3});
    EXPECT_EQ(s.resultsPerPage, 20);
    EXPECT_EQ(s.saveFolder, gb("/tmp/出"));
    EXPECT_EQ(s.fileExtension, "csv");
    EXPECT_EQ(s.outputTemplate, gb("#网址#,#标题#"));
    EXPECT_TRUE(s.onlySelectedRanks);
    EXPECT_EQ(s.selectedRanks, "1|4");
    EXPECT_TRUE(s.wwwNotTopLevel);
    EXPECT_FALSE(s.useComSite);
    EXPECT_TRUE(s.keywordSeparatorLine);
    EXPECT_TRUE(s.mergeIntoOneFile);
    EXPECT_FALSE(s.removeDuplicates);
    EXPECT_TRUE(s.ignoreEngineSites);
    EXPECT_EQ(s.baiduFetchMode, 1);
}

TEST(CliOptions, UnsetOptionsKeepWhatTheSettingsHeldAndLaterFlagsWin) {
    CollectionSettings s = CollectionSettings::defaults();
    s.mergeIntoOneFile = true;
    s.removeDuplicates = false;
    s.engine = SearchEngine::Bing;
    s.onlySelectedRanks = true;
    s.clearCacheOnVerification = true;
    s.autoCloseVerification = true;
    const auto r = parse({"--dedupe", "--merge", "--no-merge", "--all-ranks", "--pages", "all"});
    ASSERT_TRUE(r.ok()) << r.error;
    applyCliOptions(r.options, s);
    EXPECT_EQ(s.engine, SearchEngine::Bing);
    EXPECT_FALSE(s.mergeIntoOneFile);
    EXPECT_TRUE(s.removeDuplicates);
    EXPECT_FALSE(s.onlySelectedRanks);
    EXPECT_TRUE(s.pageLimit.isAll());
    // No browser view on a terminal: nothing to clear or close.
    EXPECT_FALSE(s.clearCacheOnVerification);
    EXPECT_FALSE(s.autoCloseVerification);
}

TEST(CliOptions, EnginesByOptionNameOrDisplayName) {
    const std::vector<std::pair<std::string, SearchEngine>> names = {
        {"baidu", SearchEngine::Baidu},
        {"baidu-news", SearchEngine::BaiduNews},
        {"sogou", SearchEngine::Sogou},
        {"sogou-news", SearchEngine::SogouNews},
        {"360", SearchEngine::Search360},
        {"google", SearchEngine::Google},
        {"BING", SearchEngine::Bing},
        {"baidu-mobile", SearchEngine::BaiduMobile},
        {"360-mobile", SearchEngine::Search360Mobile},
        {"shenma-mobile", SearchEngine::ShenmaMobile},
        {"百度新闻", SearchEngine::BaiduNews},
        {"神马移动", SearchEngine::ShenmaMobile}};
    for (const auto& [name, engine] : names) {
        const auto r = parse({"--engine", name});
        ASSERT_TRUE(r.ok()) << r.error;
        CollectionSettings s = CollectionSettings::defaults();
        applyCliOptions(r.options, s);
        EXPECT_EQ(s.engine, engine) << name;
    }
    const auto bad = parse({"--engine", "yahoo"});
    EXPECT_EQ(bad.error,
              "option '--engine': 'yahoo' is not an engine (baidu, baidu-news, sogou, sogou-news, "
              "360, google, bing, baidu-mobile, 360-mobile, shenma-mobile)");
    EXPECT_FALSE(parse({"--engine", ""}).ok());
}

TEST(CliOptions, BadInputNamesTheOption) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--engine", "yahoo"}, "'--engine'"},
        {{"--pages", "three"}, "'--pages'"},
        {{"--pages", "-1"}, "'--pages'"},
        {{"--per-page", "0"}, "'--per-page'"},
        {{"--per-page", "101"}, "'--per-page'"},
        {{"--per-page", "5x"}, "'--per-page'"},
        {{"--baidu-mode", "4"}, "'--baidu-mode'"},
        {{"--on-captcha", "solve"}, "'--on-captcha'"},
        {{"--connect-to", "a:1:b"}, "'--connect-to'"},
        {{"--connect-to", "a:99999:b:1"}, "'--connect-to'"},
        {{"--template", "\xB1\xEA"}, "'--template'"},  // GB bytes, not UTF-8
        {{"--ext", "a/b"}, "'--ext'"},
        {{"--keywords"}, "'--keywords'"},
        {{"--merge=yes"}, "'--merge'"},
        {{"--frobnicate"}, "'--frobnicate'"},
        {{"--utf8"}, "'--utf8'"},
        {{"--stdout", "--encoding", "latin1"}, "'--encoding'"},
        {{"keywords.txt"}, "'keywords.txt'"},
    };
    for (const auto& [args, name] : cases) {
        const auto r = parse(args);
        EXPECT_FALSE(r.ok()) << args[0];
        EXPECT_NE(r.error.find(name), std::string::npos) << r.error;
    }
}

TEST(CliOptions, ConnectToFollowsCurlsForm) {
    auto m = parseConnectTo("www.baidu.com:443:127.0.0.1:8443");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->fromHost, "www.baidu.com");
    EXPECT_EQ(m->fromPort, 443);
    EXPECT_EQ(m->toHost, "127.0.0.1");
    EXPECT_EQ(m->toPort, 8443);
    m = parseConnectTo("::[::1]:9000");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->fromHost, "");
    EXPECT_EQ(m->fromPort, 0);
    EXPECT_EQ(m->toHost, "::1");
    EXPECT_EQ(m->toPort, 9000);
    EXPECT_FALSE(parseConnectTo("a:1:b:2:3"));
    EXPECT_FALSE(parseConnectTo("[::1:1:b:2"));
    const auto r = parse({"--connect-to", "a:80:b:81", "--connect-to=c:443:d:444", "--cacert",
                          "ca.pem", "--proxy", "http://p:3128"});
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(r.options.connectTo.size(), 2u);
    EXPECT_EQ(r.options.connectTo[1].toHost, "d");
    EXPECT_EQ(*r.options.caCertFile, "ca.pem");
    EXPECT_EQ(*r.options.proxy, "http://p:3128");
}

TEST(CliOptions, HelpNamesEveryOptionWithTheWindowsDefaults) {
    const std::string help = helpText();
    for (const char* option : {"--keywords",
                               "--engine",
                               "--pages",
                               "--per-page",
                               "--save-folder",
                               "--ext",
                               "--template",
                               "--ranks",
                               "--www-not-top-level",
                               "--no-com-site",
                               "--separator-lines",
                               "--merge",
                               "--no-dedupe",
                               "--ignore-engine-sites",
                               "--baidu-mode",
                               "--settings",
                               "--stdout",
                               "--utf8",
                               "--encoding",
                               "--on-captcha",
                               "--cookies",
                               "--connect-to",
                               "--cacert",
                               "--proxy",
                               "--program-folder",
                               "--quiet",
                               "--help"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    EXPECT_NE(help.find("(default: 50)"), std::string::npos);
    EXPECT_NE(help.find("(default: txt)"), std::string::npos);
    EXPECT_NE(help.find(gbToUtf8(defaultSaveFolder())), std::string::npos);
    EXPECT_NE(help.find("\"#标题#\",\"#网址#\",\"#域名#\",\"#顶级域名#\",\"#描述#\""),
              std::string::npos);
    EXPECT_NE(help.find("  --engine NAME             baidu, baidu-news, sogou, sogou-news, 360, "
                        "google, bing,\n                            baidu-mobile, 360-mobile, "
                        "shenma-mobile (default: baidu)\n"),
              std::string::npos);
    EXPECT_NE(help.find("  --no-com-site             Google and Bing"), std::string::npos);
    EXPECT_NE(help.find("  --pages N                 result pages per keyword; 0 or 'all' = "
                        "every page\n                            (default: all)\n"),
              std::string::npos);
    EXPECT_NE(help.find("  --baidu-mode 2|3          Baidu download mode (default: 2)\n"),
              std::string::npos);
    EXPECT_TRUE(isValidUtf8(help));
    EXPECT_TRUE(parse({"-h"}).options.help);
}

}  // namespace
}  // namespace lh::cli
