#include "collect/verification.h"

#include <vector>

#include "textutil/program_text.h"
#include "textutil/text_search.h"

namespace lh {

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

bool detectVerification(const std::string& page) {
    static const AnyTextFinder markers(verificationMarkers());
    return !page.empty() && markers.foundIn(page);
}

bool isVerificationPage(const EngineProfile& engine, const std::string& page) {
    const bool ownMarker = !engine.challengeMarker.empty();
    if (!engine.examinedForVerification)
        return ownMarker && AnyTextFinder({std::string(engine.challengeMarker)}).foundIn(page);
    if (!ownMarker) return detectVerification(page);
    std::vector<std::string> all = verificationMarkers();
    all.emplace_back(engine.challengeMarker);
    return !page.empty() && AnyTextFinder(all).foundIn(page);
}

const std::string& verificationPrompt() {
    static const std::string prompt =
        gb("程序检测到出现验证，请完成验证操作，然后确定继续！如果取消将跳出采集");
    return prompt;
}

std::string randomFolderName(RunClock& clock, int length) {
    static const char* const classes[] = {"0123456789", "abcdefghijklmnopqrstuvwxyz",
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZ"};
    static const int sizes[] = {10, 26, 26};
    std::string text;
    for (int i = 0; i < length; ++i) {
        const auto c = static_cast<std::size_t>(clock.randomInRange(0, 2));
        text += classes[c][clock.randomInRange(0, sizes[c] - 1)];
    }
    return text;
}

ViewVerification::ViewVerification(VerificationView& view, RunClock& clock, OptionsSource& options)
    : view_(view), clock_(clock), options_(options) {}

VerificationOutcome ViewVerification::solve(const VerificationRequest& request) {
    if (options_.settings().clearCacheOnVerification) {
        for (BrowsingData what : {BrowsingData::History, BrowsingData::Cookies,
                                  BrowsingData::TemporaryFiles, BrowsingData::Everything}) {
            view_.clearBrowsingData(what);
        }
        view_.clearCookies();
        view_.setCacheFolder(randomFolderName(clock_));
        view_.setCookieFolder(randomFolderName(clock_));
    }
    view_.loadAddress("about:blank");
    clock_.waitWithEvents(1000, nullptr);
    view_.loadAddress(request.address);
    view_.setVisible(true);

    VerificationOutcome outcome;
    if (options_.settings().autoCloseVerification) {
        clock_.waitWithEvents(10000, nullptr);
        outcome.proceed = true;
    } else {
        outcome.proceed = view_.askToContinue(verificationPrompt());
    }
    outcome.cookies = view_.currentCookies();
    view_.setVisible(false);
    if (outcome.proceed) view_.activateMainWindow();
    return outcome;
}

}  // namespace lh
