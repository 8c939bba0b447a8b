#include "web/http_client.h"

#include <cmath>
#include <utility>
#include <vector>

#include "web/cookie_text.h"
#include "web/curl_transfer.h"
#include "web/request_profiles.h"

namespace lh {

namespace {

bool hasWebScheme(std::string_view url) {
    return findText(url, "http://", 0, Case::Ignore) == 0 ||
           findText(url, "https://", 0, Case::Ignore) == 0;
}

std::string withoutFragment(const std::string& url) {
    const std::size_t hash = url.find('#');
    return hash == std::string::npos ? url : url.substr(0, hash);
}

std::vector<std::string> nonEmptyLines(std::string_view block) {
    std::vector<std::string> lines;
    for (std::string& line : splitText(block, "\r\n")) {
        if (!line.empty()) lines.push_back(std::move(line));
    }
    return lines;
}

bool lineNamed(const std::string& line, std::string_view name) {
    const std::size_t colon = line.find(':');
    return colon != std::string::npos && equalsIgnoreCase(trimSpaces(line.substr(0, colon)), name);
}

// The request-object transport's headers: setting a name again replaces it in place.
class HeaderList {
public:
    void set(std::string name, std::string value) {
        if (equalsIgnoreCase(name, "referer") && !hasWebScheme(value)) value = "http://" + value;
        for (auto& item : items_) {
            if (equalsIgnoreCase(item.first, name)) {
                item = {std::move(name), std::move(value)};
                return;
            }
        }
        items_.emplace_back(std::move(name), std::move(value));
    }

