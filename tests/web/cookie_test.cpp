#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"
#include "textutil/program_text.h"
#include "web/cookie_files.h"
#include "web/cookie_store.h"
#include "web/cookie_text.h"

namespace lh {
namespace {

TEST(CookieText, MergeKeepsFullOrderAddsMissingPlainOnesAndDropsDeleted) {
    EXPECT_EQ(mergeCookieTexts("a=1", "a=1; h=2"), "a=1; h=2");
    EXPECT_EQ(mergeCookieTexts("p=0; a=9", "a=1; h=2"), "a=1; h=2; p=0");
    EXPECT_EQ(mergeCookieTexts("x=deleted; y=undeleted", ""), "y=undeleted");
    EXPECT_EQ(mergeCookieTexts("", "a = 1 ;b=2;"), "a=1; b=2");
    EXPECT_EQ(mergeCookieTexts("   ", "   "), "");
    EXPECT_EQ(mergeCookieTexts("", "a=1; a=1; b"), "a=1; b");
    // Names compare case-sensitively.
    EXPECT_EQ(mergeCookieTexts("A=2", "a=1"), "a=1; A=2");
}

TEST(CookieText, CookieByNameIsAPlainSubstringSearch) {
    const std::string text = "BAIDUID=abc:FG=1; BIDUPSID=def; PSTM=123";
    EXPECT_EQ(cookieByName(text, "BIDUPSID"), "BIDUPSID=def");
    EXPECT_EQ(cookieByName(text, "PSTM", true), "123");
    EXPECT_EQ(cookieByName(text, "missing"), "");
    EXPECT_EQ(cookieByName("XUID=1; UID=2", "UID"), "UID=1");  // the tail of an earlier name
    EXPECT_EQ(cookieByName("a=; b=2", "a"), "");
}

TEST(CookieText, ResponseCookieTexts) {
    const std::string headers =
        "HTTP/1.1 200 OK\r\nSet-Cookie: BAIDUID=1; path=/\r\nset-cookie: lower=2;\r\n"
        "Content-Type: text/html\r\nSet-Cookie: bare=3\r\n\r\n";
    // A cookie without attributes keeps its pair.
    EXPECT_EQ(responseCookies(headers), "BAIDUID=1;lower=2;bare=3;");
    EXPECT_EQ(responseCookies("HTTP/1.1 200 OK\r\nContent-Type: x\r\n"), "");

    const std::string all =
        "Content-Type: text/html\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
        "set-cookie: c=3\r\n";
    EXPECT_EQ(requestCookieText(all), "a=1; path=/; b=2; ");
    EXPECT_EQ(requestCookieText("Content-Type: text/html\r\n"), "");
}

TEST(CookieStoreTest, DomainsPathsSecureExpiryAndHttpOnly) {
    CookieStore store;
    store.storeSetCookie("http://www.baidu.com/s/x", "host=1");
    store.storeSetCookie("http://www.baidu.com/s/x", "dom=2; Domain=.baidu.com; Path=/");
    store.storeSetCookie("http://www.baidu.com/", "deep=3; path=/s");
    store.storeSetCookie("https://www.baidu.com/", "sec=4; secure; path=/");
    store.storeSetCookie("http://www.baidu.com/", "ho=5; HttpOnly; path=/");
    store.storeSetCookie("http://www.baidu.com/", "evil=6; domain=sogou.com");
    store.storeSetCookie("http://www.baidu.com/", "noequals");

    EXPECT_EQ(store.cookieTextFor("http://www.baidu.com/s/page"), "host=1; deep=3; dom=2; ho=5");
    EXPECT_EQ(store.cookieTextFor("https://www.baidu.com/s/page"),
              "host=1; deep=3; dom=2; sec=4; ho=5");
    EXPECT_EQ(store.cookieTextFor("http://www.baidu.com/s/page", false), "host=1; deep=3; dom=2");
    EXPECT_EQ(store.cookieTextFor("http://m.baidu.com/"), "dom=2");
    EXPECT_EQ(store.cookieTextFor("http://www.baidu.com/sx"), "dom=2; ho=5");
    EXPECT_EQ(store.cookieTextFor("http://www.sogou.com/"), "");
    EXPECT_EQ(store.cookieTextFor("not an address"), "");

    // Replacing keeps one cookie; an expired Set-Cookie removes it.
    store.storeSetCookie("http://www.baidu.com/", "dom=7; domain=baidu.com; path=/");
    EXPECT_EQ(store.cookieTextFor("http://m.baidu.com/"), "dom=7");
    store.storeSetCookie("http://www.baidu.com/",
                         "dom=x; domain=baidu.com; path=/; expires=Thu, 01 Jan 1970 00:00:01 GMT");
    EXPECT_EQ(store.cookieTextFor("http://m.baidu.com/"), "");
    store.storeSetCookie("http://www.baidu.com/", "host=gone; Max-Age=0");
    store.storeSetCookie("http://www.baidu.com/",
                         "future=1; expires=Fri, 01 Jan 2100 00:00:00 GMT; max-age=100");
    EXPECT_EQ(store.cookieTextFor("http://www.baidu.com/"), "ho=5; future=1");
    store.storeFromHeaders("http://www.sogou.com/",
                           "HTTP/1.1 200 OK\r\nSET-COOKIE: SUV=9; path=/\r\nX: y\r\n");
    EXPECT_EQ(store.cookieTextFor("http://www.sogou.com/a"), "SUV=9");
    store.clear();
    EXPECT_TRUE(store.all().empty());
}

TEST(CookieStoreTest, SystemCookiesMergesPlainAndHttpOnlyLookups) {
    CookieStore& store = CookieStore::instance();
    store.clear();
    EXPECT_EQ(systemCookies("www.baidu.com"), "");
    store.storeSetCookie("http://www.baidu.com/", "a=1; path=/");
    store.storeSetCookie("http://www.baidu.com/", "h=2; path=/; HttpOnly");
    store.storeSetCookie("http://www.baidu.com/", "gone=deleted; path=/");
    store.storeSetCookie("http://www.baidu.com/", "kept=undeleted; path=/");
    EXPECT_EQ(systemCookies("www.baidu.com"), "a=1; h=2; kept=undeleted");
    EXPECT_EQ(systemCookies("www.baidu.com", "h"), "h=2");
    EXPECT_EQ(systemCookies("www.baidu.com", "zz"), "");
    StoredCookie fromBrowser;
    fromBrowser.name = "BDUSS";
    fromBrowser.value = "xyz";
    fromBrowser.domain = ".baidu.com";
    fromBrowser.hostOnly = false;
    store.set(fromBrowser);
    EXPECT_EQ(systemCookies("m.baidu.com"), "BDUSS=xyz");
    store.clear();
}

class CookieFileTest : public ::testing::Test {
protected:
    test::TempFolder scratch;
    const std::filesystem::path folder = scratch.path();
};

TEST_F(CookieFileTest, WritesAndReadsGbBytesUnderUtf8Names) {
    const std::string folderText = programTextOfPath(folder);
    EXPECT_EQ(readCookieFile(folderText, baiduCookieFileName()), "");
    const std::string cookie = "BAIDUID=1; name=" + gb("中文");
    ASSERT_TRUE(writeCookieFile(folderText, baiduCookieFileName(), cookie));
    EXPECT_TRUE(std::filesystem::exists(folder / u8"百度Cookies.txt"));
    EXPECT_EQ(readCookieFile(folderText, baiduCookieFileName()), cookie);
    std::ifstream raw(folder / u8"百度Cookies.txt", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(raw)),
                            std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, cookie);

    ASSERT_TRUE(writeCookieFile(folderText, baiduMobileCookieFileName(), "m=1"));
    EXPECT_EQ(readCookieFile(folderText, baiduMobileCookieFileName()), "m=1");
    EXPECT_EQ(readCookieFile(folderText, baiduCookieFileName()), cookie);

    // A folder that does not exist cannot be written, and nothing else changes.
    EXPECT_FALSE(writeCookieFile(folderText + "/missing", baiduCookieFileName(), "x=1"));
    EXPECT_EQ(readCookieFile(folderText, baiduCookieFileName()), cookie);
}

}  // namespace
}  // namespace lh
