#pragma once

#include <string>
#include <string_view>

namespace lh {

// Cookie text is the value of a Cookie request header: name=value pairs joined by "; ".
// Variants with a trailing ";" or full Set-Cookie values are accepted wherever a cookie
// text is expected.

// The union of two cookie texts by cookie name: every pair of `full` in its order, then
// the pairs of `plain` whose names `full` lacks. Spaces are removed, cookies whose value
// is exactly "deleted" are dropped, and exact repeats are kept once.
std::string mergeCookieTexts(std::string_view plain, std::string_view full);

// The pair "name=value" of one cookie, or only its value with `valueOnly`; empty when
// absent. The name is searched as a plain case-sensitive substring, so a name that ends
// an earlier cookie's name finds that cookie first.
std::string cookieByName(std::string_view cookieText, std::string_view name,
                         bool valueOnly = false);

// The cookie text of a response header block as `fetch` reports it: the name=value pair
// of every Set-Cookie line, each followed by ";".
std::string responseCookies(std::string_view rawHeaders);

// The cookie text of a response header block as `request` reports it: every Set-Cookie
// value in full (attributes included), each followed by "; ".
std::string requestCookieText(std::string_view allHeaders);

}  // namespace lh
