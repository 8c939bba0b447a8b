#include "textutil/keyword_list.h"

#include "textutil/program_text.h"

namespace lh {

bool matchesAnyInList(std::string_view text, std::string_view list, bool wholeEntry,
                      bool ignoreCase, ListMatch* match) {
    const Case mode = ignoreCase ? Case::Ignore : Case::Sensitive;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        std::size_t bar = findText(list, "|", pos);
        if (bar == kNotFound) bar = list.size();
        const std::string_view entry = list.substr(pos, bar - pos);
        pos = bar + 1;
        if (entry.empty()) continue;

        long long found = -1;
        if (wholeEntry) {
            if (ignoreCase ? equalsIgnoreCase(text, entry) : text == entry) found = 1;
        } else {
            const std::size_t hit = findText(text, entry, 0, mode);
            if (hit != kNotFound) found = static_cast<long long>(hit) + 1;
        }
        if (found > 0) {
            if (match != nullptr) {
                match->entry = std::string(entry);
                match->position = found;
            }
            return true;
        }
    }
    if (match != nullptr) {
        match->entry.clear();
        match->position = -1;
    }
    return false;
}

}  // namespace lh
