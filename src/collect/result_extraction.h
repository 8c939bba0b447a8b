#pragma once

#include <string>
#include <string_view>

#include "collect/result_record.h"
#include "collect/search_engine.h"

namespace lh {

class HtmlTagScanner;

// Cuts a result page (program text) into the engine's result blocks and returns their
// number. The blocks stay in `scanner` (the page step's own) and are read back with
// resultBlock. Engines with a container (Baidu, Baidu News: div id=content_left;
// Baidu mobile: div id=results) give no blocks when the page lacks it. A page that
// matches no block rule, an empty page and SearchEngine::None give 0.
int extractResultBlocks(SearchEngine engine, const std::string& page, HtmlTagScanner& scanner);

// Block `index` (1-based) exactly as it stands in the text it was cut from; empty
// outside 1..count.
std::string resultBlock(const HtmlTagScanner& scanner, int index);

// Link address, title and description of one block by the engine's rules; the keyword
// is left to the caller. The address is the anchor's href with "&amp;" read as "&",
// unresolved; title and description are plain text (tags removed, character references
// decoded, blank lines dropped, lines trimmed). A lookup that finds nothing gives
// empty text, so a block without a link gives an empty address and title. Single
// lookups through `scanner` leave its collected blocks alone.
ResultRecord parseResult(SearchEngine engine, const std::string& block, HtmlTagScanner& scanner);

}  // namespace lh
