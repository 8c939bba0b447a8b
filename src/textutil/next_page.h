#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lh {

// Link texts that say "next page", in the order they are tried.
const std::vector<std::string>& nextLinkWords();
// Arrows that may follow such a word; the last entry is the empty text.
const std::vector<std::string>& nextLinkArrows();

// True when `text` (a link's plain text) is one of the words followed by one of the
// arrows, ignoring ASCII case, or contains such a pair and is at most 4 bytes longer
// (so "下一页(3)" counts and "下一页共10页" does not).
bool isNextLinkText(std::string_view text, const std::vector<std::string>& words,
                    const std::vector<std::string>& arrows);

// Address of the page after `address` in a paged listing, read from its page (already
// passed through absolutiseLinks); empty when the listing seems to end there. Tries a
// link into the same directory whose text says "next", then the name with "_2" (or
// the next "_n") that the page mentions, then an address the page mentions that is
// the current one with its last number increased by one.
std::string findNextPageUrl(const std::string& address, const std::string& page);

}  // namespace lh
