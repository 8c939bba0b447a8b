#pragma once

#include <string>
#include <string_view>

namespace lh {

struct DomainOptions {
    bool topLevel = false;          // the registrable domain instead of the host
    bool withScheme = false;        // scheme and "://" in front
    bool wwwIsNotTopLevel = false;  // "www." + registrable domain gives the registrable domain
};

// The host of an address (with port and anything before the first "/" after "//"),
// or its registrable domain, or its site root. Never fails; bad input gives empty or
// partial text.
std::string extractDomain(std::string_view url, DomainOptions options = {});

}  // namespace lh
