#include "web/curl_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "textutil/program_text.h"
#include "web/cookie_store.h"
#include "web/curl_session.h"

namespace lh {

namespace {

using Clock = std::chrono::steady_clock;

// A headers-only exchange waits this long for its body before closing the connection
// (a short body lets the connection be kept), and reads at most this much of it.
constexpr auto kHeadersOnlyGrace = std::chrono::milliseconds(200);
constexpr std::size_t kHeadersOnlyBodyAllowance = 64 * 1024;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

bool append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) return false;
    (void)list.release();
    list.reset(grown);
    return true;
}

std::string headerName(const std::string& line) {
    const std::size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : trimSpaces(line.substr(0, colon));
}

bool hasHeader(const std::vector<std::string>& lines, const char* name) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return equalsIgnoreCase(headerName(line), name);
    });
}

// What arrives during one hop.
struct Sink {
    CURL* handle = nullptr;
    std::size_t limit = kDefaultBodyLimit;
    bool keepBody = true;
    std::string headers;
    std::string body;
    std::size_t bodyBytes = 0;
    bool tooLarge = false;
    bool headersComplete = false;
    Clock::time_point headersCompleteAt{};
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    if (!sink->keepBody) {
        sink->bodyBytes += n;
        return sink->bodyBytes > kHeadersOnlyBodyAllowance ? 0 : n;
    }
    if (sink->body.empty()) {
        // One allocation of the announced length instead of repeated doubling.
        curl_off_t announced = -1;
        curl_easy_getinfo(sink->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0 && static_cast<std::size_t>(announced) <= sink->limit)
            sink->body.reserve(static_cast<std::size_t>(announced));
    }
    if (!appendWithin(sink->body, std::string_view(data, n), sink->limit)) {
        sink->tooLarge = true;
        return 0;  // ends the exchange
    }
    return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    const std::string_view line(data, n);
    // Interim answers (100 Continue) come first; only the last block counts.
    if (line.starts_with("HTTP/")) {
        sink->headers.clear();
        sink->headersComplete = false;
    }
    sink->headers.append(data, n);
    if ((line == "\r\n" || line == "\n") && !sink->headers.starts_with("HTTP/1.1 1") &&
        !sink->headers.starts_with("HTTP/1.0 1")) {
        sink->headersComplete = true;
        sink->headersCompleteAt = Clock::now();
    }
    return n;
}

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

TransferFailure failureOf(CURLcode code, bool viaProxy, long tunnelStatus) {
    if (tunnelStatus >= 300) return TransferFailure::Proxy;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return TransferFailure::Dns;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_PROXY:
        return TransferFailure::Proxy;
    case CURLE_COULDNT_CONNECT:
        return viaProxy ? TransferFailure::Proxy : TransferFailure::ConnectRefused;
    case CURLE_OPERATION_TIMEDOUT:
        return TransferFailure::TimedOut;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_USE_SSL_FAILED:
        return TransferFailure::Tls;
    case CURLE_FILESIZE_EXCEEDED:
        return TransferFailure::TooLarge;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return TransferFailure::CutShort;
    default:
        return TransferFailure::Other;
    }
}

std::string firstLine(const std::string& block) {
    return block.substr(0, std::min(block.find('\r'), block.find('\n')));
}

}  // namespace

std::string headerValue(const std::string& rawHeaders, const std::string& name) {
    for (const std::string& rawLine : splitText(rawHeaders, "\n")) {
        std::string line = rawLine;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (equalsIgnoreCase(trimSpaces(line.substr(0, colon)), name))
            return trimSpaces(line.substr(colon + 1));
    }
    return {};
}

