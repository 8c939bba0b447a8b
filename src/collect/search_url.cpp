#include "collect/search_url.h"

#include "collect/engine_catalogue.h"
#include "textutil/url_encoders.h"

namespace lh {

std::string buildSearchUrl(const SearchQuery& query) {
    if (query.page < 1) return {};
    const EngineProfile& profile = engineProfile(query.engine);
    return profile.searchAddress != nullptr ? profile.searchAddress(query) : std::string();
}

long long askedPerPage(const SearchQuery& query) { return query.perPage > 10 ? query.perPage : 10; }

std::string googleBaseFor(bool useComSite) {
    return "https://" + std::string(useComSite ? kGoogleComHost : kGoogleHongKongHost) + "/";
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
