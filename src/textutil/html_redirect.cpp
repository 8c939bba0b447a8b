#include "textutil/html_redirect.h"

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

// Whether "<noscript" stands anywhere in the page, letters in any case: without it the
// page has no noscript element to remove.
bool mentionsNoscript(std::string_view page) {
    constexpr std::string_view kName = "noscript";
    for (std::size_t at = page.find('<'); at != std::string_view::npos; at = page.find('<', at + 1)) {
        if (page.size() - at - 1 >= kName.size() &&
            equalsIgnoreCase(page.substr(at + 1, kName.size()), kName))
            return true;
    }
    return false;
}

// The page without its noscript elements, in one pass: each element found in the page
// is left out where it stands; one inside an element already left out goes with it. One
// that starts on the second byte of a character stays, as a text search would not find
// it there.
const std::string& withoutNoscript(const std::string& page, HtmlTagScanner& scanner) {
    const int count = scanner.findAllElements(page, {.tag = "noscript", .matchAll = true});
    // Kept by the thread from page to page, as large as the largest page it has checked.
    thread_local std::string work;
    work.clear();
    work.reserve(page.size());
    CharStartTest isStart(page);
    std::size_t copied = 0;
    for (int j = 1; j <= count; ++j) {
        const auto [begin, end] = scanner.elementRange(j);
        if (begin < copied || begin == end || !isStart(begin)) continue;
        work.append(page, copied, begin - copied);
        copied = end;
    }
    work.append(page, copied, std::string::npos);
    return work;
}

}  // namespace

std::string detectRedirect(const std::string& page, std::string& address) {
    HtmlTagScanner scanner;
    std::string target;

    std::string head =
        mentionsNoscript(page)
            ? scanner.findElement(withoutNoscript(page, scanner), {.tag = "head"})
            : scanner.findElement(page, {.tag = "head"});
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
        if (script.empty()) return {};
        for (const char* name :
             {"location.href", "self.location", "window.location", "top.location"}) {
            target = scanner.attributeValue(script, name);
            if (!target.empty()) break;
        }
        if (target.empty()) {
            target = scanner.attributeValue(replaceAll(script, "(", "="), "window.navigate");
        }
        target = trimSpaces(target);
        // A redirect that depends on a condition (frame busting, browser checks) is not
        // what the server means for us.
        if (matchesAnyInList(script, "if(|if (")) target.clear();
    }

    if (target.empty()) return {};
    address = resolveRedirectTarget(address, target);
    return address;
}

}  // namespace lh
