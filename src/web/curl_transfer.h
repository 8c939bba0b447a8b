#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "web/body_decoding.h"
#include "web/stop_token.h"
#include "web/transfer_outcome.h"

namespace lh {

// One HTTP/1.1 exchange over libcurl, redirects followed by hand so that every hop's
// cookies and headers are under our control. Both transports of HttpClient end here.
// Connections stay open per host for the next exchange on the same thread.
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
    StopToken stop;
    std::size_t maxBodyBytes = kDefaultBodyLimit;  // a longer body fails as TooLarge
    // Only the headers matter: the body is not kept, and the exchange ends soon after the
    // headers when the body is slow or long.
    bool headersOnly = false;
};

struct TransferResult {
    TransferOutcome outcome;
    std::string body;  // as received (gzip stays packed); empty unless the answer was delivered
};

TransferResult performTransfer(const TransferSpec& spec);

// The value of the first header `name` (any case) in a raw header block; empty if none.
std::string headerValue(const std::string& rawHeaders, const std::string& name);

}  // namespace lh
