#pragma once

#include <string>
#include <string_view>

namespace lh::cli {

// Program text of a keyword file's bytes, lines joined by CR LF as the window's
// keyword box holds them. UTF-8 (with or without byte-order mark) and UTF-16 (with a
// byte-order mark, or known by its NUL bytes) are converted; anything else is taken as
// GB18030. CR LF, LF and a
// lone CR all end a line; one trailing line end does not add an empty keyword.
std::string keywordListFromBytes(std::string_view bytes);

// Reads a keyword file ("-" = standard input) into `keywordList`. False with a
// one-line reason in `error` when it cannot be read, or is a folder, a device or larger
// than kInputFileLimit.
bool readKeywordFile(const std::string& path, std::string& keywordList, std::string& error);

// Keywords a run will search: non-empty lines after trimming spaces.
int countKeywords(std::string_view keywordList);

}  // namespace lh::cli
