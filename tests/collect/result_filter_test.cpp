#include "collect/result_filter.h"

#include <gtest/gtest.h>

#include "textutil/program_text.h"

namespace lh {
namespace {

ResultRecord at(const std::string& address) {
    ResultRecord record;
    record.address = address;
    record.title = "t";
    return record;
}

TEST(RankFilter, SelectedRanksAreWholeEntriesNotContainment) {
    CollectionSettings settings = CollectionSettings::defaults();
    EXPECT_TRUE(rankSelected(settings, 12));  // option off: everything passes
    settings.onlySelectedRanks = true;
    EXPECT_TRUE(rankSelected(settings, 2));
    EXPECT_TRUE(rankSelected(settings, 3));
    EXPECT_TRUE(rankSelected(settings, 5));
    EXPECT_FALSE(rankSelected(settings, 1));
    EXPECT_FALSE(rankSelected(settings, 12));
    EXPECT_FALSE(rankSelected(settings, 23));
    settings.selectedRanks = "||12|";
    EXPECT_TRUE(rankSelected(settings, 12));
    EXPECT_FALSE(rankSelected(settings, 2));
    settings.selectedRanks = "|";
    EXPECT_FALSE(rankSelected(settings, 1));
}

TEST(OwnSiteFilter, DropsEngineSitesUnlessBaiduAndTheTemplateHidesWhereItIs) {
    CollectionSettings settings = CollectionSettings::defaults();
    EXPECT_TRUE(acceptResult(settings, at("https://www.baidu.com/x")));  // option off
    settings.ignoreEngineSites = true;
    EXPECT_FALSE(acceptResult(settings, at("https://www.baidu.com/x")));
    EXPECT_FALSE(acceptResult(settings, at("http://WWW.SO.COM/s?q=1")));
    EXPECT_FALSE(acceptResult(settings, at("http://bbs.360.cn/")));
    EXPECT_FALSE(acceptResult(settings, at("http://news.qihoo.net/")));
    EXPECT_TRUE(acceptResult(settings, at("https://example.org/baidu.com")));  // host only
    EXPECT_TRUE(acceptResult(settings, at("https://example.org/")));

    // Only title, description and keyword shown: a Baidu result stays, others still go.
    settings.outputTemplate = gb("#标题#,#描述#,#关键词#");
    EXPECT_TRUE(acceptResult(settings, at("https://zhidao.baidu.com/q")));
    EXPECT_FALSE(acceptResult(settings, at("https://www.sogou.com/x")));
    for (const char* mark : {"#网址#", "#域名#", "#顶级域名#"}) {
        settings.outputTemplate = gb("#标题#,") + gb(mark);
        EXPECT_FALSE(acceptResult(settings, at("https://zhidao.baidu.com/q"))) << mark;
    }
}

TEST(TopLevelDomain, IpHostsComeBackWholeOtherHostsFollowTheDomainRule) {
    CollectionSettings settings = CollectionSettings::defaults();
    EXPECT_EQ(topLevelDomainOf(settings, "http://192.168.1.10/a"), "192.168.1.10");
    EXPECT_EQ(topLevelDomainOf(settings, "http://192.168.0.1/"), "192.168.0.1");
    EXPECT_EQ(topLevelDomainOf(settings, "http://10.1.1.1"), "10.1.1.1");
    EXPECT_EQ(topLevelDomainOf(settings, "http://10.1.1.1:8080/x"), "10.1.1.1:8080");
    EXPECT_EQ(topLevelDomainOf(settings, "http://a.b.example.com/x/y.htm"), "example.com");
    EXPECT_EQ(topLevelDomainOf(settings, "http://news.example.com.cn/"), "example.com.cn");
    EXPECT_EQ(topLevelDomainOf(settings, "http://www.example.com/"), "www.example.com");
    // A numeric second label gives the plain host.
    EXPECT_EQ(topLevelDomainOf(settings, "http://www.163.com/"), "www.163.com");
    EXPECT_EQ(topLevelDomainOf(settings, "http://a.1.2.3.4.5/"), "a.1.2.3.4.5");
    settings.wwwNotTopLevel = true;
    EXPECT_EQ(topLevelDomainOf(settings, "http://www.example.com/"), "example.com");
    EXPECT_EQ(topLevelDomainOf(settings, "http://WWW.Example.COM/"), "example.com");
    EXPECT_EQ(topLevelDomainOf(settings, "http://192.168.0.1/"), "192.168.0.1");
    EXPECT_EQ(topLevelDomainOf(settings, ""), "");
}

}  // namespace
}  // namespace lh
