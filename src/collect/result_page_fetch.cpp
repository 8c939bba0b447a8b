#include "collect/result_page_fetch.h"

#include "collect/search_engine.h"
#include "collect/verification.h"
#include "textutil/program_text.h"
#include "textutil/url_encoders.h"
#include "web/cookie_files.h"
#include "web/page_fetch.h"
#include "web/request_profiles.h"

namespace lh {

namespace {

void loadCookieFileWhenEmpty(CollectionHost& host, CollectionRun& run, SearchEngine engine) {
    const std::string name = cookieFileName(engine);
    if (!run.cookieText.empty() || name.empty()) return;
    run.cookieText = readCookieFile(host.programFolder(), name);
}

}  // namespace

std::string fetchResultPage(CollectionHost& host, CollectionRun& run, HttpClient& client,
                            const std::string& url, const std::string& keyword) {
    const CollectionSettings settings = host.settings();
    const SearchEngine engine = settings.engine;
    switch (engineFetchFamily(engine)) {
    case FetchFamily::A: {
        if (run.refererUrl.empty()) run.refererUrl = baiduDefaultReferer();
        loadCookieFileWhenEmpty(host, run, engine);
        if (settings.baiduFetchMode == 0) {
            FetchOptions options;
            options.timeoutSeconds = 50;
            options.referer = run.refererUrl;
            options.cookies = run.cookieText;
            options.headers = "User-Agent: " + run.userAgent;
            return client.fetch(url, options);
        }
        RequestOptions options;
        options.timeoutSeconds = 50;
        options.referer = run.refererUrl;
        options.cookies = run.cookieText;
        options.userAgent = run.userAgent;
        options.forgeClientAddress = true;
        return client.request(url, options);
    }
    case FetchFamily::B: {
        loadCookieFileWhenEmpty(host, run, engine);
        RequestOptions options;
        options.timeoutSeconds = 30;
        options.referer = run.refererUrl;
        options.cookies = run.cookieText;
        options.userAgent = std::string(kMobileUserAgent);
        return client.request(url, options);
    }
    case FetchFamily::BPrime: {
        RequestOptions options;
        options.timeoutSeconds = 30;
        options.userAgent = std::string(kMobileUserAgent);
        return client.request(url, options);
    }
    case FetchFamily::C: {
        FetchOptions options;
        options.timeoutSeconds = 30;
        options.cookies = run.cookieText;
        options.referer = search360MobileReferer(keyword);
        return client.fetch(url, options);
    }
    case FetchFamily::D: {
        PageFetchOptions options;
        options.timeoutSeconds = 30;
        options.userAgent = run.userAgent;
        if (engine != SearchEngine::Search360) options.cookies = run.cookieText;
        const std::string address = engine == SearchEngine::Sogou ? sogouAttemptUrl(url) : url;
        return fetchPage(address, host, options);
    }
    case FetchFamily::E: {
        PageFetchOptions options;
        options.timeoutSeconds = 50;
        options.referer = run.refererUrl;
        options.userAgent = run.userAgent;
        options.cookies = host.webViewCurrentCookies();
        std::string page = fetchPage(url, host, options);
        host.webViewLoadAddress(url);
        return page;
    }
    case FetchFamily::None:
        break;
    }
    return {};
}

}  // namespace lh