TransferResult performTransfer(const TransferSpec& spec) {
    TransferResult result;
    TransferOutcome& outcome = result.outcome;
    CurlSession& session = CurlSession::forThisThread();
    const bool viaProxy = spec.proxyMode == TransferSpec::Proxy::Explicit;

    auto deadline = Clock::now() + std::chrono::milliseconds(spec.overallTimeoutMs);
    if (spec.stop.deadline()) deadline = std::min(deadline, *spec.stop.deadline());
    std::string url = spec.url;
    bool post = spec.post;
    std::vector<std::string> lines = spec.headerLines;

    for (int hop = 0;; ++hop) {
        outcome = TransferOutcome{};
        outcome.url = url;
        result.body.clear();
        if (spec.stop.stopRequested()) {
            outcome.failure = TransferFailure::Stopped;
            outcome.reason = "stopped on request";
            break;
        }
        const long remainingMs = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (remainingMs <= 0) {
            outcome.failure = TransferFailure::TimedOut;
            outcome.reason = "overall deadline passed";
            break;
        }

        std::vector<std::string> hopLines = lines;
        if (spec.useCookieStore) {
            const std::string stored = CookieStore::instance().cookieTextFor(url);
            if (!stored.empty()) hopLines.push_back("Cookie: " + stored);
        }
        Slist headers;
        for (const std::string& line : hopLines) append(headers, line);
        // libcurl's own defaults would add lines the caller did not ask for.
        if (!hasHeader(hopLines, "Accept")) append(headers, "Accept:");
        if (!hasHeader(hopLines, "Expect")) append(headers, "Expect:");
        if (post && !hasHeader(hopLines, "Content-Type")) append(headers, "Content-Type:");

        CURL* h = session.prepare();
        if (h == nullptr) {
            outcome.failure = TransferFailure::Other;
            outcome.reason = "no transfer handle";
            break;
        }
        Sink sink;
        sink.handle = h;
        sink.limit = spec.maxBodyBytes;
        sink.keepBody = !spec.headersOnly;
        char errorText[CURL_ERROR_SIZE] = "";
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, std::max(1L, spec.connectTimeoutMs));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, std::max(1L, spec.idleTimeoutSeconds));
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, remainingMs);
        if (!spec.headersOnly) {
            curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE,
                             static_cast<curl_off_t>(spec.maxBodyBytes));
        }
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onBody);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &onHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &sink);
        curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (viaProxy) {
            curl_easy_setopt(h, CURLOPT_PROXY, spec.proxy.c_str());
            if (!spec.proxyUser.empty())
                curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, spec.proxyUser.c_str());
            if (!spec.proxyPassword.empty())
                curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, spec.proxyPassword.c_str());
        }
        if (post) {
            curl_easy_setopt(h, CURLOPT_POST, 1L);
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(spec.body.size()));
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, spec.body.data());
        } else {
            curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        }

        std::function<bool()> headersServed;
        if (spec.headersOnly) {
            headersServed = [&sink] {
                return sink.headersComplete &&
                       Clock::now() - sink.headersCompleteAt >= kHeadersOnlyGrace;
            };
        }
        const CurlSession::Result ran = session.run(spec.stop, headersServed);
        long status = 0;
        long tunnelStatus = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(h, CURLINFO_HTTP_CONNECTCODE, &tunnelStatus);
        // The options point into this hop's locals; none may outlive it.
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, nullptr);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);

        outcome.status = status;
        outcome.rawHeaders = std::move(sink.headers);
        outcome.statusLine = firstLine(outcome.rawHeaders);
        if (ran.end == CurlSession::End::Stopped) {
            outcome.failure = TransferFailure::Stopped;
            outcome.reason = "stopped on request";
        } else if (spec.headersOnly && sink.headersComplete &&
                   (ran.end == CurlSession::End::Cut || ran.code == CURLE_WRITE_ERROR ||
                    ran.code == CURLE_OK)) {
            outcome.failure = TransferFailure::None;
        } else if (sink.tooLarge) {
            outcome.failure = TransferFailure::TooLarge;
            outcome.reason = "body larger than " + std::to_string(spec.maxBodyBytes) + " bytes";
        } else if (ran.code != CURLE_OK) {
            outcome.failure = failureOf(ran.code, viaProxy, tunnelStatus);
            outcome.reason = errorText[0] != '\0' ? std::string(errorText)
                                                  : std::string(curl_easy_strerror(ran.code));
        }
        if (outcome.failure == TransferFailure::None && status >= 400) {
            outcome.failure = TransferFailure::HttpStatus;
            outcome.reason = outcome.statusLine;
        }
        if (outcome.delivered()) result.body = std::move(sink.body);
        if (spec.useCookieStore && !outcome.rawHeaders.empty()) {
            CookieStore::instance().storeFromHeaders(url, outcome.rawHeaders);
        }
        if (!outcome.delivered() || !spec.followRedirects || !isRedirect(status) ||
            hop >= spec.maxRedirects)
            break;

        char* next = nullptr;
        curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &next);
        if (next == nullptr || *next == '\0') break;
        url = next;
        if (post && status != 307 && status != 308) {
            // The browser rule: a POST answered by 301/302/303 continues as a GET.
            post = false;
            std::erase_if(lines, [](const std::string& line) {
                const std::string name = headerName(line);
                return equalsIgnoreCase(name, "Content-Length") ||
                       equalsIgnoreCase(name, "Content-Type");
            });
        }
    }
    return result;
}

}  // namespace lh
