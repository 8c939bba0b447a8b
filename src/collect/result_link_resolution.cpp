#include "collect/result_link_resolution.h"

#include <algorithm>
#include <optional>

#include "textutil/keyword_list.h"
#include "textutil/program_text.h"
#include "textutil/text_between.h"
#include "textutil/url_encoders.h"
#include "web/cookie_store.h"

namespace lh {

namespace {

constexpr std::string_view kAdvertisementMark = "/baidu.php?";
constexpr std::string_view kAddressPlaceholders =
    "#\xCD\xF8\xD6\xB7#|#\xD3\xF2\xC3\xFB#|#\xB6\xA5\xBC\xB6\xD3\xF2\xC3\xFB#";  // #网址#|#域名#|#顶级域名#
constexpr std::string_view kRefreshA = "<noscript><META http-equiv=\"refresh\" content=\"0;URL='";
constexpr std::string_view kRefreshB = "<META http-equiv=\"refresh\" content=\"0;URL=";
constexpr std::string_view kRefreshC = "<META http-equiv=\"refresh\" content=\"0; URL=";
constexpr int kPasses = 3;

std::string httpOnly(const std::string& address) {
    return replaceAll(address, "https://", "http://");
}

std::string baiduSystemCookies() { return systemCookies(kBaiduHost) + "; "; }

const std::string& redirectPatterns() {
    static const std::string patterns = std::string(kSearch360Domain) + "/link?m=|" +
                                        std::string(kBaiduMobileHost) + "/from=|sogou.com/link";
    return patterns;
}

std::string withoutApostrophes(const std::string& text) { return replaceAll(text, "'", ""); }

bool startsWithIgnoringCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && toLowerAscii(text.substr(0, start.size())) == start;
}

// An address fit to be written as a result's target: absolute http(s), a host, and
// no blank or control character to break the line.
bool isWebTarget(std::string_view text) {
    std::size_t rest = 0;
    if (startsWithIgnoringCase(text, "http://")) {
        rest = 7;
    } else if (startsWithIgnoringCase(text, "https://")) {
        rest = 8;
    } else {
        return false;
    }
    if (rest == text.size() || text[rest] == '/' || text[rest] == '?' || text[rest] == '#')
        return false;
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; });
}

// The value of query parameter `name` (the first), empty when absent.
std::string_view queryValue(std::string_view address, std::string_view name) {
    const std::size_t query = address.find('?');
    if (query == std::string_view::npos) return {};
    std::size_t at = query + 1;
    while (at <= address.size()) {
        std::size_t end = address.find('&', at);
        if (end == std::string_view::npos) end = address.size();
        const std::string_view piece = address.substr(at, end - at);
        if (piece.size() > name.size() && piece.substr(0, name.size()) == name &&
            piece[name.size()] == '=') {
            return piece.substr(name.size() + 1);
        }
        at = end + 1;
    }
    return {};
}

// A failed look-up is kept to say why a link stayed as parsed; a stop is the user's own.
void noteFailure(LinkResolutionContext& c, TransferOutcome outcome) {
    if (!outcome.delivered() && outcome.failure != TransferFailure::Stopped)
        c.failure = std::move(outcome);
}

// The redirector's Location, asked under the look-up's stop request and deadline.
std::string locationOf(LinkResolutionContext& c, const std::string& address,
                       RedirectOptions options) {
    options.stop = c.stop;
    TransferOutcome outcome;
    std::string location = c.client.redirectLocation(address, options, &outcome);
    noteFailure(c, std::move(outcome));
    return location;
}

// A redirect page, downloaded under the look-up's stop request and deadline.
std::string pageOf(LinkResolutionContext& c, const std::string& address,
                   RequestOptions options = {}) {
    options.stop = c.stop;
    RequestReply reply;
    std::string page = c.client.request(address, options, &reply);
    noteFailure(c, std::move(reply.outcome));
    return page;
}

// One pass over a Baidu result address.
std::string resolveBaidu(LinkResolutionContext& c, const std::string& address) {
    std::string resolved;
    if (findText(address, kAdvertisementMark) == kNotFound) {
        RedirectOptions options;
        options.cookies = baiduSystemCookies();
        resolved = locationOf(c, httpOnly(address), options);
    } else {
        static const std::string warmUp =
            "https://" + std::string(kBaiduHost) +
            "/s?ie=utf-8&tn=baidu&wd=" + percentEncodeKeyword(gb("砚溪")) + "&rn=10&pn=0";
        for (int attempt = 0; attempt < 5 && !c.stop.done(); ++attempt) {
            if (c.session.adCookieText.empty()) {
                c.browser.visitInBackground(warmUp);
                c.wait.waitWithEvents(c.stop.waitMs(5000), c.stop.flag());
                if (c.stop.done()) break;
                c.session.adCookieText = systemCookies(kBaiduHost);
            }
            RedirectOptions options;
            options.cookies = c.session.adCookieText + "; ";
            resolved = locationOf(c, address, options);
            if (findText(resolved, kAdvertisementMark) == kNotFound) break;
            c.session.adCookieText.clear();
        }
    }
    for (int attempt = 0; attempt < 3 && resolved.empty() && !c.stop.done(); ++attempt) {
        std::string page = pageOf(c, address);
        resolved = textBetween(page, kRefreshA, "'");
        if (!resolved.empty() || c.stop.done()) break;

        c.client.reset();
        RequestOptions withCookies;
        withCookies.cookies = baiduSystemCookies();
        page = pageOf(c, address, withCookies);
        resolved = withoutApostrophes(textBetween(page, kRefreshB, "\""));
        if (!resolved.empty() || c.stop.done()) break;

        c.client.reset();
        RedirectOptions options;
        options.cookies = baiduSystemCookies();
        resolved = locationOf(c, httpOnly(address), options);
    }
    return resolved;
}

