// Input: option byte, tag name, "\n", page. Checks that the scanner never reads
// outside the page and agrees with the plain per-element end search on small pages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "textutil/html_tag_scanner.h"

namespace {

using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

struct SlowScan {
    std::string buf, startNeedle, endNeedle;

    SlowScan(const std::string& page, const std::string& tag, bool ic) {
        auto fold = [ic](std::string s) {
            for (auto& c : s) {
                if (ic && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            }
            return s;
        };
        buf = fold(page);
        startNeedle = "<" + fold(tag);
        endNeedle = "</" + fold(tag) + ">";
    }
    std::size_t findStart(std::size_t from) const {
        for (;;) {
            const std::size_t p = buf.find(startNeedle, from);
            if (p == std::string::npos) return p;
            const std::size_t q = p + startNeedle.size();
            if (q >= buf.size() ||
                !((buf[q] >= '0' && buf[q] <= '9') || (buf[q] >= 'a' && buf[q] <= 'z')))
                return p;
            from = p + 1;
        }
    }
    std::size_t elementEnd(std::size_t g, std::size_t len) const {
        if (len >= 2 && buf.compare(g + len - 2, 2, "/>") == 0) return g + len;
        std::size_t opened = 0, closed = 0, mark = g;
        for (std::size_t h = buf.find(endNeedle, g + 1); h != std::string::npos;
             h = buf.find(endNeedle, h + 1)) {
            std::size_t last = mark;
            for (std::size_t s = findStart(mark + 1); s != std::string::npos && s < h;
                 s = findStart(s + 1)) {
                ++opened;
                last = std::max(last, s);
            }
            for (std::size_t s = buf.find(endNeedle, mark + 1); s != std::string::npos && s < h;
                 s = buf.find(endNeedle, s + 1)) {
                ++closed;
                last = std::max(last, s);
            }
            mark = last;
            if (opened == closed) return h + endNeedle.size();
        }
        return g + len;
    }
    Ranges collect(bool inner) const {
        Ranges out;
        std::size_t from = 0;
        for (std::size_t g = findStart(from); g != std::string::npos; g = findStart(from)) {
            const std::size_t gt = buf.find('>', g + 1);
            if (gt == std::string::npos) break;
            const std::size_t len = gt - g + 1;
            const std::size_t e = elementEnd(g, len);
            if (inner) {
                const bool self = buf.compare(g + len - 2, 2, "/>") == 0;
                out.push_back({g + len, self || e < g + len + endNeedle.size()
                                            ? g + len
                                            : e - endNeedle.size()});
                from = g + len;
            } else {
                out.push_back({g, e});
                from = g + 1;
            }
        }
        return out;
    }
};

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
        const Ranges expected = SlowScan(page, tag, query.ignoreCase).collect(query.innerOnly);
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
