#include "web/cookie_store.h"

#include <curl/curl.h>

#include <algorithm>
#include <ctime>
#include <memory>

#include "textutil/program_text.h"
#include "web/cookie_text.h"

namespace lh {

namespace {

struct UrlParts {
    bool valid = false;
    bool https = false;
    std::string host;
    std::string path = "/";
};

UrlParts splitUrl(std::string_view url) {
    UrlParts parts;
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), &curl_url_cleanup);
    if (!handle) return parts;
    const std::string text(url);
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
        CURLUE_OK) {
        return parts;
    }
    auto get = [&](CURLUPart part) {
        char* value = nullptr;
        std::string out;
        if (curl_url_get(handle.get(), part, &value, 0) == CURLUE_OK && value != nullptr)
            out = value;
        curl_free(value);
        return out;
    };
    parts.host = toLowerAscii(get(CURLUPART_HOST));
    parts.https = equalsIgnoreCase(get(CURLUPART_SCHEME), "https");
    parts.path = get(CURLUPART_PATH);
    if (parts.path.empty() || parts.path[0] != '/') parts.path = "/";
    parts.valid = !parts.host.empty();
    return parts;
}

std::string trimmed(std::string_view s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const std::size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

std::string defaultPath(const std::string& requestPath) {
    const std::size_t slash = requestPath.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return requestPath.substr(0, slash);
}

bool domainMatches(const StoredCookie& c, const std::string& host) {
    if (host == c.domain) return true;
    if (c.hostOnly) return false;
    return host.size() > c.domain.size() &&
           host.compare(host.size() - c.domain.size(), c.domain.size(), c.domain) == 0 &&
           host[host.size() - c.domain.size() - 1] == '.';
}

bool pathMatches(const std::string& cookiePath, const std::string& requestPath) {
    if (requestPath == cookiePath) return true;
    if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
    return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::int64_t nowSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

bool expiredAt(const StoredCookie& c, std::int64_t now) {
    return c.expires != 0 && c.expires <= now;
}

}  // namespace

CookieStore& CookieStore::instance() {
    static CookieStore store;
    return store;
}

void CookieStore::storeSetCookie(std::string_view url, std::string_view setCookieValue) {
    const UrlParts parts = splitUrl(url);
    if (!parts.valid) return;
    const std::vector<std::string> fields = splitText(setCookieValue, ";");
    const std::size_t eq = fields[0].find('=');
    if (eq == std::string::npos) return;
    StoredCookie cookie;
    cookie.name = trimmed(std::string_view(fields[0]).substr(0, eq));
    cookie.value = trimmed(std::string_view(fields[0]).substr(eq + 1));
    if (cookie.name.empty()) return;
    cookie.domain = parts.host;
    cookie.path = defaultPath(parts.path);

    const std::int64_t now = nowSeconds();
    bool haveMaxAge = false;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::string field = trimmed(fields[i]);
        const std::size_t feq = field.find('=');
        const std::string key = toLowerAscii(trimmed(field.substr(0, feq)));
        const std::string value =
            feq == std::string::npos ? std::string() : trimmed(field.substr(feq + 1));
        if (key == "domain" && !value.empty()) {
            std::string domain = toLowerAscii(value);
            while (!domain.empty() && domain[0] == '.') domain.erase(0, 1);
            StoredCookie probe;
            probe.domain = domain;
            probe.hostOnly = false;
            // A server may only set cookies for its own domain or a parent of it.
            if (domain.empty() || !domainMatches(probe, parts.host)) return;
            cookie.domain = domain;
            cookie.hostOnly = false;
        } else if (key == "path") {
            cookie.path = (!value.empty() && value[0] == '/') ? value : defaultPath(parts.path);
        } else if (key == "secure") {
            cookie.secure = true;
        } else if (key == "httponly") {
            cookie.httpOnly = true;
        } else if (key == "max-age" && !value.empty()) {
            haveMaxAge = true;
            const long long seconds = toInteger(value);
            cookie.expires = seconds <= 0 ? 1 : now + seconds;
        } else if (key == "expires" && !haveMaxAge && !value.empty()) {
            const std::int64_t when = curl_getdate(value.c_str(), nullptr);
            if (when != -1) cookie.expires = when <= 0 ? 1 : when;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    setLocked(cookie, now);
}

void CookieStore::storeFromHeaders(std::string_view url, std::string_view rawHeaders) {
    static constexpr std::string_view kName = "set-cookie:";
    std::size_t start = 0;
    while (start < rawHeaders.size()) {
        std::size_t end = rawHeaders.find('\n', start);
        if (end == std::string_view::npos) end = rawHeaders.size();
        std::string_view line = rawHeaders.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kName.size() && equalsIgnoreCase(line.substr(0, kName.size()), kName)) {
            storeSetCookie(url, line.substr(kName.size()));
        }
        start = end + 1;
    }
}

void CookieStore::set(const StoredCookie& cookie) {
    if (cookie.name.empty() || cookie.domain.empty()) return;
    StoredCookie clean = cookie;
    clean.domain = toLowerAscii(clean.domain);
    while (!clean.domain.empty() && clean.domain[0] == '.') clean.domain.erase(0, 1);
    if (clean.path.empty() || clean.path[0] != '/') clean.path = "/";
    std::lock_guard<std::mutex> lock(mutex_);
    setLocked(clean, nowSeconds());
}

void CookieStore::setLocked(const StoredCookie& cookie, std::int64_t now) {
    auto same = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.cookie.name == cookie.name && e.cookie.domain == cookie.domain &&
               e.cookie.path == cookie.path;
    });
    if (expiredAt(cookie, now)) {
        if (same != entries_.end()) entries_.erase(same);
        return;
    }
    if (same != entries_.end()) {
        same->cookie = cookie;  // a replaced cookie keeps its place in the order
    } else {
        entries_.push_back({cookie, nextOrder_++});
    }
}

