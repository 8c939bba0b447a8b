#include "web/curl_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "textutil/program_text.h"
#include "web/cookie_store.h"
#include "web/network_overrides.h"

namespace lh {

namespace {

void ensureCurlInitialised() {
    static const bool initialised = [] {
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    (void)initialised;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

bool append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) return false;
    list.release();
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

struct Sink {
    std::string headers;
    std::string body;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    static_cast<Sink*>(user)->body.append(data, size * count);
    return size * count;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    // Interim answers (100 Continue) come first; only the last block counts.
    if (n >= 5 && std::string_view(data, 5) == "HTTP/") sink->headers.clear();
    sink->headers.append(data, n);
    return n;
}

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
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
    ensureCurlInitialised();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return result;
    CURL* h = easy.get();

    const NetworkOverrides::Snapshot overrides = NetworkOverrides::instance().snapshot();
    Slist connectTo;
    for (const std::string& entry : overrides.connectTo) append(connectTo, entry);

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(spec.overallTimeoutMs);
    std::string url = spec.url;
    bool post = spec.post;
    std::vector<std::string> lines = spec.headerLines;

    for (int hop = 0;; ++hop) {
        const long remainingMs =
            static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count());
        if (remainingMs <= 0) break;

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

        curl_easy_reset(h);
        Sink sink;
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(h, CURLOPT_HTTP_CONTENT_DECODING, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, std::max(1L, spec.connectTimeoutMs));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, std::max(1L, spec.idleTimeoutSeconds));
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, remainingMs);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onBody);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &onHeader);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &sink);
        if (connectTo) curl_easy_setopt(h, CURLOPT_CONNECT_TO, connectTo.get());
        curl_blob caBlob{};
        if (overrides.caBundle) {
            caBlob.data = const_cast<char*>(overrides.caBundle->data());
            caBlob.len = overrides.caBundle->size();
            caBlob.flags = CURL_BLOB_NOCOPY;
            curl_easy_setopt(h, CURLOPT_CAINFO_BLOB, &caBlob);
        }
        if (spec.proxyMode == TransferSpec::Proxy::Explicit) {
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

        const CURLcode rc = curl_easy_perform(h);
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        result.status = status;
        result.rawHeaders = std::move(sink.headers);
        result.body = std::move(sink.body);
        result.url = url;
        result.completed = rc == CURLE_OK;
        if (spec.useCookieStore && !result.rawHeaders.empty()) {
            CookieStore::instance().storeFromHeaders(url, result.rawHeaders);
        }
        if (rc != CURLE_OK || !spec.followRedirects || !isRedirect(status) ||
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
