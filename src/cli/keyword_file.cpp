#include "cli/keyword_file.h"

#include <unistd.h>
#include <cstddef>

#include "textutil/file_access.h"
#include "textutil/program_text.h"

namespace lh::cli {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Text in GB18030 or UTF-8 holds no NUL byte; UTF-16 of mostly ASCII text (line ends at
// least) holds one in every other byte. UTF-16 is assumed when there are NULs, all in the
// high bytes of one byte order, no high byte is a CR or LF (their code units would be
// Indic letters, while a keyword with a NUL in GB text has them) and no code unit is a
// control character but tab, CR and LF.
const char* utf16WithoutMark(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0) return nullptr;
    for (const std::size_t high : {std::size_t{1}, std::size_t{0}}) {
        bool sawNul = false;
        bool fits = true;
        for (std::size_t i = 0; fits && i < bytes.size(); i += 2) {
            const unsigned char hi = static_cast<unsigned char>(bytes[i + high]);
            const unsigned char lo = static_cast<unsigned char>(bytes[i + 1 - high]);
            if (lo == 0 && hi != 0) fits = false;  // a NUL in the other half
            if (hi == '\r' || hi == '\n') fits = false;
            if (hi == 0) {
                sawNul = true;
                if (lo < 0x20 && lo != '\t' && lo != '\r' && lo != '\n') fits = false;
            }
        }
        if (fits && sawNul) return high == 1 ? "UTF-16LE" : "UTF-16BE";
    }
    return nullptr;
}

std::string toProgramText(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) return utf8ToGb(bytes.substr(3));
    if (startsWith(bytes, "\xFF\xFE"))
        return convertCharset(bytes.substr(2), "UTF-16LE", "GB18030");
    if (startsWith(bytes, "\xFE\xFF"))
        return convertCharset(bytes.substr(2), "UTF-16BE", "GB18030");
    if (const char* utf16 = utf16WithoutMark(bytes)) {
        bool clean = false;
        std::string text = convertCharset(bytes, utf16, "GB18030", &clean);
        if (clean) return text;
    }
    if (isValidUtf8(bytes)) return utf8ToGb(bytes);
    return std::string(bytes);
}

}  // namespace

std::string keywordListFromBytes(std::string_view bytes) {
    const std::string text = toProgramText(bytes);
    std::string list;
    list.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (i + 1 < text.size()) list += "\r\n";
        } else {
            list += c;
        }
    }
    return list;
}

bool readKeywordFile(const std::string& path, std::string& keywordList, std::string& error) {
    std::string bytes;
    if (path == "-") {
        const FileReadResult read = readDescriptorWithin(STDIN_FILENO, kInputFileLimit, bytes);
        if (read == FileReadResult::TooLarge) {
            error =
                "standard input holds more than " + std::to_string(kInputFileLimit >> 20) + " MB";
            return false;
        }
        if (read != FileReadResult::Read) {
            error = "cannot read standard input";
            return false;
        }
    } else if (readRegularFile(path, kInputFileLimit, bytes, &error) != FileReadResult::Read) {
        return false;
    }
    keywordList = keywordListFromBytes(bytes);
    return true;
}

int countKeywords(std::string_view keywordList) {
    int n = 0;
    for (const std::string& piece : splitText(keywordList, "\r\n")) {
        if (!trimSpaces(piece).empty()) ++n;
    }
    return n;
}

}  // namespace lh::cli
