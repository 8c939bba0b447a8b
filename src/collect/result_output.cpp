#include "collect/result_output.h"

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
        const std::size_t length = charLengthAt(keyword, i);
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
        case '\r':
        case '\n':
        case '\t':
            break;
        default:
            safe += c;
        }
    }
    return safe;
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
