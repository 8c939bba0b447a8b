#pragma once

#include <string>
#include <string_view>

namespace lh {

// The address up to, not including, its last `separator`; empty when it has none.
// parentPath("http://h/a/b.htm") is "http://h/a".
std::string parentPath(std::string_view address, std::string_view separator = "/");

// Rewrites a page so that the src and href values it recognises are absolute addresses
// for a page fetched from `pageAddress` (or its base element's address): "../" and
// "./" anywhere in the text, root-relative, fragment and relative values in double,
// single or no quotes; values already starting with http, and src=\" inside script
// strings, stay. Lazily loaded images get their real address as src.
// `page` ends holding the rewritten page; the result is that page with every "&amp;"
// turned into "&". Text replacement, not parsing: text outside tags changes too.
std::string absolutiseLinks(const std::string& pageAddress, std::string& page);

// The result of absolutiseLinks for `page`, in storage the calling thread keeps for its
// next page (no page-sized copy or fresh memory): valid until the thread's next call of
// either function.
const std::string& absolutisedPage(const std::string& pageAddress, std::string_view page);

}  // namespace lh