    // Caller lines: each split at ": ", both of the first two pieces non-empty.
    void setLines(std::string_view block) {
        for (const std::string& line : splitText(block, "\r\n")) {
            const std::vector<std::string> pieces = splitText(line, ": ");
            if (pieces.size() >= 2 && !pieces[0].empty() && !pieces[1].empty())
                set(pieces[0], pieces[1]);
        }
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        // "Name;" is how libcurl is told to send a header with an empty value.
        for (const auto& [name, value] : items_)
            out.push_back(value.empty() ? name + ";" : name + ": " + value);
        return out;
    }

private:
    std::vector<std::pair<std::string, std::string>> items_;
};

void applyRequestProxy(TransferSpec& spec, const std::string& proxyText) {
    // "IE" stands for the system's proxy setting: libcurl's proxy variables.
    if (proxyText == "IE" || proxyText == "-1") return;
    const std::vector<std::string> parts = splitText(proxyText, ",");
    if (parts[0].empty()) return;
    spec.proxyMode = TransferSpec::Proxy::Explicit;
    spec.proxy = parts[0];
    if (parts.size() >= 3 && !parts[1].empty() && !parts[2].empty()) {
        spec.proxyUser = parts[1];
        spec.proxyPassword = parts[2];
    }
}

std::string normalisedAddress(const std::string& url) {
    std::string address = trimSpaces(url);
    if (address.empty()) return address;
    if (!hasWebScheme(address)) address = "http://" + address;
    return withoutFragment(address);
}

// Header lines of a response without its status line, as the request object lists them.
std::string headerLinesOnly(const std::string& rawHeaders) {
    const std::size_t firstBreak = rawHeaders.find("\r\n");
    if (rawHeaders.rfind("HTTP/", 0) != 0 || firstBreak == std::string::npos) return rawHeaders;
    return rawHeaders.substr(firstBreak + 2);
}

// Decodes a delivered body; one that unpacks past the limit turns the outcome into a
// failure and gives no text.
std::string decodeDelivered(std::string_view body, CharsetCode charset, std::size_t limit,
                            TransferOutcome& outcome) {
    DecodedBody decoded = decodeBodyWithin(body, charset, limit);
    if (decoded.tooLarge) {
        outcome.failure = TransferFailure::TooLarge;
        outcome.reason = "body unpacks to more than " + std::to_string(limit) + " bytes";
    }
    return std::move(decoded.text);
}

// The response decoded by its declared charset (UTF-8 when it names none).
std::string objectText(const std::string& body, const std::string& allHeaders) {
    const std::string contentType = headerValue(allHeaders, "Content-Type");
    std::string charset = "UTF-8";
    const std::size_t at = findText(contentType, "charset=", 0, Case::Ignore);
    if (at != kNotFound) {
        charset = contentType.substr(at + 8);
        const std::size_t end = charset.find_first_of("; ");
        if (end != std::string::npos) charset.resize(end);
        std::erase(charset, '"');
        std::erase(charset, '\'');
    }
    if (body.empty()) return {};
    bool ok = false;
    std::string text = convertCharset(body, charset.c_str(), "GB18030", &ok);
    return text.empty() ? body : text;
}

}  // namespace

std::string HttpClient::forgedClientHeaders() { return lh::forgedClientHeaders(); }

HttpResponse HttpClient::runTransfer(const HttpRequest& request) {
    HttpResponse response;
    std::string address = trimSpaces(request.url);
    if (address.empty()) {
        response.outcome.failure = TransferFailure::Other;
        response.outcome.reason = "no address";
        return response;
    }
    if (!hasWebScheme(address)) address = "http://" + address;
    const bool post = request.method == "POST";

    std::string block = request.headers;
    std::string agent(kTransportUserAgent);
    if (containsText(block, "User-Agent:", Case::Ignore)) {
        // The agent is cut case-sensitively: a line in another spelling names no agent,
        // and then the caller's line alone goes out.
        agent.clear();
        const std::size_t at = findText(block, "User-Agent:");
        if (at != kNotFound) {
            const std::size_t from = at + 11;
            const std::size_t end = findText(block, "\r\n", from);
            if (end != kNotFound)
                agent = trimSpaces(std::string_view(block).substr(from, end - from));
        }
    }
    if (!block.empty()) block += "\r\n";
    if (!containsText(block, "Accept", Case::Ignore))
        block += "Accept: " + std::string(kFetchAccept) + "\r\n";
    if (!containsText(block, "Referer", Case::Ignore)) block += "Referer: " + address + "\r\n";
    if (!containsText(block, "Accept-Language", Case::Ignore))
        block += "Accept-Language: zh-cn\r\n";
    if (post && !request.body.empty()) {
        if (!containsText(block, "Content-Type", Case::Ignore)) {
            block += "Content-Type: " + std::string(kFormContentType) + "\r\n";
        }
        if (!containsText(block, "Content-Length", Case::Ignore)) {
            block += "Content-Length: " + std::to_string(request.body.size()) + "\r\n";
        }
    }
    const bool callerCookies = !trimSpaces(request.cookies).empty();
    if (callerCookies) block += "Cookie: " + request.cookies + "\r\n\r\n";

    TransferSpec spec;
    spec.url = address;
    spec.post = post;
    spec.headerLines = nonEmptyLines(block);
    bool namedAgent = false;
    for (const std::string& line : spec.headerLines)
        namedAgent = namedAgent || lineNamed(line, "User-Agent");
    if (!namedAgent && !agent.empty())
        spec.headerLines.insert(spec.headerLines.begin(), "User-Agent: " + agent);
    spec.body = fromBytes(request.body);
    const long timeoutMs = request.timeoutMs >= 1 ? request.timeoutMs : 60000;
    spec.connectTimeoutMs = timeoutMs;
    spec.idleTimeoutSeconds = std::max(1L, (timeoutMs + 999) / 1000);
    spec.overallTimeoutMs = 3 * timeoutMs;  // connect, send and receive
    spec.stop = request.stop;
    spec.maxBodyBytes = request.maxBodyBytes;
    if (!request.proxy.empty()) {
        spec.proxyMode = TransferSpec::Proxy::Explicit;
        spec.proxy = request.proxy.find("://") == std::string::npos ? "http://" + request.proxy
                                                                    : request.proxy;
    }
    spec.followRedirects = !request.noRedirect;
    spec.useCookieStore = !callerCookies;

    TransferResult result = performTransfer(spec);
    response.body = toBytes(result.body);
    response.rawHeaders = result.outcome.rawHeaders;
    response.responseCookies = responseCookies(response.rawHeaders);
    response.status = result.outcome.status;
    response.outcome = std::move(result.outcome);
    return response;
}

std::string HttpClient::fetch(const std::string& url, const FetchOptions& options,
                              FetchReply* reply) {
    const std::string address = withoutFragment(url);
    Bytes postBytes = options.postBytes.empty() ? toBytes(options.postText) : options.postBytes;

    HttpRequest request;
    request.url = address;
    request.method = (!options.postText.empty() || !postBytes.empty()) ? "POST" : "GET";
    request.proxy = options.proxy.empty() ? proxy_ : options.proxy;
    const std::string referer = options.referer.empty() ? trimSpaces(address) : options.referer;
    request.headers = options.headers + "\r\nReferer: " + referer;
    request.body = std::move(postBytes);
    request.cookies = options.cookies;
    request.noRedirect = false;
    double seconds = options.timeoutSeconds;
    if (std::fabs(seconds) <= 1e-7) seconds = 120;
    const long wholeSeconds = static_cast<long>(seconds);
    request.timeoutMs = wholeSeconds >= 1 ? wholeSeconds * 1000 : 60000;
    request.stop = options.stop;
    request.maxBodyBytes = options.maxBodyBytes;

    HttpResponse response = runTransfer(request);

    CharsetCode charset = options.charset;
    if (charset == CharsetCode::Detect && headersDeclareUtf8(response.rawHeaders))
        charset = CharsetCode::Utf8;
    const std::string_view raw(reinterpret_cast<const char*>(response.body.data()),
                               response.body.size());
    std::string text = decodeDelivered(raw, charset, options.maxBodyBytes, response.outcome);
    if (!response.outcome.delivered()) response.body.clear();
    if (reply != nullptr) {
        reply->url = address;
        reply->charset = charset;
        reply->responseCookies = std::move(response.responseCookies);
        reply->body = std::move(response.body);
        reply->rawHeaders = std::move(response.rawHeaders);
        reply->status = response.status;
        reply->outcome = std::move(response.outcome);
    }
    return text;
}

std::string HttpClient::request(const std::string& url, const RequestOptions& options,
                                RequestReply* reply) {
    const bool post = !options.postText.empty() || !options.postBytes.empty();
    const std::string trimmed = trimSpaces(url);
    const std::string address = normalisedAddress(url);

    HeaderList headers;
    headers.set("Referer", options.referer.empty() ? trimmed : options.referer);
    if (!containsText(options.headers, "Content-Type:")) {
        headers.set("Content-Type", options.contentType.empty() ? std::string(kFormContentType)
                                                                : options.contentType);
    }
    if (!containsText(options.headers, "User-Agent:")) {
        headers.set("User-Agent", options.userAgent.empty() ? std::string(kTransportUserAgent)
                                                            : options.userAgent);
    }
    std::string extra = options.headers;
    if (options.forgeClientAddress) {
        if (!extra.empty()) extra += "\r\n";
        extra += forgedClientHeaders();
    }
    headers.setLines(extra);
    std::string cookies = options.cookies;
    if (!cookieJar_.empty() && cookies.empty()) cookies = cookieJar_;
    if (cookies == "-1") {
        headers.set("Cookie", "");
    } else if (!cookies.empty()) {
        headers.set("Cookie", cookies);
    }

    TransferSpec spec;
    spec.url = address;
    spec.post = post;
    spec.headerLines = headers.lines();
    spec.body = !options.postBytes.empty() ? fromBytes(options.postBytes) : options.postText;
    const double t = options.timeoutSeconds;
    long sendMs = 0;
    if (std::fabs(t + 1) <= 1e-7) {
        spec.connectTimeoutMs = 60000;  // the request object's own limits
        sendMs = 30000;
        spec.idleTimeoutSeconds = 30;
    } else if (t < 1 - 1e-7) {
        spec.connectTimeoutMs = 10000 + 10000;
        sendMs = 60000;
        spec.idleTimeoutSeconds = 120;
    } else {
        spec.connectTimeoutMs = 2 * static_cast<long>(t * 500);
        sendMs = static_cast<long>(t * 1000);
        spec.idleTimeoutSeconds = std::max(1L, static_cast<long>(t));
    }
    const long waitSeconds = t >= 1 ? static_cast<long>(t) : 120;
    // Synchronous: the request object's phases one after the other (connect, send,
    // receive); otherwise the wait bounds the whole exchange.
    spec.overallTimeoutMs = options.synchronous
                                ? spec.connectTimeoutMs + sendMs + spec.idleTimeoutSeconds * 1000
                                : waitSeconds * 1000;
    spec.stop = options.stop;
    spec.maxBodyBytes = options.maxBodyBytes;
    if (options.proxy) {
        applyRequestProxy(spec, *options.proxy);
    } else if (!proxy_.empty()) {
        spec.proxyMode = TransferSpec::Proxy::Explicit;
        spec.proxy = proxy_;
    }

    TransferResult result;
    if (!address.empty()) {
        result = performTransfer(spec);
    } else {
        result.outcome.failure = TransferFailure::Other;
        result.outcome.reason = "no address";
    }
    const std::string allHeaders = headerLinesOnly(result.outcome.rawHeaders);
    lastResponseCookies_ = requestCookieText(allHeaders);
    if (options.storeResponseCookies) cookieJar_ = lastResponseCookies_;

    CharsetCode charset = options.charset;
    std::string text;
    if (charset == CharsetCode::ObjectText) {
        text = objectText(result.body, allHeaders);
    } else if (charset == CharsetCode::RawText) {
        text = result.body;
    } else {
        if (charset == CharsetCode::Detect && headersDeclareUtf8(allHeaders))
            charset = CharsetCode::Utf8;
        text = decodeDelivered(result.body, charset, options.maxBodyBytes, result.outcome);
        if (!result.outcome.delivered()) result.body.clear();
    }
    if (reply != nullptr) {
        reply->charset = charset;
        reply->cookies = cookies;
        reply->body = toBytes(result.body);
        reply->allHeaders = allHeaders;
        reply->status = result.outcome.status;
        reply->outcome = std::move(result.outcome);
    }
    return text;
}

std::string HttpClient::redirectLocation(const std::string& url, const RedirectOptions& options,
                                         TransferOutcome* outcome) {
    const std::string address = normalisedAddress(url);
    if (address.empty()) {
        if (outcome != nullptr)
            *outcome = {.failure = TransferFailure::Other, .reason = "no address"};
        return {};
    }
    HeaderList headers;
    headers.set("User-Agent",
                options.userAgent.empty() ? std::string(kTransportUserAgent) : options.userAgent);
    headers.set("Accept-Language", "zh-cn");
    headers.set("Connection", "Keep-Alive");
    headers.set("Accept", std::string(kRedirectProbeAccept));
    headers.set("Referer", options.referer.empty() ? trimSpaces(url) : options.referer);
    if (options.cookies) headers.set("Cookie", *options.cookies);
    headers.setLines(options.headers);

    TransferSpec spec;
    spec.url = address;
    spec.post = !options.postText.empty();
    spec.body = options.postText;
    spec.headerLines = headers.lines();
    spec.followRedirects = false;
    spec.headersOnly = true;
    spec.connectTimeoutMs = 5000 + 5000;
    spec.idleTimeoutSeconds = 5;
    // Synchronous: resolve, connect, send and receive one after the other.
    spec.overallTimeoutMs =
        options.synchronous ? 5000 + 5000 + 10000 + 5000 : (spec.post ? 100000 : 25000);
    spec.stop = options.stop;
    if (!options.proxy.empty()) {
        applyRequestProxy(spec, options.proxy);
    } else if (!proxy_.empty()) {
        spec.proxyMode = TransferSpec::Proxy::Explicit;
        spec.proxy = proxy_;
    }
    TransferResult result = performTransfer(spec);
    std::string location =
        result.outcome.delivered() ? headerValue(result.outcome.rawHeaders, "Location") : "";
    if (outcome != nullptr) *outcome = std::move(result.outcome);
    return location;
}

void HttpClient::reset() { cookieJar_.clear(); }

}  // namespace lh
