#include "collect/proxy_rotation.h"

#include <gtest/gtest.h>

namespace lh {
namespace {

TEST(ProxyRotation, ListsAreReadLineByLineAndAddressesChecked) {
    EXPECT_EQ(proxyAddresses(" http://a:1 \r\n\r\n# spare\r\nb:2\nhttp://a:1\r\nsocks5://c:3"),
              (std::vector<std::string>{"http://a:1", "b:2", "socks5://c:3"}));
    EXPECT_TRUE(proxyAddresses(" \r\n#only a note\r\n").empty());

    for (const char* good : {"127.0.0.1:8080", "http://u:p@host:3128", "socks5h://h", "HTTPS://h:1",
                             "[::1]:8080", "http://proxy.example/"}) {
        EXPECT_EQ(proxyAddressProblem(good), "") << good;
    }
    for (const char* bad : {"ftp://h:1", "http://", "h:port", "h:99999", "h:", ":80", "a b:1",
                            "http://h:1/path"}) {
        EXPECT_NE(proxyAddressProblem(bad), "") << bad;
    }
    EXPECT_EQ(shownProxy("http://user:secret@h:1"), "http://user:***@h:1");
    EXPECT_EQ(shownProxy("user@h:1"), "user@h:1");
    EXPECT_EQ(shownProxy("h:1"), "h:1");
}

TEST(ProxyRotation, HandsOutInTurnSkipsWhatWasSetAsideAndRunsDry) {
    ProxyRotation none;
    std::string proxy = "x";
    EXPECT_FALSE(none.rotates());
    EXPECT_TRUE(none.next(proxy));
    EXPECT_EQ(proxy, "");

    ProxyRotation rotation({"a", "b", "c"});
    std::vector<std::string> given;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(rotation.next(proxy));
        given.push_back(proxy);
    }
    EXPECT_EQ(given, (std::vector<std::string>{"a", "b", "c", "a"}));
    rotation.setAside("b");
    rotation.setAside("b");
    rotation.setAside("unknown");
    ASSERT_TRUE(rotation.next(proxy));
    EXPECT_EQ(proxy, "c");
    rotation.setAside("c");
    rotation.setAside("a");
    EXPECT_FALSE(rotation.next(proxy));
    EXPECT_EQ(rotation.setAsideSoFar(), (std::vector<std::string>{"b", "c", "a"}));
}

}  // namespace
}  // namespace lh
