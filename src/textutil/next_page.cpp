#include "textutil/next_page.h"

#include <algorithm>
#include <climits>
#include <limits>

#include "textutil/absolutise_links.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/program_text.h"
#include "textutil/regex_service.h"
#include "textutil/text_cleanup.h"
#include "textutil/text_search.h"

namespace lh {

namespace {

constexpr std::string_view kUnderscorePattern = "(http[^\"<>\\r\\n]*)_(\\d+)(\\.[a-z]+|)";
constexpr std::string_view kNumberPattern = "(http[^\"<>\\r\\n]*[^\\d])(\\d+)(\\.[a-z]+|)";

// Compiling a pattern costs more than searching a page with it: once per thread.
RegexService& underscorePattern() {
    thread_local RegexService regex;
    thread_local const bool made = regex.create(kUnderscorePattern);
    (void)made;
    return regex;
}

RegexService& numberPattern() {
    thread_local RegexService regex;
    thread_local const bool made = regex.create(kNumberPattern);
    (void)made;
    return regex;
}

std::string nextNumberText(const std::string& digits) {
    const long long n = toInteger(digits);
    return std::to_string(n == LLONG_MAX ? n : n + 1);
}

bool endsWithGuardedWord(std::string_view tag) {
    for (const std::string_view word : {"width>", "height>"}) {
        if (tag.size() >= word.size() &&
            equalsIgnoreCase(tag.substr(tag.size() - word.size()), word))
            return true;
    }
    return false;
}

// The lengths isNextLinkText can take for "next": from a word alone to the longest word
// with the longest arrow and four more bytes.
struct TextLengths {
    std::size_t atLeast = 0;
    std::size_t atMost = std::numeric_limits<std::size_t>::max();
};

TextLengths nextLinkTextLengths(const std::vector<std::string>& words,
                                const std::vector<std::string>& arrows) {
    TextLengths lengths{std::numeric_limits<std::size_t>::max(), 0};
    for (const auto& w : words) {
        lengths.atLeast = std::min(lengths.atLeast, w.size());
        lengths.atMost = std::max(lengths.atMost, w.size());
    }
    std::size_t arrow = 0;
    for (const auto& a : arrows) arrow = std::max(arrow, a.size());
    lengths.atMost += arrow + 4;
    return lengths;
}

bool isSurelyBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Bounds of the length of the link's text as the text rule reads it (tags and blanks
// left out), counted without building it: each "<" up to the first ">" past the byte
// after it goes, as stripping takes tags. No bounds when the link holds what the count
// cannot foresee: an entity outside its tags, a "Width" or "Height" that stripping
// guards, bytes that are no two-byte character.
TextLengths linkTextLengths(std::string_view raw) {
    for (const std::string_view guarded : {"width>", "height>", "width<", "height<"}) {
        if (findTextIgnoringCase(raw, guarded) != kNotFound) return {};
    }
    TextLengths lengths{0, 0};
    for (std::size_t i = 0; i < raw.size();) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c == '<') {
            const std::size_t close = raw.find('>', i + 2);
            if (close != std::string_view::npos) {
                i = close + 1;
                continue;
            }
        }
        if (c == '&') return {};
        if (c < 0x80) {
            if (!isSurelyBlank(c)) {
                lengths.atLeast += c == '\v' ? 0 : 1;  // a vertical tab may count as a blank
                ++lengths.atMost;
            }
            ++i;
            continue;
        }
        if (c == 0x80 || c == 0xFF || i + 1 >= raw.size()) return {};
        const auto trail = static_cast<unsigned char>(raw[i + 1]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return {};
        // A full-width space is a blank; any other character is one byte ("?" for one
        // without a code point) or its two.
        if (c != 0xA1 || trail != 0xA1) {
            lengths.atLeast += 1;
            lengths.atMost += 2;
        }
        i += 2;
    }
    return lengths;
}

// Text rule: a link into the current directory whose text says "next".
std::string byLinkText(const std::string& page, const std::string& dirSlash) {
    HtmlTagScanner scanner;
    const int count = scanner.locateAllElements(
        page, {.tag = "a", .attrNames = {"href"}, .attrValues = {dirSlash}, .containsMatch = true});
    const TextLengths next = nextLinkTextLengths(nextLinkWords(), nextLinkArrows());
    for (int i = 1; i <= count; ++i) {
        // A link that is its start tag alone strips to nothing (the whole tag is one
        // "<...>"), unless it ends in "Width>" or "Height>", which stripping guards.
        // Skipping those keeps pages full of unclosed start tags linear.
        const auto [begin, end] = scanner.elementRange(i);
        const std::string_view raw = std::string_view(page).substr(begin, end - begin);
        if (raw.find('>') == raw.size() - 1 && !endsWithGuardedWord(raw)) continue;
        // Most links are titles, far longer than "next", or page numbers, far shorter:
        // those need no stripping.
        const TextLengths bounds = linkTextLengths(raw);
        if (bounds.atLeast > next.atMost || bounds.atMost < next.atLeast) continue;
        const std::string text = removeWhitespace(stripTags(raw));
        if (isNextLinkText(text, nextLinkWords(), nextLinkArrows())) {
            return scanner.attributeValue(std::string_view(scanner.normaliseAssignments(raw)),
                                          "href");
        }
    }
    return {};
}

// Second-page rule: "name_2.ext", or "..._n+1" when the file name itself is a
// numbered address, provided the page mentions it.
std::string bySecondPageName(const std::string& address, const std::string& page,
                             const std::string& dirSlash) {
    const std::size_t slash = findLastText(address, "/");
    const std::string file = slash == kNotFound ? address : address.substr(slash + 1);
    const std::size_t dot = findLastText(file, ".");
    const std::string base = dot == kNotFound ? file : file.substr(0, dot);
    const std::string ext = dot == kNotFound ? "" : file.substr(dot + 1);

    RegexService& underscore = underscorePattern();
    std::string candidate;
    std::string tried;
    for (int k = 1; k <= 2; ++k) {
        if (k == 1 && underscore.execute(file) > 0) {
            candidate = dirSlash + underscore.subMatchText(1, 1) + "_" +
                        nextNumberText(underscore.subMatchText(1, 2)) +
                        underscore.subMatchText(1, 3);
        } else {
            candidate = dirSlash + base + "_2." + ext;
        }
        if (candidate != tried && findTextIgnoringCase(page, candidate) != kNotFound) break;
        tried = std::move(candidate);
        candidate.clear();
    }
    if (candidate.empty()) return {};
    if (underscore.execute(candidate) == 0) return {};
    if (!containsText(address, underscore.subMatchText(1, 1))) return {};
    return candidate;
}

// Number rule: the current address with its last number increased by one.
std::string byNextNumber(const std::string& address, const std::string& page) {
    RegexService& number = numberPattern();
    if (number.execute(address) == 0) return {};
    const long long current = toInteger(number.subMatchText(1, 2));
    if (current == LLONG_MAX) return {};
    const int count = number.execute(page);
    for (int i = 1; i <= count; ++i) {
        if (toInteger(number.subMatchText(i, 2)) == current + 1 &&
            containsText(address, number.subMatchText(i, 1))) {
            return number.matchText(i);
        }
    }
    return {};
}

}  // namespace

