#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/result_record.h"

namespace lh {

// The template placeholders, in the order they are replaced.
inline constexpr std::string_view kPlaceholderSeparator = "[#fg#]";
// "#网址#[#fg#]#标题#[#fg#]#域名#[#fg#]#顶级域名#[#fg#]#描述#[#fg#]#关键词#" as program text.
const std::string& placeholderText();

// Replaces, for i = 1 … number of finds, every occurrence of find i in the running text
// by replacement i (ASCII case ignored), each step working on the previous one's result.
// Finds and replacements are split at `separator`; missing replacements are empty;
// empty finds are skipped.
std::string multiReplace(std::string_view text, std::string_view finds,
                         std::string_view replacements, std::string_view separator = "|");
std::string multiReplace(std::string_view text, const std::vector<std::string>& finds,
                         const std::vector<std::string>& replacements);

// Whether files with this extension are CSV ("csv" in any letter case).
bool isCsvExtension(std::string_view extension);

// The output line of a record: the template with its placeholders filled (address,
// title, domain, top-level domain, description, keyword, in that order) and CR LF.
// For CSV files, a value that stands inside a double-quoted field of the template has
// its double quotes doubled, so the row keeps its columns; nothing else is escaped.
std::string renderLine(const CollectionSettings& settings, const ResultRecord& record);

}  // namespace lh
