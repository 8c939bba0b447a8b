#include "collect/result_output.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "collect/result_line.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

bool isDrive(const std::string& prefix) {
    return prefix.size() == 2 && prefix[1] == ':' &&
           ((prefix[0] >= 'A' && prefix[0] <= 'Z') || (prefix[0] >= 'a' && prefix[0] <= 'z'));
}

// Length of the GB18030 character at `pos`: 4 for a four-byte sequence, 2 for a lead
// byte with a valid second byte, 1 otherwise (a lone or damaged byte stands alone, so a
// control byte after it is never taken as part of a character).
std::size_t gbCharLength(std::string_view text, std::size_t pos) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto lead = [](unsigned char c) { return c >= 0x81 && c <= 0xFE; };
    const auto digit = [](unsigned char c) { return c >= 0x30 && c <= 0x39; };
    if (!lead(at(pos)) || pos + 1 >= text.size()) return 1;
    const unsigned char second = at(pos + 1);
    if (digit(second)) {
        return pos + 3 < text.size() && lead(at(pos + 2)) && digit(at(pos + 3)) ? 4 : 1;
    }
    return second >= 0x40 && second != 0x7F && second != 0xFF ? 2 : 1;
}

}  // namespace

LocalDateTime localDateTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string dateTimeText(const LocalDateTime& when) {
    static const std::string year = gb("年"), month = gb("月"), day = gb("日");
    static const std::string hour = gb("时"), minute = gb("分"), second = gb("秒");
    auto n = [](int value) { return std::to_string(value); };
    std::string text = n(when.year) + year + n(when.month) + month + n(when.day) + day;
    if (when.second != 0) {
        text += n(when.hour) + hour + n(when.minute) + minute + n(when.second) + second;
    } else if (when.minute != 0) {
        text += n(when.hour) + hour + n(when.minute) + minute;
    } else if (when.hour != 0) {
        text += n(when.hour) + hour;
    }
    return text;
}

std::string fileSafeKeyword(std::string_view keyword) {
    std::string safe;
    safe.reserve(keyword.size() + 8);
    for (std::size_t i = 0; i < keyword.size();) {
        const std::size_t length = gbCharLength(keyword, i);
        if (length > 1) {
            safe.append(keyword.substr(i, length));
            i += length;
            continue;
        }
        const char c = keyword[i++];
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '|':
        case '<':
        case '>':
            safe += '\xA3';
            safe += static_cast<char>(static_cast<unsigned char>(c) | 0x80);
            break;
        case '"':
            break;
        default:
            // NUL would cut the name short; other control characters make names
            // nobody can type or list safely.
            if (static_cast<unsigned char>(c) >= 0x20 && c != '\x7F') safe += c;
        }
    }
    return safe;
}

std::string fittedFileName(std::string_view head, std::string_view body, std::string_view tail,
                           std::string_view whole) {
    const auto nativeLength = [](std::string_view text) { return gbToUtf8(text).size(); };
    std::string name = std::string(head) + std::string(body) + std::string(tail);
    if (nativeLength(name) <= kMaxFileNameBytes) return name;

    // FNV-1a over the whole keyword: stable across runs and machines.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : whole) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char mark[16];
    std::snprintf(mark, sizeof mark, "~%08x",
                  static_cast<unsigned>((hash ^ (hash >> 32)) & 0xFFFFFFFFu));
    const std::size_t fixed = nativeLength(head) + nativeLength(mark) + nativeLength(tail);
    std::size_t kept = 0;
    std::size_t used = fixed;
    while (kept < body.size()) {
        const std::size_t length = gbCharLength(body, kept);
        const std::size_t more = nativeLength(body.substr(kept, length));
        if (used + more > kMaxFileNameBytes) break;
        used += more;
        kept += length;
    }
    for (;;) {
        name = std::string(head) + std::string(body.substr(0, kept)) + mark + std::string(tail);
        if (kept == 0 || nativeLength(name) <= kMaxFileNameBytes) return name;
        // Characters that convert differently alone than in company: give one back.
        std::size_t last = 0;
        for (std::size_t i = 0; i < kept; i += gbCharLength(body, i)) last = i;
        kept = last;
    }
}

std::string csvHeaderLine(const CollectionSettings& settings) {
    if (!isCsvExtension(settings.fileExtension)) return {};
    return replaceAll(settings.outputTemplate, "#", "") + "\r\n";
}

std::string keywordHeading(const CollectionSettings& settings, std::string_view keyword,
                           bool firstPiece) {
    const std::string sep =
        containsText(settings.outputTemplate, "<br>", Case::Ignore) ? "<br>" : "\r\n";
    std::string heading;
    if (!firstPiece) heading = std::string(30, '-') + sep;
    heading.append(keyword);
    heading += sep;
    return heading;
}

bool ensureFolderPath(const std::string& path) {
    const std::string& separator = folderSeparator();
    std::size_t at = findText(path, separator);
    while (at != kNotFound) {
        const std::string prefix = path.substr(0, at);
        if (!prefix.empty() && !isDrive(prefix)) {
            std::error_code error;
            const auto native = nativePath(prefix);
            if (!std::filesystem::exists(native, error)) {
                if (!std::filesystem::create_directory(native, error)) return false;
            }
        }
        at = findText(path, separator, at + separator.size());
    }
    std::error_code error;
    return std::filesystem::is_directory(nativePath(path), error);
}

}  // namespace lh
