#pragma once

#include <string>
#include <string_view>

namespace lh {

struct ListMatch {
    std::string entry;        // the first entry that matched
    long long position = -1;  // 1-based; 1 for a whole-entry match; -1 when none matched
};

// Whether `text` contains (or with `wholeEntry`, equals) one of the "|"-separated
// entries of `list`, tried in order. Entries are plain text; empty entries are skipped,
// so a list without a non-empty entry never matches. `ignoreCase` folds ASCII letters.
bool matchesAnyInList(std::string_view text, std::string_view list, bool wholeEntry = false,
                      bool ignoreCase = true, ListMatch* match = nullptr);

}  // namespace lh
