#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "web/network_overrides.h"

namespace lh::test {

// One request exactly as it arrived.
struct RecordedRequest {
    std::string method;
    std::string target;                    // path and query as sent
    std::string version;                   // "HTTP/1.1"
    std::vector<std::string> headerLines;  // raw "Name: value" lines in arrival order
    std::string body;
    bool tls = false;
    int connection = 0;  // which connection carried it (1, 2, ...)

    // The first value of header `name` (any case), trimmed; empty when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
    int headerCount(std::string_view name) const;
    // Index of the first line named `name` in headerLines, -1 when absent.
    int headerIndex(std::string_view name) const;
    std::string path() const;  // target without the query
};

// What the server answers to one request.
struct ScriptedAnswer {
    int status = 200;
    std::string reason;                // empty: the usual phrase for the status
    std::vector<std::string> headers;  // raw "Name: value" lines, sent in this order
    std::string body;
    bool addContentLength = true;    // adds one unless `headers` has Content-Length
    int delayMs = 0;                 // silence before the status line
    bool dropWithoutAnswer = false;  // close the connection instead of answering
    std::size_t dropAfterBodyBytes = std::string::npos;   // close mid-body after that many
    std::size_t pauseAfterBodyBytes = std::string::npos;  // go silent mid-body ...
    int pauseMs = 0;                                      // ... for this long
    bool closeAfter = false;                              // close the connection after this answer
    bool resetOnDrop = false;     // a dropped connection is reset (RST), not closed
    std::size_t fillerBytes = 0;  // that many 'x' after `body`, made while sending
    int dripMs = 0;               // silence before every body byte

    static ScriptedAnswer html(std::string body, std::string contentType = "text/html");
    static ScriptedAnswer redirect(int status, std::string location);
    static ScriptedAnswer notFound();
};

// A real HTTP or HTTPS server on 127.0.0.1 and a free port, for tests and benchmarks.
// It records every request and answers from a script: a handler callback when one is
// set, else queued answers in order, else per-path answers, else the default (404).
// Request bodies are read by Content-Length (chunked uploads are not decoded).
// Delays and pauses end early when the server stops; the destructor stops it.
class LocalServer {
public:
    enum class Scheme { Http, Https };

    // HTTPS uses the test CA's server certificate (127.0.0.1, localhost, engine hosts).
    explicit LocalServer(Scheme scheme = Scheme::Http);
    // HTTPS with another certificate (e.g. untrustedCertFile()).
    LocalServer(const std::string& certFile, const std::string& keyFile);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    bool running() const;
    int port() const;
    bool https() const;
    // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT".
    std::string baseUrl() const;
    std::string url(std::string_view pathAndQuery) const;

    using Handler = std::function<ScriptedAnswer(const RecordedRequest&)>;
    // Called on server threads, one call per request; must be thread-safe itself.
    void setHandler(Handler handler);
    void enqueue(ScriptedAnswer answer);
    void route(std::string path, ScriptedAnswer answer);
    void setDefaultAnswer(ScriptedAnswer answer);

    std::vector<RecordedRequest> requests() const;
    std::size_t requestCount() const;
    // Connections accepted so far, the TLS handshakes completed on them, and how many of
    // those resumed an earlier session.
    int connectionCount() const;
    int tlsHandshakeCount() const;
    int tlsResumedCount() const;
    RecordedRequest lastRequest() const;  // empty record when none arrived
    void clearLog();
    // Waits (bounded) until at least `count` requests have arrived.
    bool waitForRequests(std::size_t count,
                         std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

    static std::string caFile();
    static std::string certFile();
    static std::string keyFile();
    static std::string untrustedCertFile();
    static std::string untrustedKeyFile();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Sends requests for the given hosts (on `port`, 443 for HTTPS, 80 for HTTP when 0) to
// `server` and trusts the test CA, program-wide, until destroyed; then the overrides
// are as before. Scopes nest (e.g. one for an HTTP and one for an HTTPS server).
class ScopedServerRedirect {
public:
    ScopedServerRedirect(const LocalServer& server, const std::vector<std::string>& hosts,
                         int port = 0);
    ~ScopedServerRedirect();
    ScopedServerRedirect(const ScopedServerRedirect&) = delete;
    ScopedServerRedirect& operator=(const ScopedServerRedirect&) = delete;

private:
    NetworkOverrides::Snapshot saved_;
};

// gzip (RFC 1952) of `plain`.
std::string gzipText(std::string_view plain);
// gzip of `unpackedBytes` zero bytes, made without holding them: a small body that
// unpacks to a huge one.
std::string gzipBomb(std::size_t unpackedBytes);

}  // namespace lh::test
