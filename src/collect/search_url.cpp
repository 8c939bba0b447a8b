#include "collect/search_engine.h"

#include "collect/collection_run.h"
#include "collect/collection_settings.h"
#include "textutil/url_encoders.h"

namespace lh {

namespace {

std::string number(long long value) { return std::to_string(value); }

}  // namespace

std::string buildSearchUrl(const CollectionSettings& settings, const CollectionRun& run,
                           std::string_view keyword, long long page) {
    if (page < 1) return {};
    const long long perPage = settings.resultsPerPage();
    const long long c = perPage > 10 ? perPage : 10;
    const std::string host = [&] {
        switch (settings.engine) {
        case SearchEngine::Baidu:
        case SearchEngine::BaiduNews:
            return std::string(kBaiduHost);
        case SearchEngine::Sogou:
            return std::string(kSogouHost);
        case SearchEngine::SogouNews:
            return std::string(kSogouNewsHost);
        case SearchEngine::Search360:
            return std::string(kSearch360Host);
        case SearchEngine::BaiduMobile:
            return std::string(kBaiduMobileHost);
        case SearchEngine::Search360Mobile:
            return std::string(kSearch360MobileHost);
        case SearchEngine::ShenmaMobile:
            return std::string(kShenmaMobileHost);
        default:
            return std::string();
        }
    }();

    switch (settings.engine) {
    case SearchEngine::Baidu:
    case SearchEngine::BaiduNews: {
        if (page >= 2) return run.nextPageUrl;
        std::string url = "https://" + host + "/s?ie=utf-8&f=8&rsv_bp=1&rsv_idx=1&tn=baidu&word=" +
                          percentEncodeComponent(keyword) + "&rn=" + number(c) +
                          "&pn=" + number((page - 1) * c);
        if (settings.engine == SearchEngine::BaiduNews) url += "&rtt=4&bsst=1&tn=news&cl=2";
        return url;
    }
    case SearchEngine::Sogou:
        return "http://" + host + "/web?num=" + number(c) +
               "&query=" + percentEncodeKeyword(keyword) + "&page=" + number(page);
    case SearchEngine::SogouNews:
        return "http://" + host + "/news?num=" + number(c) +
               "&query=" + percentEncodeKeyword(keyword) + "&page=" + number(page);
    case SearchEngine::Search360:
        return "http://" + host + "/s?q=" + percentEncodeKeyword(keyword) + "&pn=" + number(page);
    case SearchEngine::Bing: {
        if (page != 1 && !run.nextPageUrl.empty()) return run.nextPageUrl;
        std::string url = "https://" + std::string(settings.useComSite ? "global" : "cn") + "." +
                          std::string(kBingDomain) + "/search?q=" + percentEncodeKeyword(keyword) +
                          "&form=QBRE&sp=-1&first=" + number((page - 1) * 10 + 1);
        if (settings.useComSite) url += "&setmkt=en-us&setlang=en-us";
        return url;
    }
    case SearchEngine::Google:
        return run.googleBase + "search?biw=1920&bih=919&filter=0&num=" + number(c) +
               "&q=" + percentEncodeKeyword(keyword) + "&start=" + number((page - 1) * c);
    case SearchEngine::BaiduMobile:
        return "https://" + host + "/s?word=" + percentEncodeKeyword(keyword) +
               "&pn=" + number((page - 1) * 10);
    case SearchEngine::Search360Mobile:
        return "https://" + host + "/nextpage?q=" + percentEncodeKeyword(keyword) +
               "&src=msearch_next_input&sug_pos=&sug=&srcg=home_next&ajax=1&pn=" + number(page);
    case SearchEngine::ShenmaMobile:
        return "https://" + host + "/s?q=" + percentEncodeKeyword(keyword) +
               "&from=smor&safe=1&snum=6&by=next&layout=html&page=" + number(page);
    case SearchEngine::None:
        break;
    }
    return {};
}

std::string baiduDefaultReferer() { return "https://" + std::string(kBaiduHost) + "/"; }

std::string search360MobileReferer(std::string_view keyword) {
    const std::string domain(kSearch360Domain);
    return "https://" + std::string(kSearch360Host) + "/s?ie=utf-8&fr=" + domain + "&src=home_" +
           domain + "&q=" + percentEncodeKeyword(keyword);
}

std::string sogouAttemptUrl(std::string_view url, RandomSource& source) {
    return std::string(url) + "&sj=" + randomText(8, source);
}

std::string sogouAttemptUrl(std::string_view url) {
    return std::string(url) + "&sj=" + randomText(8);
}

}  // namespace lh
