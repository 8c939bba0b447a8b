#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lh {

// The proxy addresses of a list (program text, one a line): lines trimmed, blank lines
// and lines starting with '#' left out, each address once, in list order.
std::vector<std::string> proxyAddresses(std::string_view list);

// Why `address` cannot be a proxy address ([scheme://][user:password@]host[:port], a
// scheme of http, https, socks4, socks4a, socks5 or socks5h); empty when it can.
std::string proxyAddressProblem(std::string_view address);

// The address as it may be shown: a password in it replaced by "***".
std::string shownProxy(std::string_view address);

// Hands a run's proxies to its keywords in turn. A proxy that failed to connect is set
// aside for the rest of the run; without proxies the rotation hands out the empty
// address (the system's proxy settings) for ever.
class ProxyRotation {
public:
    ProxyRotation() = default;
    explicit ProxyRotation(std::vector<std::string> proxies);

    bool rotates() const { return !proxies_.empty(); }
    // The next proxy still in use, after the one handed out last; false when every one
    // is set aside.
    bool next(std::string& proxy);
    // Sets `proxy` aside; a proxy not in the list, or set aside already, changes nothing.
    void setAside(const std::string& proxy);
    // The proxies set aside, in the order they failed.
    const std::vector<std::string>& setAsideSoFar() const { return failed_; }

private:
    std::vector<std::string> proxies_;
    std::vector<bool> inUse_;
    std::vector<std::string> failed_;
    std::size_t turn_ = 0;
};

}  // namespace lh
