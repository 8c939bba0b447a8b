#include "collect/result_filter.h"

#include "textutil/extract_domain.h"
#include "textutil/keyword_list.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

// Four dot-separated decimal numbers 0-255, optionally followed by ":" and a port.
bool isIpv4Host(std::string_view host) {
    const std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        if (port.empty()) return false;
        for (char c : port) {
            if (c < '0' || c > '9') return false;
        }
        host = host.substr(0, colon);
    }
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        const std::string_view part = host.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (part.empty() || part.size() > 3) return false;
        int value = 0;
        for (char c : part) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

}  // namespace

bool rankSelected(const CollectionSettings& settings, long long rank) {
    if (!settings.onlySelectedRanks) return true;
    return matchesAnyInList(std::to_string(rank), settings.selectedRanks, /*wholeEntry=*/true);
}

bool acceptResult(const CollectionSettings& settings, const ResultRecord& record) {
    if (!settings.ignoreEngineSites) return true;
    const std::string host = extractDomain(record.address);
    if (!matchesAnyInList(host, kEngineDomainList)) return true;
    static const std::string addressMark = gb("#网址#");
    static const std::string domainMark = gb("#域名#");
    static const std::string topLevelMark = gb("#顶级域名#");
    const std::string& tpl = settings.outputTemplate;
    const bool showsWhere = containsText(tpl, addressMark) || containsText(tpl, domainMark) ||
                            containsText(tpl, topLevelMark);
    return containsText(host, "baidu.com", Case::Ignore) && !showsWhere;
}

std::string topLevelDomainOf(const CollectionSettings& settings, std::string_view address) {
    const std::string host = extractDomain(address);
    if (isIpv4Host(host)) return host;
    DomainOptions options;
    options.topLevel = true;
    options.wwwIsNotTopLevel = settings.wwwNotTopLevel;
    std::string top = extractDomain(address, options);
    if (settings.wwwNotTopLevel) top = replaceAll(top, "www.", "", Case::Ignore);
    const std::size_t dot = top.find('.');
    const long long k =
        dot == std::string::npos ? 0 : toInteger(std::string_view(top).substr(dot + 1));
    if (k > 1) top = host;
    return top;
}

}  // namespace lh
