#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace lh {

// One regular expression with its flags and the matches of the last search.
// Pattern, subject and replacement are program text; matching is by character, so a
// two-byte character such as the full-width space is one character to the pattern.
// Dialect: ECMAScript-like ($1..$9, $& and $$ in replacements); with `multiline`,
// "^" and "$" treat CR and LF as line ends. Indexes are 1-based.
// Nothing throws: a bad pattern gives 0 matches and an empty replace result; an index
// outside the stored matches gives empty text.
class RegexService {
public:
    RegexService();
    ~RegexService();
    RegexService(const RegexService&) = delete;
    RegexService& operator=(const RegexService&) = delete;

    // Sets the pattern; each flag defaults to on. False when the pattern does not compile.
    bool create(std::string_view pattern, bool ignoreCase = true, bool multiline = true,
                bool global = true);

    // Searches the subject; the matches replace the stored ones. Returns their number.
    int execute(std::string_view subject);
    int matchCount() const;
    std::string matchText(int index) const;
    // Capture group `group` of match `index`; a group that took no part reads as empty.
    std::string subMatchText(int index, int group) const;

    // The subject with matches replaced (every match when `global`).
    std::string replace(std::string_view subject, std::string_view replacement) const;

    // The pattern text; empty before `create`.
    std::string pattern() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace lh
