#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "collect/result_record.h"
#include "collect/search_engine.h"
#include "textutil/html_tag_scanner.h"

namespace lh {

// Where a result's link element sits in its block. The element is the anchor's
// attributes, ">" and its content.
enum class LinkElement {
    AnchorInH3,   // the first <a …</a> inside the first <h3 …</h3>
    AnchorInH2,   // the same inside <h2 …</h2>
    FirstAnchor,  // the block's first "<a " … "</a>"
};

// Where the title text sits.
enum class TitleSource {
    LinkText,              // everything after the link element's ">"
    HeadingInLink,         // the <h3> inside the link element
    HeadingInLinkOrBlock,  // the <h3> inside the link element, else the block's first <h3>
    SpanInLink,            // the <span> inside the link element
};

// How one engine's result page is cut into blocks and each block into link, title and
// description. Lookups go through the page's HtmlTagScanner; a lookup that finds
// nothing gives empty text.
struct ExtractionRules {
    // The element the blocks live in; no tag: the whole page. A page without it gives
    // no blocks.
    ElementQuery container;
    ElementQuery blocks;
    LinkElement link = LinkElement::AnchorInH3;
    TitleSource title = TitleSource::LinkText;
    // The description's markup within a block (tags still in, line breaks still in).
    std::string (*description)(HtmlTagScanner& scanner, const std::string& block) = nullptr;
};

// Blocks an engine's rules miss on today's markup: elements whose class holds a token
// (tokenMatch), taken only when they hold `holding` (when given).
struct BlockFallback {
    ElementQuery query{};
    std::string holding{};
};

// A snippet container, or the `inner` element inside it when that names a tag.
struct SnippetFallback {
    ElementQuery query{};
    ElementQuery inner{};
};

// What an engine's rules miss on today's pages, added where the rules find nothing and
// never in place of what they find. Kept with the engine's entry in the catalogue.
struct ExtractionFallbacks {
    // Blocks by class token; they replace the rules' blocks only when they outnumber
    // them, and every block of the rules stays.
    std::vector<BlockFallback> blocks{};
    // Class tokens of cards that are not results (panels, carousels, related searches).
    std::vector<std::string> notResults{};
    // Snippet containers for a result whose rules found no description; the first that
    // holds text wins.
    std::vector<SnippetFallback> snippets{};
    // Failing those, the block's longest text outside its heading and its links.
    bool longestText = false;
    // An empty title or address is read from the block's <h3>: the link inside it
    // (h3 > a) or around it (a > h3).
    bool headingLink = false;
};

// tag[class has one of `tokens`]; a token ending in "*" is a prefix.
ElementQuery classToken(std::string tag, std::vector<std::string> tokens);

// Where a result names its real target in the page, beside the engine's own link.
enum class TargetCarrier {
    None,
    BlockTag,    // an attribute of the block's own start tag
    LinkTag,     // an attribute of the link element's anchor
    AnyInBlock,  // the first such attribute anywhere in the block
};
struct CarriedTarget {
    TargetCarrier carrier = TargetCarrier::None;
    std::string_view attribute{};
};

// The rules of each engine, named by what the catalogue calls them.
namespace extraction_rules {
const ExtractionRules& none();
const ExtractionRules& baidu();
const ExtractionRules& baiduNews();
const ExtractionRules& sogou();  // Sogou web and Sogou News
const ExtractionRules& search360();
const ExtractionRules& bing();
const ExtractionRules& google();
const ExtractionRules& baiduMobile();
const ExtractionRules& search360Mobile();
const ExtractionRules& shenmaMobile();
}  // namespace extraction_rules

// Cuts a result page (program text) into blocks and returns their number; the blocks
// stay in `scanner` and are read back with resultBlock. A page that matches no block
// rule, an empty page and the rules of no engine give 0.
int extractResultBlocks(const ExtractionRules& rules, const std::string& page,
                        HtmlTagScanner& scanner);
int extractResultBlocks(SearchEngine engine, const std::string& page, HtmlTagScanner& scanner);

// Block `index` (1-based) exactly as it stands in the text it was cut from; empty
// outside 1..count.
std::string resultBlock(const HtmlTagScanner& scanner, int index);

// Link address, title and description of one block; the keyword is left to the caller.
// The address is the anchor's href with "&amp;" read as "&", unresolved; title and
// description are plain text (tags removed, character references decoded, blank lines
// dropped, lines trimmed). With a carrier, the target the block names goes to
// pageTarget ("&amp;" read as "&", not checked). Single lookups through `scanner` leave
// its blocks alone.
ResultRecord parseResult(const ExtractionRules& rules, const std::string& block,
                         HtmlTagScanner& scanner, const CarriedTarget& carried = {});
ResultRecord parseResult(SearchEngine engine, const std::string& block, HtmlTagScanner& scanner);

// Every block of the page read into a record, in page order (one record per block, also
// when its address is empty).
std::vector<ResultRecord> readResultRecords(const ExtractionRules& rules, const std::string& page,
                                            const CarriedTarget& carried = {});

// The rules' blocks, and the fallbacks' where they outnumber them, in page order. A
// fallback block inside or around another block is left out.
std::vector<std::string> resultBlocks(const ExtractionRules& rules,
                                      const ExtractionFallbacks& fallbacks,
                                      const std::string& page);

// parseResult, then the fallbacks for an empty title, address or description: the
// block's <h3> (link in it or around it), the snippet containers, the longest text.
ResultRecord parseResult(const ExtractionRules& rules, const ExtractionFallbacks& fallbacks,
                         const std::string& block, HtmlTagScanner& scanner,
                         const CarriedTarget& carried = {});

std::vector<ResultRecord> readResultRecords(const ExtractionRules& rules,
                                            const ExtractionFallbacks& fallbacks,
                                            const std::string& page,
                                            const CarriedTarget& carried = {});

}  // namespace lh
