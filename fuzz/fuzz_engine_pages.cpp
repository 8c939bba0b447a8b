// Input: engine byte, page (program text). Reads the page by the engine's rules and
// checks that every block is cut from the page (or its container element) as it stands.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "collect/engine_catalogue.h"
#include "collect/engine_page_source.h"
#include "collect/result_extraction.h"
#include "textutil/html_tag_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const auto engines = lh::engineCatalogue();
    const lh::EngineProfile& engine = engines[data[0] % engines.size()];
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);

    const lh::ResultPage read = lh::readResultPage(engine, "http://h/s?wd=a&pn=10", page);
    if (read.text != page) std::abort();

    const lh::ExtractionRules& rules = *engine.extraction;
    lh::HtmlTagScanner scanner;
    const int blocks = lh::extractResultBlocks(rules, page, scanner);
    if (static_cast<std::size_t>(blocks < 0 ? 0 : blocks) != read.records.size()) std::abort();
    // Blocks are cut from the engine's container element as the scanner gives it, or
    // from the whole page.
    lh::HtmlTagScanner containerScanner;
    const std::string source = rules.container.tag.empty() || page.empty()
                                   ? page
                                   : containerScanner.findElement(page, rules.container);
    for (int i = 1; i <= blocks && source.size() <= 65536; ++i) {
        if (source.find(lh::resultBlock(scanner, i)) == std::string::npos) std::abort();
    }
    return 0;
}
