#include "textutil/html_redirect.h"

#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/keyword_list.h"
#include "textutil/program_text.h"
#include "textutil/text_between.h"

namespace lh {

std::string resolveRedirectTarget(std::string_view base, std::string_view target) {
    if (containsText(target, "://")) return std::string(target);
    if (!target.empty() && target.front() == '/') {
        return extractDomain(base, {.withScheme = true}) + std::string(target);
    }
    return parentPath(base) + "/" + std::string(target);
}

std::string detectRedirect(const std::string& page, std::string& address) {
    HtmlTagScanner scanner;
    std::string target;

    std::string work = page;
    scanner.findBySample(work, "noscript",
                         {.listAll = true, .removeMatches = true, .rawText = true});
    std::string head = scanner.findElement(work, {.tag = "head"});
    if (head.empty()) head = page;

    const std::string meta = scanner.findElement(
        head, {.tag = "meta", .attrNames = {"http-equiv"}, .attrValues = {"Refresh"}});
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
