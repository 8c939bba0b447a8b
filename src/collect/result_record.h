#pragma once

#include <string>

namespace lh {

// One result as the page step keeps it. All texts are program text.
struct ResultRecord {
    std::string title;        // plain text: tags removed, entities decoded, lines trimmed
    std::string address;      // link as found in the page, later the resolved target
    std::string keyword;      // the keyword searched (trimmed, not encoded)
    std::string description;  // plain-text snippet under the title
    // The target the page names beside the engine's link (an attribute), as found;
    // empty when it names none.
    std::string pageTarget{};

    bool operator==(const ResultRecord&) const = default;
};

}  // namespace lh
