#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "collect/collection_settings.h"

namespace lh {

// A local calendar date and time; months and days from 1.
struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The clock's local time now. The run takes it once at its start and hands it on, so
// tests can give any moment instead.
LocalDateTime localDateTimeNow();

// "2024年5月6日9时5分30秒": no leading zeros; the time ends at its last non-zero
// part (…9时5分 when the second is 0, …9时 when minute and second are 0) and is left
// out at midnight exactly.
std::string dateTimeText(const LocalDateTime& when);

// The keyword made usable in a file name: \ / : * ? | < > become their full-width
// forms, double quotes are removed, and so are NUL and every other control character
// (CR, LF, TAB, ESC, DEL). Nothing is trimmed or shortened.
std::string fileSafeKeyword(std::string_view keyword);

// Longest file name (without its folder) the file systems we write to take, in bytes
// of the name as the system sees it (UTF-8).
inline constexpr std::size_t kMaxFileNameBytes = 255;

// head + body + tail (program text) when that fits kMaxFileNameBytes; otherwise body is
// cut on a character boundary and followed by "~" and 8 hex digits of a hash of
// `whole`, so names that had to be cut still differ when their keywords do.
std::string fittedFileName(std::string_view head, std::string_view body, std::string_view tail,
                           std::string_view whole);

// The first line of a CSV result file: the template without its "#" and CR LF; empty
// for other extensions.
std::string csvHeaderLine(const CollectionSettings& settings);

// The heading written before a keyword's results in a merged file with separator lines:
// 30 hyphens and sep unless the keyword is the first piece of the keyword list, then
// the keyword and sep; sep is "<br>" when the template holds "<br>" (any case), CR LF
// otherwise.
std::string keywordHeading(const CollectionSettings& settings, std::string_view keyword,
                           bool firstPiece);

// Creates each missing folder along `path` (program text, folder separator between
// parts). Stops at the first folder it cannot create and returns false; true when the
// whole path exists afterwards.
bool ensureFolderPath(const std::string& path);

}  // namespace lh
