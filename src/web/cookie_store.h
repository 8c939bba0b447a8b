#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace lh {

// One cookie as the store keeps it. `domain` is lower case without a leading dot;
// `hostOnly` cookies go to that exact host only. `expires` is Unix seconds, 0 for a
// cookie that lives as long as the program.
struct StoredCookie {
    std::string name;
    std::string value;
    std::string domain;
    std::string path = "/";
    bool hostOnly = true;
    bool secure = false;
    bool httpOnly = false;
    std::int64_t expires = 0;
};

// The program-wide cookie store: what `fetch` sends and keeps when its caller gives no
// cookies, and what the hidden browser shares. Thread-safe.
class CookieStore {
public:
    static CookieStore& instance();

    CookieStore() = default;
    CookieStore(const CookieStore&) = delete;
    CookieStore& operator=(const CookieStore&) = delete;

    // Files one Set-Cookie value (the text after "Set-Cookie:") received from `url`.
    // An expired cookie removes the stored one of the same name, domain and path.
    void storeSetCookie(std::string_view url, std::string_view setCookieValue);
    // Files every Set-Cookie line of a response header block received from `url`.
    void storeFromHeaders(std::string_view url, std::string_view rawHeaders);
    // Adds or replaces a cookie (same name, domain and path); an expired one removes it.
    void set(const StoredCookie& cookie);

    // The cookies a request to `url` carries, most specific path first, as cookie text
    // ("a=1; b=2"); empty when none. Secure cookies only for https.
    std::string cookieTextFor(std::string_view url, bool includeHttpOnly = true) const;
    std::vector<StoredCookie> cookiesFor(std::string_view url, bool includeHttpOnly = true) const;

    std::vector<StoredCookie> all() const;
    void clear();

private:
    struct Entry {
        StoredCookie cookie;
        std::uint64_t order;
    };
    void setLocked(const StoredCookie& cookie, std::int64_t now);

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextOrder_ = 0;
};

// The cookies the program-wide store holds for "http://" + `host`: the plain lookup
// merged with the one that includes HttpOnly cookies. With a `name`, only that pair.
std::string systemCookies(std::string_view host, std::string_view name = {});

}  // namespace lh