const std::vector<std::string>& nextLinkWords() {
    static const std::vector<std::string> words =
        splitText(gb("Next|下一页|下页|下一张|下张|下一图|下图|下张图|下一頁|下頁|下一張|下張|"
                     "下一圖|下圖|下張圖"),
                  "|");
    return words;
}

const std::vector<std::string>& nextLinkArrows() {
    static const std::vector<std::string> arrows = [] {
        std::vector<std::string> list = splitText(gb("》|&gt;|&raquo;"), "|");
        list.emplace_back();
        return list;
    }();
    return arrows;
}

bool isNextLinkText(std::string_view text, const std::vector<std::string>& words,
                    const std::vector<std::string>& arrows) {
    // A longer text neither equals a word with its arrow nor holds one with at most four
    // bytes besides.
    if (text.size() > nextLinkTextLengths(words, arrows).atMost) return false;
    for (const auto& arrow : arrows) {
        for (const auto& word : words) {
            const std::string candidate = word + arrow;
            if (equalsIgnoreCase(text, candidate)) return true;
            if (text.size() <= candidate.size() + 4 && containsText(text, candidate, Case::Ignore))
                return true;
        }
    }
    return false;
}

std::string findNextPageUrl(const std::string& address, const std::string& page) {
    const std::string dirSlash = parentPath(address) + "/";
    std::string next = byLinkText(page, dirSlash);
    if (next.empty()) next = bySecondPageName(address, page, dirSlash);
    if (next.empty()) next = byNextNumber(address, page);
    return next;
}

}  // namespace lh
