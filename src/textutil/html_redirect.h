#pragma once

#include <string>
#include <string_view>

namespace lh {

// The address a page sends the browser on to through markup: a meta refresh in the
// head (noscript elements ignored), else a location assignment or window.navigate call
// in the page's first script, unless that script is conditional (contains "if(").
// Returns the absolute target and also stores it in `address`; empty (and `address`
// unchanged) when the page carries no redirect.
std::string detectRedirect(const std::string& page, std::string& address);

// A target as written in a page, made absolute against the page's address `base`:
// kept when it contains "://", appended to the site root when it begins with "/",
// else appended to the base's directory. No "../" or "./" handling.
std::string resolveRedirectTarget(std::string_view base, std::string_view target);

}  // namespace lh
