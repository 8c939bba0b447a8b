// Input: option byte, tag name, "\n", page. Checks that the scanner never reads
// outside the page and agrees with the plain per-element end search on small pages.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/slow_element_scan.h"
#include "textutil/html_tag_scanner.h"

namespace {

bool plainTag(const std::string& tag) {
    if (tag.empty()) return false;
    for (const char c : tag) {
        if (c == '<' || c == '>' || c == '/' || c == '|' || static_cast<unsigned char>(c) <= ' ')
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const unsigned flags = data[0];
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t nl = rest.find('\n');
    const std::string tag =
        nl == std::string::npos ? "div" : rest.substr(0, std::min<std::size_t>(nl, 12));
    std::string page = nl == std::string::npos ? rest : rest.substr(nl + 1);

    lh::ElementQuery query;
    query.tag = tag;
    query.ignoreCase = (flags & 1) == 0;
    query.innerOnly = (flags & 2) != 0;
    query.rawText = (flags & 4) != 0;
    query.containsMatch = (flags & 8) != 0;
    query.matchAll = (flags & 16) != 0;
    if (flags & 32) {
        query.attrNames = {"class", "id"};
        query.attrValues = {"a", ""};
    }

    lh::HtmlTagScanner scanner;
    const std::string first = scanner.findElement(page, query);
    const int count = scanner.findAllElements(page, query);
    std::size_t total = first.size();
    for (int i = 0; i <= count + 1; ++i) {
        const auto [b, e] = scanner.elementRange(i);
        if (b > e || e > page.size()) std::abort();
        total += scanner.elementText(i, (flags & 4) != 0).size();
        const std::string raw = scanner.elementText(i, true);
        std::string tagText = raw.substr(0, raw.find('>') + 1);
        total += scanner.attributeValue(std::string_view(tagText), "class").size();
        scanner.attributeValue(tagText, "src", "v", true);
    }

    if (query.attrNames.empty() && page.size() <= 2048 && plainTag(tag)) {
        const auto expected =
            lh::test::SlowElementScan(page, tag, query.ignoreCase).collect(query.innerOnly);
        if (static_cast<int>(expected.size()) != count) std::abort();
        for (int i = 1; i <= count; ++i) {
            if (scanner.elementRange(i) != expected[static_cast<std::size_t>(i - 1)]) std::abort();
        }
    }

    std::string copy = page;
    scanner.findBySample(copy, tag + " class=\"a\"|noscript",
                         {.listAll = (flags & 64) != 0, .removeMatches = true});
    total += scanner.normaliseAssignments(page).size();
    static volatile std::size_t sink;
    sink = total;
    (void)sink;
    return 0;
}
