#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace lh::test {

// The element search written the slow, obvious way: per element, walk the end tags and
// recount the nested start and end tags from a moving mark. HtmlTagScanner must agree
// with it byte for byte; tests and fuzz targets compare the two.
struct SlowElementScan {
    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

    std::string buf, startNeedle, endNeedle;

    SlowElementScan(const std::string& page, const std::string& tag, bool ignoreCase) {
        auto fold = [ignoreCase](std::string s) {
            for (auto& c : s) {
                if (ignoreCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
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

    std::size_t elementEnd(std::size_t g, std::size_t tagLength) const {
        if (tagLength >= 2 && buf.compare(g + tagLength - 2, 2, "/>") == 0) return g + tagLength;
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
        return g + tagLength;
    }

    // The [begin, end) byte ranges of every element in page order: whole elements, or
    // only what lies between the start and the end tag.
    Ranges collect(bool innerOnly) const {
        Ranges out;
        std::size_t from = 0;
        for (std::size_t g = findStart(from); g != std::string::npos; g = findStart(from)) {
            const std::size_t gt = buf.find('>', g + 1);
            if (gt == std::string::npos) break;
            const std::size_t len = gt - g + 1;
            const std::size_t e = elementEnd(g, len);
            if (innerOnly) {
                const bool self = buf.compare(g + len - 2, 2, "/>") == 0;
                const std::size_t end =
                    self || e < g + len + endNeedle.size() ? g + len : e - endNeedle.size();
                out.push_back({g + len, end});
                from = g + len;
            } else {
                out.push_back({g, e});
                from = g + 1;
            }
        }
        return out;
    }
};

}  // namespace lh::test
