#include "collect/verification.h"

#include <vector>

#include "textutil/program_text.h"
#include "web/cookie_files.h"

namespace lh {

namespace {

const std::vector<std::string>& verificationMarkers() {
    static const std::vector<std::string> markers = {
        gb("如果经常出现此页面，请把您的IP和反馈意见"),
        gb("<title>百度安全验证</title>"),
        "Our systems have detected unusual traffic from your computer network",
        gb("我们的系统检测到您网络中存在异常访问请求"),
        gb("请键入下图显示的字符以继续操作："),
        gb("我们的系统检测到您的计算机网络中存在异常流量"),
        gb("此网页用于确认这些请求是由您而不是自动程序发出的"),
        gb("<br>请输入以下验证码，即可恢复使用。"),
        gb("您的电脑或所在的局域网络有异常的访问"),
        "To continue, please type the characters below:",
        gb("用户您好，您的访问过于频繁"),
        gb("为确认本次访问为正常用户行为，需要您协助验证"),
        "sendLog('verify_page'",
        "\"verify_page\"",
    };
    return markers;
}

}  // namespace

bool detectVerification(const std::string& page) {
    if (page.empty()) return false;
    for (const std::string& marker : verificationMarkers()) {
        if (containsText(page, marker, Case::Ignore)) return true;
    }
    return false;
}

bool checksVerification(SearchEngine engine) {
    switch (engine) {
    case SearchEngine::Google:
    case SearchEngine::Baidu:
    case SearchEngine::BaiduNews:
    case SearchEngine::Sogou:
    case SearchEngine::SogouNews:
    case SearchEngine::BaiduMobile:
    case SearchEngine::Search360Mobile:
        return true;
    default:
        return false;
    }
}

std::string cookieFileName(SearchEngine engine) {
    if (engine == SearchEngine::Baidu || engine == SearchEngine::BaiduNews)
        return baiduCookieFileName();
    if (engine == SearchEngine::BaiduMobile) return baiduMobileCookieFileName();
    return {};
}

std::string randomFolderName(CollectionHost& host, int length) {
    static const char* const classes[] = {"0123456789", "abcdefghijklmnopqrstuvwxyz",
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZ"};
    static const int sizes[] = {10, 26, 26};
    std::string text;
    for (int i = 0; i < length; ++i) {
        const auto c = static_cast<int>(host.randomInRange(0, 2));
        text += classes[c][host.randomInRange(0, sizes[c] - 1)];
    }
    return text;
}

bool handOffVerification(CollectionHost& host, CollectionRun& run, SearchEngine engine,
                         const std::string& pageUrl) {
    static const std::string prompt =
        gb("程序检测到出现验证，请完成验证操作，然后确定继续！如果取消将跳出采集");

    if (host.settings().clearCacheOnVerification) {
        for (int what : {1, 2, 8, 255}) host.clearBrowsingData(what);
        host.webViewClearCookies();
        host.webViewSetCacheFolder(randomFolderName(host));
        host.webViewSetCookieFolder(randomFolderName(host));
    }
    host.webViewLoadAddress("about:blank");
    host.waitWithEvents(1000, nullptr);
    host.webViewLoadAddress(pageUrl);
    host.webViewSetVisible(true);

    bool carryOn = true;
    if (host.settings().autoCloseVerification) {
        host.waitWithEvents(10000, nullptr);
    } else {
        carryOn = host.askVerificationContinue(prompt);
    }
    run.cookieText = host.webViewCurrentCookies();
    host.webViewSetVisible(false);
    if (!carryOn) {
        run.stopRequested = true;
        return false;
    }
    host.activateMainWindow();

    const std::string name = cookieFileName(engine);
    // An unwritable cookie file only costs the next run a verification.
    if (!name.empty()) writeCookieFile(host.programFolder(), name, run.cookieText);
    return true;
}

}  // namespace lh
