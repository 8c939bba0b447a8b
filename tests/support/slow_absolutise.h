#pragma once

#include <string>

#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"

namespace lh::test {

// absolutiseLinks' attribute and path passes done the plain way, one replaceAll after
// another. Valid for pages without img and base elements; tests and fuzz targets compare
// the two.
inline std::string slowAbsolutise(const std::string& address, std::string page) {
    HtmlTagScanner scanner;
    page = scanner.normaliseAssignments(page);
    const std::string dir = parentPath(address);
    for (int f = 5; f >= 1; --f) {
        std::string up = dir;
        for (int i = 0; i < f; ++i) up = parentPath(up);
        std::string dots;
        for (int i = 0; i < f; ++i) dots += "../";
        const std::string lower = toLowerAscii(up);
        const bool none = up.empty() || lower == "http:/" || lower == "https:/" ||
                          lower == "http:" || lower == "https:";
        page = replaceAll(page, dots, none ? "/" : up + "/");
    }
    page = replaceAll(page, "\"//", "\"http://");
    page = replaceAll(page, "./", dir + "/");
    const std::string root = extractDomain(address, {.withScheme = true});
    const std::string dirSlash = dir + "/";
    const std::string words[2] = {"src=", "href="};
    for (const std::string q : {"\"", "'", ""}) {
        for (const auto& w : words) page = replaceAll(page, w + q + "/", w + q + root + "/");
        for (const auto& w : words) page = replaceAll(page, w + q + "#", w + q + address + "#");
        for (const std::string rest : {"\\\"", "\"http", "'http", "http"}) {
            for (const auto& w : words) page = replaceAll(page, w + rest, fullWidth(w) + rest);
        }
        for (const auto& w : words) page = replaceAll(page, w + q, w + q + dirSlash);
    }
    for (const std::string rest : {"\\\"", "\"http", "'http", "http"}) {
        for (const auto& w : words) page = replaceAll(page, fullWidth(w) + rest, w + rest);
    }
    return replaceAll(page, "&amp;", "&");
}

}  // namespace lh::test