// One pass over a 360, Baidu mobile or Sogou News result address.
std::string resolveRefreshPage(LinkResolutionContext& c, const std::string& address) {
    if (!matchesAnyInList(address, redirectPatterns())) {
        return percentDecodeUtf8(textBetween(address, "link?url=", "&"));
    }
    static const std::string newsLink = std::string(kSogouNewsHost) + "/link";
    static const std::string webLink = std::string(kSogouHost) + "/link";
    const std::string probe = replaceAll(address, newsLink, webLink, Case::Ignore);
    std::string resolved;
    for (int attempt = 0; attempt < 3 && !c.stop.done(); ++attempt) {
        const std::string page = pageOf(c, probe);
        resolved = textBetween(page, kRefreshB, "\"");
        if (resolved.empty()) resolved = textBetween(page, kRefreshC, "\"");
        resolved = withoutApostrophes(resolved);
        if (!resolved.empty()) break;
    }
    return resolved;
}

}  // namespace

void makeJsessionPattern(RegexService& regex) {
    regex.create(";jsessionid=[^\\r\\n]+", true, true, true);
}

std::string clickTrackingTarget(const std::string& address) {
    std::string_view rest = address;
    for (std::string_view scheme : {"https://", "http://"}) {
        if (startsWithIgnoringCase(rest, scheme)) rest.remove_prefix(scheme.size());
    }
    const std::size_t path = rest.find('/');
    if (path == std::string_view::npos) return address;
    const std::string host = toLowerAscii(rest.substr(0, path));
    const bool bingHost = host == kBingDomain || (host.size() > kBingDomain.size() &&
                                                  host.ends_with("." + std::string(kBingDomain)));
    if (!bingHost || rest.substr(path, 6) != "/ck/a?") return address;

    const std::string value = percentDecodeBytes(queryValue(rest, "u"));
    if (value.rfind("a1", 0) != 0) return address;
    const std::optional<std::string> bytes = base64UrlDecode(std::string_view(value).substr(2));
    if (!bytes || !isValidUtf8(*bytes)) return address;
    std::string target = utf8ToGb(*bytes);
    return isWebTarget(target) ? target : address;
}

LookUpPlace lookUpPlace(const EngineProfile& engine, std::string_view outputTemplate,
                        bool resolveAlways, const std::string& address,
                        std::string_view pageTarget) {
    // The same early answers as resolveResultLink's.
    if (!resolveAlways && isWebTarget(pageTarget)) return LookUpPlace::Here;
    if (address.empty()) return LookUpPlace::Here;
    switch (engine.links) {
    case LinkRule::BaiduRedirector:
        if (!matchesAnyInList(outputTemplate, kAddressPlaceholders)) return LookUpPlace::Here;
        return findText(address, kAdvertisementMark) == kNotFound ? LookUpPlace::AnyThread
                                                                  : LookUpPlace::RunThread;
    case LinkRule::RefreshPage: {
        const std::string full = address.rfind("//", 0) == 0 ? "http:" + address : address;
        return matchesAnyInList(full, redirectPatterns()) ? LookUpPlace::AnyThread
                                                          : LookUpPlace::Here;
    }
    case LinkRule::Keep:
    case LinkRule::JumpParameter:
    case LinkRule::GoogleCleanUp:
    case LinkRule::ClickTracking:
        break;
    }
    return LookUpPlace::Here;
}

std::string resolveResultLink(LinkResolutionContext& c, const std::string& original,
                              std::string_view pageTarget) {
    // The page's own word for the target spares the engine a request.
    if (!c.resolveAlways && isWebTarget(pageTarget)) return std::string(pageTarget);
    const LinkRule rule = c.engine.links;
    if (rule == LinkRule::ClickTracking) return clickTrackingTarget(original);
    if (rule == LinkRule::GoogleCleanUp) {
        return cleanGoogleAddress(original, c.session.googleBase, c.jsessionPattern);
    }
    if (rule == LinkRule::Keep || original.empty()) return original;
    if (rule == LinkRule::BaiduRedirector &&
        !matchesAnyInList(c.outputTemplate, kAddressPlaceholders)) {
        return original;
    }

    std::string address = original;
    if (address.rfind("//", 0) == 0) address.insert(0, "http:");

    static const std::string jumpPattern = std::string(kSearch360Domain) + "/jump?";
    std::string resolved;
    for (int pass = 0; pass < kPasses && resolved.empty() && !c.stop.done(); ++pass) {
        switch (rule) {
        case LinkRule::BaiduRedirector:
            resolved = resolveBaidu(c, address);
            break;
        case LinkRule::JumpParameter:
            if (!matchesAnyInList(address, jumpPattern)) return address;
            resolved = percentDecodeBytes(textBetween(address, "?u=", "&"));
            break;
        case LinkRule::RefreshPage:
            resolved = resolveRefreshPage(c, address);
            break;
        case LinkRule::Keep:
        case LinkRule::GoogleCleanUp:
        case LinkRule::ClickTracking:
            break;
        }
    }
    return resolved.empty() ? address : resolved;
}

std::string cleanGoogleAddress(const std::string& original, const std::string& googleBase,
                               const RegexService& jsessionPattern) {
    if (original.empty()) return original;
    std::string address = original;
    const std::string x = textBetween(address, googleBase + "url?q=", "&");
    if (!x.empty()) address = x;

    std::string y;
    for (const char* marker : {"?url=", "&url="}) {
        y = textBetween(address, marker, "&");
        if (y.empty()) y = textBetween(address, marker, "");
        if (!y.empty()) break;
    }
    if (!y.empty()) address = y;

    address = jsessionPattern.replace(address, "");
    return percentDecodeUtf8(address);
}

}  // namespace lh
