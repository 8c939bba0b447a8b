// Input: page address, "\n", page. Runs link absolutisation, redirect detection and
// next-page detection, and on pages without img and base elements whose attribute
// words all name attributes checks the attribute passes against plain replaceAll passes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/slow_absolutise.h"
#include "textutil/absolutise_links.h"
#include "textutil/extract_domain.h"
#include "textutil/html_redirect.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/next_page.h"
#include "textutil/program_text.h"

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
        lh::test::attributeWordsOnly(address, page) &&
        result != lh::test::slowAbsolutise(address, page)) {
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
