#pragma once

#include <string>
#include <string_view>

namespace lh {

// HTML fragment to plain text: CR LF before paragraph and line-break tags, "Width>"
// style text guarded, every tag removed, character references decoded.
std::string stripTags(std::string_view text);

// Named references by the entity table (ignoring case), then numeric ones (&#20320;,
// &#x4F60;) as UTF-16 code units.
std::string decodeEntities(std::string_view text);

// Every white-space character and every full-width space removed.
std::string removeWhitespace(std::string_view text);

// Blank lines removed with their CR LF; blanks at both ends of every line removed.
std::string trimLines(std::string_view text);

}  // namespace lh
