#include <gtest/gtest.h>

#include "textutil/extract_domain.h"

namespace lh {
namespace {

const DomainOptions kTop{true, false, false};
const DomainOptions kTopNoWww{true, false, true};
const DomainOptions kScheme{false, true, false};

TEST(ExtractDomain, HostIsEverythingBetweenSlashes) {
    EXPECT_EQ(extractDomain("http://a.b.example.com/x/y.htm"), "a.b.example.com");
    EXPECT_EQ(extractDomain("http://www.example.com:8080/"), "www.example.com:8080");
    EXPECT_EQ(extractDomain("http://user@Example.com?q=1"), "user@Example.com?q=1");
    EXPECT_EQ(extractDomain("example.com/x"), "example.com");
    EXPECT_EQ(extractDomain("/x/y"), "");
    EXPECT_EQ(extractDomain("http:///x"), "");
    EXPECT_EQ(extractDomain(""), "");
}

TEST(ExtractDomain, RegistrableDomainCountsLabelsFromTheRight) {
    EXPECT_EQ(extractDomain("http://a.b.example.com/x/y.htm", kTop), "example.com");
    EXPECT_EQ(extractDomain("http://news.example.com.cn/", kTop), "example.com.cn");
    EXPECT_EQ(extractDomain("http://www.example.co.uk/", kTop), "co.uk");
    EXPECT_EQ(extractDomain("http://m.Example.com/", kTop), "example.com");
    EXPECT_EQ(extractDomain("http://m.Example.com/", kTopNoWww), "example.com");
    EXPECT_EQ(extractDomain("http://192.168.1.10/", kTop), "1.10");
    EXPECT_EQ(extractDomain("http://am.example.org/", kTop), "example.org");
    EXPECT_EQ(extractDomain("http://x.am.example.org/", kTop), "am.example.org");
    EXPECT_EQ(extractDomain("http://example.com/", kTop), "example.com");
    EXPECT_EQ(extractDomain("http://example.com./", kTop), "example.com.");
    EXPECT_EQ(extractDomain("http://localhost/", kTop), "localhost");
    EXPECT_EQ(extractDomain("http://a.b/", kTop), "a.b");
    // Each pass looks only two places left of the previous cut, so one-letter labels stick.
    EXPECT_EQ(extractDomain("http://x.a.b/", kTop), "x.a.b");
    EXPECT_EQ(extractDomain("http://xy.a.bc/", kTop), "a.bc");
    EXPECT_EQ(extractDomain("/x", kTop), "");
}

TEST(ExtractDomain, WwwHostsAreTopLevelUnlessTheOptionSaysNot) {
    EXPECT_EQ(extractDomain("http://www.example.com/", kTop), "www.example.com");
    EXPECT_EQ(extractDomain("http://www.example.com/", kTopNoWww), "example.com");
    EXPECT_EQ(extractDomain("http://WWW.Example.COM/", kTop), "WWW.Example.COM");
    EXPECT_EQ(extractDomain("http://WWW.Example.COM/", kTopNoWww), "example.com");
    EXPECT_EQ(extractDomain("http://www.example.com:8080/", kTop), "www.example.com:8080");
    EXPECT_EQ(extractDomain("http://www.example.com:8080/", kTopNoWww), "example.com:8080");
    EXPECT_EQ(extractDomain("http://www.news.example.com/", kTop), "example.com");
}

TEST(ExtractDomain, SchemePrefix) {
    EXPECT_EQ(extractDomain("http://example.com/p", kScheme), "http://example.com");
    EXPECT_EQ(extractDomain("HTTPS://a.example.com", kScheme), "HTTPS://a.example.com");
    EXPECT_EQ(extractDomain("//example.com/p", kScheme), "example.com");
    EXPECT_EQ(extractDomain("http:///p", kScheme), "http://");
    EXPECT_EQ(extractDomain("https://www.a.example.com/x", {true, true, false}),
              "https://example.com");
}

}  // namespace
}  // namespace lh
