#pragma once

#include <string>
#include <vector>

namespace lh {

// One HTTP/1.1 exchange over libcurl, redirects followed by hand so that every hop's
// cookies and headers are under our control. Both transports of HttpClient end here.
struct TransferSpec {
    enum class Proxy { Environment, Explicit };

    std::string url;
    bool post = false;
    std::vector<std::string> headerLines;  // "Name: value", sent in this order after Host
    std::string body;                      // sent with a POST
    long connectTimeoutMs = 60000;         // name lookup, TCP and TLS handshake
    long idleTimeoutSeconds = 60;          // no byte moving for this long ends the transfer
    long overallTimeoutMs = 600000;        // hard limit for the whole exchange, redirects included
    Proxy proxyMode = Proxy::Environment;  // Environment: libcurl's proxy variables
    std::string proxy;
    std::string proxyUser;
    std::string proxyPassword;
    bool followRedirects = true;
    int maxRedirects = 10;
    // Every hop sends the program-wide store's cookies for its address (as a last Cookie
    // line) and files the cookies it receives there.
    bool useCookieStore = false;
};

struct TransferResult {
    bool completed = false;  // the last response arrived whole
    long status = 0;
    std::string rawHeaders;  // status line and header lines of the last response, CR LF
    std::string body;        // as received, possibly partial
    std::string url;         // address of the last response
};

TransferResult performTransfer(const TransferSpec& spec);

// The value of the first header `name` (any case) in a raw header block; empty if none.
std::string headerValue(const std::string& rawHeaders, const std::string& name);

}  // namespace lh
