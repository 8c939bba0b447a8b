#pragma once

#include <string>
#include <string_view>

namespace lh {

// Where a walk through a text stands: a 1-based byte position (0 or 1 = text start);
// -2 once the walk is exhausted.
struct TextPosition {
    long long value = 0;
    bool exhausted() const { return value == -2; }
};

// Cuts the text strictly between two markers. Markers match without regard to ASCII
// case; an empty marker stands for the start or the end of the text; a pair of
// apostrophes in a marker stands for a double quote, and a marker that does not match
// with its double quotes is tried once more without them.
// `position` walks successive cuts: on success it is set just past the end marker, on
// failure to -2 (and a call given -2 returns empty at once). Without it, every call
// searches from the start.
std::string textBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker, TextPosition* position = nullptr);

// The head-region variant: no second try without quotes, no apostrophe conversion, and
// a failure leaves `position` as it was.
std::string textBetweenHead(std::string_view text, std::string_view startMarker,
                            std::string_view endMarker, TextPosition* position = nullptr);

// The plain cut: case-sensitive, no sentinels (empty markers are searched as such), no
// second try; every "#引号" in a marker stands for a double quote. `start` is a 1-based
// position (0 = text start).
std::string textBetweenPlain(std::string_view text, std::string_view startMarker,
                             std::string_view endMarker, long long start = 0);

}  // namespace lh
