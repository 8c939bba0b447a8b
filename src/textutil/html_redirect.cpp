#include "textutil/html_redirect.h"

#include <utility>
#include <vector>

#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/keyword_list.h"
#include "textutil/program_text.h"
#include "textutil/text_between.h"
#include "textutil/text_search.h"

namespace lh {

std::string resolveRedirectTarget(std::string_view base, std::string_view target) {
    if (containsText(target, "://")) return std::string(target);
    if (!target.empty() && target.front() == '/') {
        return extractDomain(base, {.withScheme = true}) + std::string(target);
    }
    return parentPath(base) + "/" + std::string(target);
}

namespace {

// The first head element of the page without its noscript elements, as findElement
// reads it. Each noscript element found in the page is left out where it stands; one
// inside an element already left out goes with it; one that starts on the second byte
// of a character stays, as a text search would not find it there. That page is built
// only as far as its head needs: a head closed within a part of it reads the same as
// in the whole, and a page is mostly what comes after its head.
std::string headWithoutNoscript(const std::string& page, HtmlTagScanner& scanner) {
    const ElementQuery head{.tag = "head"};
    const int count = scanner.locateAllElements(page, {.tag = "noscript", .matchAll = true});
    if (count == 0) return scanner.findElement(page, head);
    std::vector<std::pair<std::size_t, std::size_t>> cuts;
    CharStartTest isStart(page);
    std::size_t copied = 0;
    for (int j = 1; j <= count; ++j) {
        const auto [begin, end] = scanner.elementRange(j);
        if (begin < copied || begin == end || !isStart(begin)) continue;
        cuts.emplace_back(begin, end);
        copied = end;
    }
    // Kept by the thread from page to page, as large as the largest part it has built.
    thread_local std::string work;
    work.clear();
    copied = 0;
    std::size_t nextCut = 0;
    HtmlTagScanner heads;
    for (std::size_t part = std::size_t{64} << 10;; part *= 4) {
        const std::size_t until = std::min(part, page.size());
        while (copied < until) {
            if (nextCut < cuts.size() && cuts[nextCut].first < until) {
                work.append(page, copied, cuts[nextCut].first - copied);
                copied = cuts[nextCut++].second;
            } else {
                work.append(page, copied, until - copied);
                copied = until;
            }
        }
        if (copied >= page.size()) return heads.findElement(work, head);
        if (heads.locateAllElements(work, head) == 0) continue;
        // Closed: its end tag stands after its start tag.
        const auto [begin, end] = heads.elementRange(1);
        const std::size_t startTagEnd = work.find('>', begin);
        if (startTagEnd != std::string::npos && end > startTagEnd + 1)
            return heads.findElement(work, head);
    }
}

}  // namespace

std::string detectRedirect(const std::string& page, std::string& address) {
    HtmlTagScanner scanner;
    std::string target;

    std::string head = headWithoutNoscript(page, scanner);
    const std::string& headText = head.empty() ? page : head;

    const std::string meta = scanner.findElement(
        headText, {.tag = "meta", .attrNames = {"http-equiv"}, .attrValues = {"Refresh"}});
    if (!meta.empty()) {
        const std::string content = scanner.attributeValue(meta, "content");
        target = textBetween(content, "URL='", "'");
        if (target.empty()) target = textBetween(content, "URL=", "");
    }

    if (target.empty()) {
        const std::string script = scanner.findElement(page, {.tag = "script"});
        // A redirect that depends on a condition (frame busting, browser checks) is not
        // what the server means for us.
        if (script.empty() || matchesAnyInList(script, "if(|if (")) return {};
        for (const char* name :
             {"location.href", "self.location", "window.location", "top.location"}) {
            target = scanner.attributeValue(script, name);
            if (!target.empty()) break;
        }
        if (target.empty()) {
            target = scanner.attributeValue(replaceAll(script, "(", "="), "window.navigate");
        }
        target = trimSpaces(target);
    }

    if (target.empty()) return {};
    address = resolveRedirectTarget(address, target);
    return address;
}

}  // namespace lh
