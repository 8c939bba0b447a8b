#include "collect/proxy_rotation.h"

#include <algorithm>
#include <cctype>

#include "textutil/program_text.h"

namespace lh {

std::vector<std::string> proxyAddresses(std::string_view list) {
    std::vector<std::string> addresses;
    std::size_t from = 0;
    while (from <= list.size()) {
        std::size_t end = list.find('\n', from);
        if (end == std::string_view::npos) end = list.size();
        std::string_view piece = list.substr(from, end - from);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        const std::string line = trimSpaces(piece);
        from = end + 1;
        if (line.empty() || line[0] == '#') continue;
        if (std::find(addresses.begin(), addresses.end(), line) == addresses.end())
            addresses.push_back(line);
    }
    return addresses;
}

std::string proxyAddressProblem(std::string_view address) {
    std::string_view rest = address;
    if (const std::size_t scheme = rest.find("://"); scheme != std::string_view::npos) {
        static constexpr std::string_view kSchemes[] = {"http",    "https",  "socks4",
                                                         "socks4a", "socks5", "socks5h"};
        std::string name(rest.substr(0, scheme));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (std::find(std::begin(kSchemes), std::end(kSchemes), name) == std::end(kSchemes))
            return "'" + name + "' is not a proxy scheme (http, https, socks4, socks5...)";
        rest.remove_prefix(scheme + 3);
    }
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.empty()) return "names no host";
    for (const char c : rest) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 0x7f || c == '/' || c == '?' || c == '#')
            return "is not a host[:port]";
    }
    // [v6]:port or host:port; a bracketed address keeps its own colons.
    const std::size_t close = rest.rfind(']');
    const std::size_t colon = rest.rfind(':');
    if (colon != std::string_view::npos && (close == std::string_view::npos || colon > close)) {
        const std::string_view port = rest.substr(colon + 1);
        const bool digits =
            !port.empty() && port.size() <= 5 &&
            std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || std::stoi(std::string(port)) > 65535) return "has no valid port";
        if (colon == 0) return "names no host";
    }
    return {};
}

std::string shownProxy(std::string_view address) {
    const std::size_t scheme = address.find("://");
    const std::size_t start = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t at = address.rfind('@');
    if (at == std::string_view::npos || at < start) return std::string(address);
    const std::size_t colon = address.find(':', start);
    if (colon == std::string_view::npos || colon > at) return std::string(address);
    return std::string(address.substr(0, colon + 1)) + "***" + std::string(address.substr(at));
}

ProxyRotation::ProxyRotation(std::vector<std::string> proxies)
    : proxies_(std::move(proxies)), inUse_(proxies_.size(), true), turn_(proxies_.size() - 1) {}

bool ProxyRotation::next(std::string& proxy) {
    if (proxies_.empty()) {
        proxy.clear();
        return true;
    }
    for (std::size_t step = 1; step <= proxies_.size(); ++step) {
        const std::size_t at = (turn_ + step) % proxies_.size();
        if (!inUse_[at]) continue;
        turn_ = at;
        proxy = proxies_[at];
        return true;
    }
    return false;
}

void ProxyRotation::setAside(const std::string& proxy) {
    for (std::size_t i = 0; i < proxies_.size(); ++i) {
        if (proxies_[i] != proxy || !inUse_[i]) continue;
        inUse_[i] = false;
        failed_.push_back(proxy);
    }
}

}  // namespace lh
