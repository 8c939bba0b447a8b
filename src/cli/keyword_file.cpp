#include "cli/keyword_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "textutil/program_text.h"

namespace lh::cli {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string toProgramText(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) return utf8ToGb(bytes.substr(3));
    if (startsWith(bytes, "\xFF\xFE"))
        return convertCharset(bytes.substr(2), "UTF-16LE", "GB18030");
    if (startsWith(bytes, "\xFE\xFF"))
        return convertCharset(bytes.substr(2), "UTF-16BE", "GB18030");
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
        std::ostringstream all;
        all << std::cin.rdbuf();
        if (std::cin.bad()) {
            error = "cannot read standard input";
            return false;
        }
        bytes = all.str();
    } else {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot open '" + path + "': " + std::strerror(errno);
            return false;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            error = "cannot read '" + path + "'";
            return false;
        }
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
