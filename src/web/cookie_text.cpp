#include "web/cookie_text.h"

#include <unordered_set>
#include <vector>

#include "textutil/program_text.h"

namespace lh {

namespace {

std::string withoutSpaces(std::string_view text) {
    return replaceAll(replaceAll(text, " ", ""), kFullWidthSpace, "");
}

std::string cookieName(std::string_view piece) {
    const std::size_t eq = findText(piece, "=");
    return trimSpaces(eq == kNotFound ? piece : piece.substr(0, eq));
}

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Header lines of a block, whatever its line ends.
std::vector<std::string_view> headerLines(std::string_view block) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find('\n', start);
        if (end == std::string_view::npos) end = block.size();
        std::string_view line = block.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string mergeCookieTexts(std::string_view plain, std::string_view full) {
    std::vector<std::string> pieces;
    std::unordered_set<std::string> names;
    auto take = [&](std::string_view text, bool onlyNewNames) {
        for (std::string& piece : splitText(withoutSpaces(text), ";")) {
            // A failed store call leaves nothing but separators; they add nothing.
            if (piece.empty()) continue;
            std::string name = cookieName(piece);
            if (onlyNewNames && names.count(name) != 0) continue;
            names.insert(std::move(name));
            pieces.push_back(std::move(piece));
        }
    };
    take(full, false);
    take(plain, true);

    std::string result;
    std::unordered_set<std::string> seen;
    for (const std::string& piece : pieces) {
        if (endsWith(piece, "=deleted")) continue;
        if (!seen.insert(piece).second) continue;
        if (!result.empty()) result += "; ";
        result += piece;
    }
    return result;
}

std::string cookieByName(std::string_view cookieText, std::string_view name, bool valueOnly) {
    std::string text = trimSpaces(cookieText);
    if (text.empty() || text.back() != ';') text += ';';
    const std::string key = std::string(name) + "=";
    const std::size_t start = findText(text, key);
    if (start == kNotFound) return {};
    const std::size_t valueStart = start + key.size();
    const std::size_t end = findText(text, ";", valueStart);
    if (end == kNotFound) return {};
    std::string value = text.substr(valueStart, end - valueStart);
    if (valueOnly || value.empty()) return value;
    return key + value;
}

std::string responseCookies(std::string_view rawHeaders) {
    static constexpr std::string_view kPrefix = "Set-Cookie: ";
    std::string result;
    if (!containsText(rawHeaders, kPrefix, Case::Ignore)) return result;
    for (std::string_view line : headerLines(rawHeaders)) {
        if (!containsText(line, kPrefix, Case::Ignore) || line.size() < kPrefix.size()) continue;
        const std::string_view rest = line.substr(kPrefix.size());
        // A cookie without attributes has no ";": its whole value is the pair.
        const std::size_t semicolon = rest.find(';');
        result +=
            std::string(semicolon == std::string_view::npos ? rest : rest.substr(0, semicolon));
        result += ';';
    }
    return result;
}

std::string requestCookieText(std::string_view allHeaders) {
    std::string kept;
    for (std::string_view line : headerLines(allHeaders)) {
        if (line.rfind("Set-Cookie:", 0) == 0) {
            kept += line;
            kept += "\r\n";
        }
    }
    return replaceAll(replaceAll(kept, "Set-Cookie: ", ""), "\r\n", "; ");
}

}  // namespace lh
