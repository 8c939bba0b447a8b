#pragma once

#include <set>
#include <string>

#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"

namespace lh::test {

// The assignment, parent and current directory passes, done the plain way.
inline std::string slowPathPasses(const std::string& address, std::string page) {
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
    return replaceAll(page, "./", dir + "/");
}

// absolutiseLinks' passes done the plain way, one replaceAll after another, every
// src= and href= taken wherever it stands. Valid for pages without img and base elements
// where every such word names an attribute (attributeWordsOnly); tests and fuzz targets
// compare the two there.
inline std::string slowAbsolutise(const std::string& address, const std::string& original) {
    std::string page = slowPathPasses(address, original);
    const std::string dir = parentPath(address);
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

// Whether the plain passes can serve as the model: the address holds none of the
// attribute words, and in the page (after its path passes) every "<" opens a plainly
// written start tag (attributes after blanks, names without quotes, values quoted or
// plain) and every attribute word stands where an attribute name starts.
inline bool attributeWordsOnly(const std::string& address, const std::string& original) {
    const std::string words[4] = {"src=", "href=", fullWidth("src="), fullWidth("href=")};
    for (const auto& w : words) {
        if (address.find(w) != std::string::npos) return false;
    }
    const std::string page = slowPathPasses(address, original);
    const std::size_t n = page.size();
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    const auto special = [](char c) {
        return c == '>' || c == '"' || c == '\'' || c == '=' || c == '<';
    };
    std::set<std::size_t> names;
    for (std::size_t i = page.find('<'); i != std::string::npos; i = page.find('<', i)) {
        if (i + 1 >= n || !((page[i + 1] | 0x20) >= 'a' && (page[i + 1] | 0x20) <= 'z'))
            return false;
        std::size_t j = i + 1;
        while (j < n && !blank(page[j]) && !special(page[j])) ++j;
        while (true) {
            std::size_t k = j;
            while (k < n && blank(page[k])) ++k;
            if (k >= n) return false;
            if (page[k] == '>') {
                i = k + 1;
                break;
            }
            if (k == j) return false;
            names.insert(k);
            const std::size_t name = k;
            while (k < n && !blank(page[k]) && !special(page[k])) ++k;
            if (k == name) return false;
            if (page[k] == '=') {
                ++k;
                if (k < n && (page[k] == '"' || page[k] == '\'')) {
                    const std::size_t close = page.find(page[k], k + 1);
                    if (close == std::string::npos || page.find('<', k) < close) return false;
                    k = close + 1;
                } else {
                    while (k < n && !blank(page[k]) && !special(page[k])) ++k;
                }
            }
            j = k;
        }
    }
    for (const auto& w : words) {
        for (std::size_t p = page.find(w); p != std::string::npos; p = page.find(w, p + 1)) {
            if (names.count(p) == 0) return false;
        }
    }
    return true;
}

}  // namespace lh::test
