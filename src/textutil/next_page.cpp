#include "textutil/next_page.h"

#include <algorithm>
#include <climits>

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

// Text rule: a link into the current directory whose text says "next".
std::string byLinkText(const std::string& page, const std::string& dirSlash) {
    HtmlTagScanner scanner;
    const int count = scanner.locateAllElements(
        page, {.tag = "a", .attrNames = {"href"}, .attrValues = {dirSlash}, .containsMatch = true});
    for (int i = 1; i <= count; ++i) {
        // A link that is its start tag alone strips to nothing (the whole tag is one
        // "<...>"), unless it ends in "Width>" or "Height>", which stripping guards.
        // Skipping those keeps pages full of unclosed start tags linear.
        const auto [begin, end] = scanner.elementRange(i);
        const std::string_view raw = std::string_view(page).substr(begin, end - begin);
        if (raw.find('>') == raw.size() - 1 && !endsWithGuardedWord(raw)) continue;
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
    std::size_t longest = 0;
    for (const auto& word : words) longest = std::max(longest, word.size());
    std::size_t longestArrow = 0;
    for (const auto& arrow : arrows) longestArrow = std::max(longestArrow, arrow.size());
    // A longer text neither equals a word with its arrow nor holds one with at most four
    // bytes besides: most link texts are titles, and end here.
    if (text.size() > longest + longestArrow + 4) return false;
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
