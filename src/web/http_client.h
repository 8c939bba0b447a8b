#pragma once

#include <optional>
#include <string>

#include "textutil/program_text.h"
#include "web/body_decoding.h"
#include "web/stop_token.h"
#include "web/transfer_outcome.h"

namespace lh {

// What one transfer takes. `headers` are "Name: value" lines joined by CR LF.
struct HttpRequest {
    std::string url{};
    std::string method = "GET";  // "GET" or "POST"
    std::string proxy{};         // [scheme://]host:port; empty: libcurl's proxy variables
    std::string headers{};
    Bytes body{};           // sent with a POST
    std::string cookies{};  // Cookie header value; empty: the program-wide store's cookies
    bool noRedirect = false;
    long timeoutMs = 60000;  // connect limit and receive idle limit
    StopToken stop{};
    std::size_t maxBodyBytes = kDefaultBodyLimit;
};

// What one transfer returns. The body is empty unless a whole answer arrived: a
// transfer that failed or was cut short has no body, and `outcome` says why.
struct HttpResponse {
    Bytes body;                     // exactly as received (gzip stays packed)
    std::string responseCookies{};  // name=value; per Set-Cookie line
    std::string rawHeaders{};       // status line and header lines of the last response, CR LF
    long status = 0;                // HTTP status of the last response, 0 when none came
    TransferOutcome outcome{};
};

// `fetch` options, in the order callers usually think of them.
struct FetchOptions {
    std::string postText{};  // form data; non-empty makes a POST
    CharsetCode charset = CharsetCode::Detect;
    double timeoutSeconds = 120;  // 0 also means 120
    std::string proxy{};          // host:port
    Bytes postBytes{};            // raw POST body, preferred to postText
    std::string referer{};        // empty: the address itself
    std::string cookies{};        // empty: the program-wide store's cookies
    std::string headers{};        // extra lines, CR LF separated
    StopToken stop{};
    std::size_t maxBodyBytes = kDefaultBodyLimit;  // as received and as unpacked
};

struct FetchReply {
    std::string url{};                          // the address requested (fragment removed)
    CharsetCode charset = CharsetCode::Detect;  // Utf8 when the response headers said so
    std::string responseCookies{};
    Bytes body{};  // undecoded
    std::string rawHeaders{};
    long status = 0;
    TransferOutcome outcome{};
};

// `request` options. `charset` also takes CharsetCode::RawText and ObjectText.
struct RequestOptions {
    std::string postText{};
    CharsetCode charset = CharsetCode::Detect;
    double timeoutSeconds = 0;           // -1: the transport's own limits
    std::optional<std::string> proxy{};  // "server,user,password", "IE" or "-1"
    bool synchronous = false;            // false: the whole exchange is bounded by the wait
    Bytes postBytes{};
    std::string referer{};
    std::string cookies{};              // "-1" sends an empty Cookie header
    bool storeResponseCookies = false;  // the response's cookie text replaces cookieJar
    std::string contentType{};
    std::string userAgent{};
    std::string headers{};
    bool forgeClientAddress = false;
    StopToken stop{};
    std::size_t maxBodyBytes = kDefaultBodyLimit;  // as received and as unpacked
};

struct RequestReply {
    CharsetCode charset = CharsetCode::Detect;  // Utf8 when the response headers said so
    std::string cookies{};                      // the cookie value sent (cookieJar copied in)
    Bytes body{};
    std::string allHeaders{};  // response header lines, without status line
    long status = 0;
    TransferOutcome outcome{};
};

struct RedirectOptions {
    bool synchronous = false;
    std::string referer{};
    std::optional<std::string> cookies{};  // sent whenever given, even empty
    std::string proxy{};
    std::string userAgent{};
    std::string postText{};
    std::string headers{};
    StopToken stop{};
};

// The download object. `fetch` is the main transport: headers as a browser sends them,
// cookies from the program-wide store unless the caller gives some. `request` and
// `redirectLocation` are the second transport with its own header rules and the
// client's cookie jar. Every transfer runs on the calling thread over HTTP/1.1,
// verifies certificates, is bounded in time and in size, and ends at a stop request.
// Whatever failed, the text is empty and the reply's `outcome` says why.
class HttpClient {
public:
    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // GET (or POST with form data) and the decoded page text; empty when nothing came.
    std::string fetch(const std::string& url, const FetchOptions& options = {},
                      FetchReply* reply = nullptr);

    // The second transport: the decoded body.
    std::string request(const std::string& url, const RequestOptions& options = {},
                        RequestReply* reply = nullptr);

    // The Location header of the answer, without following it; empty when none. Only
    // the headers are read.
    std::string redirectLocation(const std::string& url, const RedirectOptions& options = {},
                                 TransferOutcome* outcome = nullptr);

    // A fresh start for the second transport: the cookie jar empties.
    void reset();

    // Every transfer of this client goes through `address` ([scheme://][user:password@]
    // host[:port], http when no scheme is named) unless its options name a proxy of their
    // own; empty: libcurl's proxy variables.
    void useProxy(std::string address) { proxy_ = std::move(address); }

    // Cookie text (full Set-Cookie values) of the last `request` response.
    const std::string& responseCookieText() const { return lastResponseCookies_; }
    const std::string& cookieJar() const { return cookieJar_; }

    // The forged client-address header block (three lines, one random address).
    static std::string forgedClientHeaders();

    // One transfer with `fetch`'s header rules applied to the record's header block.
    static HttpResponse runTransfer(const HttpRequest& request);

private:
    std::string proxy_;
    std::string cookieJar_;
    std::string lastResponseCookies_;
};

}  // namespace lh
