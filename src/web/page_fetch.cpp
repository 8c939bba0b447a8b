#include "web/page_fetch.h"

#include "textutil/absolutise_links.h"
#include "textutil/html_redirect.h"
#include "web/http_client.h"

namespace lh {

namespace {

constexpr int kAttempts = 3;
constexpr long long kRetryPauseMs = 1000;

}  // namespace

std::string fetchPage(const std::string& target, EventWait& wait, const PageFetchOptions& options,
                      PageFetchReply* reply) {
    const std::vector<std::string> parts = splitText(target, "|");
    std::string address = parts[0];
    const std::string form = parts.size() > 1 ? parts[1] : std::string();

    HttpClient client;
    FetchOptions fetchOptions;
    fetchOptions.postText = form;
    fetchOptions.charset = options.charset;
    fetchOptions.timeoutSeconds = options.timeoutSeconds == 0 ? 60 : options.timeoutSeconds;
    fetchOptions.proxy = options.proxy;
    fetchOptions.referer = options.referer;
    fetchOptions.cookies = options.cookies;
    fetchOptions.stop = options.stop;
    fetchOptions.maxBodyBytes = options.maxBodyBytes;
    fetchOptions.headers =
        (options.userAgent.empty() ? std::string() : "User-Agent: " + options.userAgent) + "\r\n" +
        (options.contentType.empty() ? std::string() : "Content-Type: " + options.contentType);

    std::string page;
    FetchReply last;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        page = client.fetch(address, fetchOptions, &last);
        address = last.url;
        // Once the headers of one attempt said UTF-8, the next attempts decode as UTF-8.
        fetchOptions.charset = last.charset;
        if (options.stop.done()) break;
        if (!detectRedirect(page, address).empty()) continue;
        if (!page.empty()) break;
        wait.waitWithEvents(options.stop.waitMs(kRetryPauseMs), options.stop.flag());
        if (options.stop.done()) break;
    }

    std::string result(absolutisedPage(address, page));
    if (reply != nullptr) {
        reply->url = address;
        reply->charset = fetchOptions.charset;
        reply->body = std::move(last.body);
        reply->responseCookies = std::move(last.responseCookies);
        reply->outcome = std::move(last.outcome);
    }
    return result;
}

}  // namespace lh
