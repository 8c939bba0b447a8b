// Input: page address, "\n", page. Runs link absolutisation, redirect detection and
// next-page detection, and on pages without img and base elements checks the
// attribute passes against plain replaceAll passes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_redirect.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/next_page.h"
#include "textutil/program_text.h"

namespace {

std::string slowAbsolutise(const std::string& a, std::string page) {
    using lh::replaceAll;
    lh::HtmlTagScanner scanner;
    page = scanner.normaliseAssignments(page);
    const std::string dir = lh::parentPath(a);
    for (int f = 5; f >= 1; --f) {
        std::string up = dir;
        for (int i = 0; i < f; ++i) up = lh::parentPath(up);
        std::string dots;
        for (int i = 0; i < f; ++i) dots += "../";
        const std::string lower = lh::toLowerAscii(up);
        const bool none = up.empty() || lower == "http:/" || lower == "https:/" ||
                          lower == "http:" || lower == "https:";
        page = replaceAll(page, dots, none ? "/" : up + "/");
    }
    page = replaceAll(page, "\"//", "\"http://");
    page = replaceAll(page, "./", dir + "/");
    const std::string root = lh::extractDomain(a, {.withScheme = true});
    const std::string dirSlash = dir + "/";
    const std::string words[2] = {"src=", "href="};
    for (const std::string q : {"\"", "'", ""}) {
        for (const auto& w : words) page = replaceAll(page, w + q + "/", w + q + root + "/");
        for (const auto& w : words) page = replaceAll(page, w + q + "#", w + q + a + "#");
        for (const std::string rest : {"\\\"", "\"http", "'http", "http"}) {
            for (const auto& w : words) page = replaceAll(page, w + rest, lh::fullWidth(w) + rest);
        }
        for (const auto& w : words) page = replaceAll(page, w + q, w + q + dirSlash);
    }
    for (const std::string rest : {"\\\"", "\"http", "'http", "http"}) {
        for (const auto& w : words) page = replaceAll(page, lh::fullWidth(w) + rest, w + rest);
    }
    return replaceAll(page, "&amp;", "&");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nl = input.find('\n');
    const std::string address = nl == std::string::npos
                                    ? "http://h/a/b/c.htm"
                                    : input.substr(0, std::min<std::size_t>(nl, 200));
    const std::string page = nl == std::string::npos ? input : input.substr(nl + 1);

    std::string work = page;
    const std::string result = lh::absolutiseLinks(address, work);
    if (page.size() <= 4096 && !lh::containsText(page, "img", lh::Case::Ignore) &&
        !lh::containsText(page, "base", lh::Case::Ignore) &&
        !lh::containsText(address, "img", lh::Case::Ignore) &&
        !lh::containsText(address, "base", lh::Case::Ignore) &&
        result != slowAbsolutise(address, page)) {
        std::abort();
    }

    std::string target = address;
    const std::string redirect = lh::detectRedirect(page, target);
    if (!redirect.empty() && redirect != target) std::abort();
    if (redirect.empty() && target != address) std::abort();

    static volatile std::size_t sink;
    sink = lh::findNextPageUrl(address, result).size();
    (void)sink;
    return 0;
}
