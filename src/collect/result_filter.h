#pragma once

#include <string>
#include <string_view>

#include "collect/collection_settings.h"
#include "collect/result_record.h"

namespace lh {

// The engines' own domains, for the own-site filter.
inline constexpr std::string_view kEngineDomainList =
    "baidu.com|sogou.com|so.com|360.cn|google.com|bing.com|qihoo.net";

// Whether the result at `rank` (1-based over all pages of the keyword) is kept. Every
// rank passes unless only selected ranks are wanted; then the rank's decimal text must
// equal one of the "|"-separated entries (12 does not pass for "2|3|5").
bool rankSelected(const CollectionSettings& settings, long long rank);

// The own-site filter. With the option on, a result on one of the engines' domains is
// dropped, except a Baidu result when the template shows no address, domain or
// top-level domain.
bool acceptResult(const CollectionSettings& settings, const ResultRecord& record);

// The top-level domain shown for an address: the registrable domain ("www." removed
// when www hosts do not count as top-level), or the whole host when that looks numeric.
// A host of four dot-separated decimal numbers 0-255 (with or without port) is an IP
// address and comes back whole.
std::string topLevelDomainOf(const CollectionSettings& settings, std::string_view address);

}  // namespace lh