std::vector<StoredCookie> CookieStore::cookiesFor(std::string_view url,
                                                  bool includeHttpOnly) const {
    std::vector<StoredCookie> result;
    const UrlParts parts = splitUrl(url);
    if (!parts.valid) return result;
    const std::int64_t now = nowSeconds();
    std::vector<const Entry*> matching;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Entry& e : entries_) {
            const StoredCookie& c = e.cookie;
            if (expiredAt(c, now) || (c.secure && !parts.https) || (c.httpOnly && !includeHttpOnly))
                continue;
            if (!domainMatches(c, parts.host) || !pathMatches(c.path, parts.path)) continue;
            matching.push_back(&e);
        }
        std::stable_sort(matching.begin(), matching.end(), [](const Entry* a, const Entry* b) {
            if (a->cookie.path.size() != b->cookie.path.size())
                return a->cookie.path.size() > b->cookie.path.size();
            return a->order < b->order;
        });
        for (const Entry* e : matching) result.push_back(e->cookie);
    }
    return result;
}

std::string CookieStore::cookieTextFor(std::string_view url, bool includeHttpOnly) const {
    std::string text;
    for (const StoredCookie& c : cookiesFor(url, includeHttpOnly)) {
        if (!text.empty()) text += "; ";
        text += c.name + "=" + c.value;
    }
    return text;
}

std::vector<StoredCookie> CookieStore::all() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<StoredCookie> result;
    for (const Entry& e : entries_) result.push_back(e.cookie);
    return result;
}

void CookieStore::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

std::string systemCookies(std::string_view host, std::string_view name) {
    const std::string url = "http://" + std::string(host);
    const CookieStore& store = CookieStore::instance();
    const std::string text =
        mergeCookieTexts(store.cookieTextFor(url, false), store.cookieTextFor(url, true));
    if (!name.empty()) return cookieByName(text, name, false);
    return text;
}

}  // namespace lh
