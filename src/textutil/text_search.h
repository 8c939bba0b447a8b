#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lh {

// Whole-page search and replace on program text at memory-search speed. Results equal
// findText / replaceAll (case-sensitive) for needles that are whole characters, which
// every needle built from ASCII and complete two-byte characters is.

// Whether `pos` starts a character: a byte below 0x80 is always followed by a character
// start, so only the run of high bytes right before `pos` decides (even length: yes).
class CharStartTest {
public:
    explicit CharStartTest(std::string_view text) : text_(text) {}
    // Calls must come with non-decreasing positions for the cost to stay linear.
    bool operator()(std::size_t pos);

private:
    std::string_view text_;
    std::size_t runStart_ = 0;  // high bytes fill [runStart_, runEnd_)
    std::size_t runEnd_ = 0;
};

// First occurrence of `needle` at or after `from` that starts a character; kNotFound
// when none. An empty needle is found at `from`.
std::size_t findWholeText(std::string_view text, std::string_view needle, std::size_t from,
                          CharStartTest& isStart);
std::size_t findWholeText(std::string_view text, std::string_view needle, std::size_t from = 0);

// findText(text, needle, 0, Case::Ignore), scanning for a byte that letter case cannot
// change (":" in an address) instead of walking the text character by character.
std::size_t findTextIgnoringCase(std::string_view text, std::string_view needle);

// How often each byte value occurs in (a sample of) a text: lets a search scan for the needle's
// rarest byte instead of its first.
using ByteCounts = std::array<std::size_t, 256>;
ByteCounts countBytes(std::string_view text);

// Every occurrence of `from` in `text` replaced by `to` (as replaceAllFast), written
// into `out` (cleared first, its storage reused). False when `from` does not occur;
// `out` is then left empty. `counts` (optional) picks the byte to scan for.
bool replaceAllInto(std::string_view text, std::string_view from, std::string_view to,
                    std::string& out, const ByteCounts* counts = nullptr);

// replaceAll(text, from, to) with a case-sensitive search.
std::string replaceAllFast(std::string_view text, std::string_view from, std::string_view to);

// Replaces in place; false (and `text` untouched) when `from` does not occur.
bool replaceAllInPlace(std::string& text, std::string_view from, std::string_view to);

// Whether any of several needles occurs in a text, each as containsText with Case::Ignore
// would find it (at a character start, ASCII letters folded where the needle has a
// character start), in one pass over the text whatever the number of needles.
class AnyTextFinder {
public:
    explicit AnyTextFinder(const std::vector<std::string>& needles);
    bool foundIn(std::string_view text) const;

private:
    struct Needle {
        std::string folded;      // ASCII letters at character starts lower-cased
        std::vector<bool> fold;  // per byte: compared folded (else exactly)
    };
    bool matchesAt(const Needle& needle, std::string_view text, std::size_t p) const;

    std::vector<Needle> needles_;
    bool hasEmpty_ = false;
};

}  // namespace lh
