#include "collect/result_page_fetch.h"

#include "collect/search_url.h"
#include "web/cookie_files.h"
#include "web/http_client.h"
#include "web/page_fetch.h"
#include "web/request_profiles.h"

namespace lh {

namespace {

void loadCookieFileWhenEmpty(const EngineProfile& engine, EngineSession& session,
                             const FetchSurroundings& around) {
    const std::string name = cookieFileName(engine.cookieFile);
    if (!session.cookieText.empty() || name.empty()) return;
    session.cookieText = readCookieFile(around.programFolder, name);
}

}  // namespace

std::string fetchResultPage(const EngineProfile& engine, const CollectionSettings& settings,
                            EngineSession& session, FetchSurroundings& around,
                            const std::string& url, std::string_view keyword,
                            TransferOutcome* outcome) {
    HttpClient client;
    client.useProxy(session.proxy);
    TransferOutcome ignored;
    TransferOutcome& ended = outcome != nullptr ? *outcome : ignored;
    auto fetch = [&](const FetchOptions& options) {
        FetchReply reply;
        std::string text = client.fetch(url, options, &reply);
        ended = std::move(reply.outcome);
        return text;
    };
    auto request = [&](const RequestOptions& options) {
        RequestReply reply;
        std::string text = client.request(url, options, &reply);
        ended = std::move(reply.outcome);
        return text;
    };
    auto pageFetch = [&](const std::string& address, const PageFetchOptions& options) {
        PageFetchReply reply;
        std::string text = fetchPage(address, around.wait, options, &reply);
        ended = std::move(reply.outcome);
        return text;
    };
    switch (engine.fetch) {
    case FetchRecipe::BaiduDownloadMode: {
        if (session.refererUrl.empty()) session.refererUrl = baiduDefaultReferer();
        loadCookieFileWhenEmpty(engine, session, around);
        if (settings.baiduFetchMode == 0) {
            FetchOptions options;
            options.timeoutSeconds = 50;
            options.referer = session.refererUrl;
            options.cookies = session.cookieText;
            options.headers = "User-Agent: " + session.userAgent;
            options.stop = around.stop;
            return fetch(options);
        }
        RequestOptions options;
        options.timeoutSeconds = 50;
        options.referer = session.refererUrl;
        options.cookies = session.cookieText;
        options.userAgent = session.userAgent;
        options.forgeClientAddress = true;
        options.stop = around.stop;
        return request(options);
    }
    case FetchRecipe::MobileRequest: {
        loadCookieFileWhenEmpty(engine, session, around);
        RequestOptions options;
        options.timeoutSeconds = 30;
        options.referer = session.refererUrl;
        options.cookies = session.cookieText;
        options.userAgent = std::string(kMobileUserAgent);
        options.stop = around.stop;
        return request(options);
    }
    case FetchRecipe::BareMobileRequest: {
        RequestOptions options;
        options.timeoutSeconds = 30;
        options.userAgent = std::string(kMobileUserAgent);
        options.stop = around.stop;
        return request(options);
    }
    case FetchRecipe::FetchWithSearchReferer: {
        FetchOptions options;
        options.timeoutSeconds = 30;
        options.cookies = session.cookieText;
        options.referer = search360MobileReferer(keyword);
        options.stop = around.stop;
        return fetch(options);
    }
    case FetchRecipe::PageFetch: {
        PageFetchOptions options;
        options.timeoutSeconds = 30;
        options.proxy = session.proxy;
        options.userAgent = session.userAgent;
        if (engine.sendsSessionCookies) options.cookies = session.cookieText;
        options.stop = around.stop;
        return pageFetch(engine.freshAttemptMark ? sogouAttemptUrl(url) : url, options);
    }
    case FetchRecipe::PageFetchWithViewCookies: {
        PageFetchOptions options;
        options.timeoutSeconds = 50;
        options.proxy = session.proxy;
        options.referer = session.refererUrl;
        options.userAgent = session.userAgent;
        options.cookies = around.browser.currentCookies();
        options.stop = around.stop;
        std::string page = pageFetch(url, options);
        around.browser.loadAddress(url);
        return page;
    }
    case FetchRecipe::None:
        break;
    }
    return {};
}

bool fetchesAbsolutePages(FetchRecipe recipe) {
    return recipe == FetchRecipe::PageFetch || recipe == FetchRecipe::PageFetchWithViewCookies;
}

}  // namespace lh
