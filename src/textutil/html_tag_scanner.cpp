#include "textutil/html_tag_scanner.h"

#include <cstring>
#include <string_view>

#include "textutil/program_text.h"
#include "textutil/text_search.h"

namespace lh {

namespace {

constexpr std::size_t kNone = std::string::npos;

inline unsigned char foldByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

bool isBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool usableTag(std::string_view tag) {
    if (tag.empty()) return false;
    for (const char ch : tag) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '<' || c == '>' || c == '/' || c <= ' ') return false;
    }
    return true;
}

// Start and end tags of one name in one page, paired the way nested tags of the same
// name are counted: an end tag closes the latest start tag still open. The page is
// walked once, lazily, as far as the caller's questions need.
class TagIndex {
public:
    TagIndex(std::string_view page, std::string_view tag, bool ignoreCase)
        : page_(page), ignoreCase_(ignoreCase) {
        startNeedle_ = "<" + std::string(tag);
        endNeedle_ = "</" + std::string(tag) + ">";
        if (ignoreCase_) {
            for (auto& c : startNeedle_)
                c = static_cast<char>(foldByte(static_cast<unsigned char>(c)));
            for (auto& c : endNeedle_)
                c = static_cast<char>(foldByte(static_cast<unsigned char>(c)));
        }
    }

    std::size_t endNeedleLength() const { return endNeedle_.size(); }

    // Position of the k-th start tag (0-based), kNone when the page has fewer.
    std::size_t start(std::size_t k) {
        while (starts_.size() <= k && advance()) {}
        return k < starts_.size() ? starts_[k] : kNone;
    }

    // Position of the end tag that closes start tag k, kNone when none does.
    std::size_t closingEnd(std::size_t k) {
        while (ends_[k] == kNone && advance()) {}
        return ends_[k];
    }

private:
    bool needleAt(std::size_t p, const std::string& needle) const {
        if (page_.size() - p < needle.size()) return false;
        if (!ignoreCase_) return std::memcmp(page_.data() + p, needle.data(), needle.size()) == 0;
        for (std::size_t i = 0; i < needle.size(); ++i) {
            if (foldByte(static_cast<unsigned char>(page_[p + i])) !=
                static_cast<unsigned char>(needle[i]))
                return false;
        }
        return true;
    }

    // A letter a-z or digit right after "<name" means a longer name ("<abbr" for "a").
    bool boundaryAfter(std::size_t q) const {
        if (q >= page_.size()) return true;
        auto c = static_cast<unsigned char>(page_[q]);
        if (ignoreCase_) c = foldByte(c);
        return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'));
    }

    // Looks at the next "<" of the page; false when there is none.
    bool advance() {
        if (cursor_ >= page_.size()) return false;
        const void* hit = std::memchr(page_.data() + cursor_, '<', page_.size() - cursor_);
        if (hit == nullptr) {
            cursor_ = page_.size();
            return false;
        }
        const auto p = static_cast<std::size_t>(static_cast<const char*>(hit) - page_.data());
        cursor_ = p + 1;
        if (needleAt(p, startNeedle_) && boundaryAfter(p + startNeedle_.size())) {
            open_.push_back(starts_.size());
            starts_.push_back(p);
            ends_.push_back(kNone);
        } else if (needleAt(p, endNeedle_) && !open_.empty()) {
            ends_[open_.back()] = p;
            open_.pop_back();
        }
        return true;
    }

    std::string_view page_;
    bool ignoreCase_;
    std::string startNeedle_;
    std::string endNeedle_;
    std::size_t cursor_ = 0;
    std::vector<std::size_t> starts_;
    std::vector<std::size_t> ends_;
    std::vector<std::size_t> open_;
};

// The text after `marker` up to `endMarker`, both found ignoring case; empty when
// either is missing.
std::string_view cutAfter(std::string_view text, std::string_view marker,
                          std::string_view endMarker) {
    const std::size_t s = findTextIgnoringCase(text, marker);
    if (s == kNotFound) return {};
    const std::size_t from = s + marker.size();
    // Searching the rest as a text of its own walks characters from `from`, as a
    // search from `from` does.
    const std::size_t e = findTextIgnoringCase(text.substr(from), endMarker);
    if (e == kNotFound) return {};
    return text.substr(from, e);
}

// One attribute condition, prepared once per call.
struct Condition {
    std::string spaceName;   // " name="
    std::string wanted;      // as given
    std::string wantedNorm;  // lower-cased and trimmed
};

// One of the blank-separated tokens of `value` is `wanted` (lower case), or starts with
// it when `prefix` is on.
bool hasToken(std::string_view value, std::string_view wanted, bool prefix) {
    std::size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && isBlank(static_cast<unsigned char>(value[i]))) ++i;
        std::size_t j = i;
        while (j < value.size() && !isBlank(static_cast<unsigned char>(value[j]))) ++j;
        const std::size_t length = j - i;
        if (prefix ? length >= wanted.size() : length == wanted.size()) {
            std::size_t k = 0;
            while (k < wanted.size() && foldByte(static_cast<unsigned char>(value[i + k])) ==
                                            static_cast<unsigned char>(wanted[k]))
                ++k;
            if (k == wanted.size()) return true;
        }
        i = j;
    }
    return false;
}

bool conditionHolds(std::string_view tagText, const Condition& c, bool containsMatch,
                    bool tokenMatch) {
    if (c.wanted.empty()) return findTextIgnoringCase(tagText, c.spaceName) != kNotFound;
    if (tokenMatch && !containsMatch) {
        // The value as a browser reads it: quoted whole, or unquoted up to a blank or ">".
        const std::size_t at = findTextIgnoringCase(tagText, c.spaceName);
        if (at == kNotFound) return false;
        std::string_view value = tagText.substr(at + c.spaceName.size());
        if (!value.empty() && (value[0] == '"' || value[0] == '\'')) {
            const std::size_t close = value.find(value[0], 1);
            value =
                close == std::string_view::npos ? std::string_view() : value.substr(1, close - 1);
        } else {
            std::size_t end = 0;
            while (end < value.size() && value[end] != '>' &&
                   !isBlank(static_cast<unsigned char>(value[end])))
                ++end;
            value = value.substr(0, end);
        }
        const bool prefix = !c.wantedNorm.empty() && c.wantedNorm.back() == '*';
        const std::string_view wanted =
            prefix ? std::string_view(c.wantedNorm).substr(0, c.wantedNorm.size() - 1)
                   : std::string_view(c.wantedNorm);
        return hasToken(value, wanted, prefix);
    }
    const std::string dq = c.spaceName + "\"";
    const std::string sq = c.spaceName + "'";
    const std::string_view candidates[4] = {cutAfter(tagText, dq, "\""), cutAfter(tagText, sq, "'"),
                                            cutAfter(tagText, c.spaceName, " "),
                                            cutAfter(tagText, c.spaceName, ">")};
    for (const auto candidate : candidates) {
        if (containsMatch) {
            if (findTextIgnoringCase(candidate, c.wanted) != kNotFound) return true;
        } else if (toLowerAscii(trimSpaces(candidate)) == c.wantedNorm) {
            return true;
        }
    }
    return false;
}

bool isNameByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
           c == '_';
}

// Where an attribute's value sits in a start tag.
struct ValueSpot {
    bool found = false;
    std::size_t begin = 0;  // first byte of the value
    std::size_t length = 0;
};

// The value as the read rule takes it: " name" before "name"; double-quoted, then
// single-quoted, then unquoted; the first non-empty one wins, but an empty
// double-quoted value ends the search. With `wholeName`, a name only counts where it
// does not continue a longer one (src in data-src).
ValueSpot locateValue(std::string_view tag, std::string_view name, bool wholeName) {
    ValueSpot none;
    if (findText(tag, name, 0, Case::Ignore) == kNotFound) return none;
    const std::string spaced = " " + std::string(name);
    for (int pass = 0; pass < 2; ++pass) {
        const std::string prefix = (pass == 0 ? spaced : std::string(name)) + "=";
        auto findPrefix = [&](std::string_view suffix) -> std::size_t {
            const std::string marker = prefix + std::string(suffix);
            std::size_t from = 0;
            for (;;) {
                const std::size_t p = findText(tag, marker, from, Case::Ignore);
                if (p == kNotFound) return kNotFound;
                if (!wholeName || pass == 0 || p == 0 ||
                    !isNameByte(static_cast<unsigned char>(tag[p - 1])))
                    return p + marker.size();
                from = p + 1;
            }
        };
        for (const char quote : {'"', '\''}) {
            const std::size_t v = findPrefix(std::string_view(&quote, 1));
            if (v == kNotFound) continue;
            const std::size_t e = findText(tag, std::string_view(&quote, 1), v, Case::Ignore);
            if (e == kNotFound) continue;
            if (e > v) return ValueSpot{true, v, e - v};
            if (quote == '"') return ValueSpot{true, v, 0};
        }
        const std::size_t v = findPrefix("");
        if (v == kNotFound) continue;
        const std::size_t bySpace = findText(tag, " ", v);
        const std::size_t byBracket = findText(tag, ">", v);
        const std::size_t a = bySpace == kNotFound ? 0 : bySpace - v;
        const std::size_t b = byBracket == kNotFound ? 0 : byBracket - v;
        if (a > 0 && (b == 0 || a <= b)) return ValueSpot{true, v, a};
        if (b > 0) return ValueSpot{true, v, b};
    }
    return none;
}

}  // namespace

namespace {

// The page copies of collecting calls keep their storage for the thread's next scanner:
// a page then costs no fresh page-sized memory. At most four are kept, each no larger
// than the largest page the thread has scanned.
struct PageCopyPool {
    std::vector<std::string> spare;
    bool open = true;
    ~PageCopyPool() { open = false; }
};

PageCopyPool& pageCopyPool() {
    thread_local PageCopyPool pool;
    return pool;
}

}  // namespace

HtmlTagScanner::HtmlTagScanner() {
    PageCopyPool& pool = pageCopyPool();
    if (pool.open && !pool.spare.empty()) {
        pageBuffer_ = std::move(pool.spare.back());
        pool.spare.pop_back();
    }
}

HtmlTagScanner::~HtmlTagScanner() {
    PageCopyPool& pool = pageCopyPool();
    if (!pool.open || pool.spare.size() >= 4 || pageBuffer_.capacity() == 0) return;
    pageBuffer_.clear();
    pool.spare.push_back(std::move(pageBuffer_));
}

std::string HtmlTagScanner::findElement(const std::string& page, const ElementQuery& query,
                                        int occurrence, bool append) {
    const bool collect = occurrence == kCollectAll;
    if (collect) {
        if (!append) ranges_.clear();
        if (keepPage_) {
            pageBuffer_ = page;
        } else {
            pageBuffer_.clear();
        }
        collectedPageSize_ = page.size();
    }
    const std::string_view text(page);

    std::vector<Condition> conditions;
    conditions.reserve(query.attrNames.size());
    for (std::size_t i = 0; i < query.attrNames.size(); ++i) {
        Condition c;
        c.spaceName = " " + query.attrNames[i] + "=";
        if (i < query.attrValues.size()) c.wanted = query.attrValues[i];
        c.wantedNorm = toLowerAscii(trimSpaces(c.wanted));
        conditions.push_back(std::move(c));
    }

    if (usableTag(query.tag)) {
        TagIndex index(text, query.tag, query.ignoreCase);
        std::size_t nextFrom = 0;  // candidates must start here or later
        std::size_t closeBracket = kNone;
        for (std::size_t k = 0;; ++k) {
            const std::size_t g = index.start(k);
            if (g == kNone) break;
            if (g < nextFrom) continue;
            if (closeBracket == kNone || closeBracket <= g) {
                const void* hit = std::memchr(text.data() + g + 1, '>', text.size() - g - 1);
                if (hit == nullptr) break;  // no later start tag can close either
                closeBracket =
                    static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
            }
            const std::size_t tagLength = closeBracket - g + 1;
            const std::string_view tagText = text.substr(g, tagLength);

            if (!conditions.empty()) {
                bool holds = false;
                for (const auto& c : conditions) {
                    holds = conditionHolds(tagText, c, query.containsMatch, query.tokenMatch);
                    if (query.matchAll ? !holds : holds) break;
                }
                if (!holds) continue;
            }

            const bool selfClosing =
                tagText.size() >= 2 && tagText.substr(tagText.size() - 2) == "/>";
            std::size_t e = g + tagLength;
            if (!selfClosing) {
                const std::size_t h = index.closingEnd(k);
                if (h != kNone) e = h + index.endNeedleLength();
            }

            if (!collect) {
                std::string found(text.substr(g, e - g));
                if (query.innerOnly) {
                    if (selfClosing) {
                        found.clear();
                    } else {
                        found.erase(0, tagLength);
                        found.resize(found.size() -
                                     std::min(found.size(), index.endNeedleLength()));
                    }
                }
                if (!query.rawText) found = normaliseAssignments(found);
                lastText_ = found;
                return found;
            }

            if (query.innerOnly) {
                const std::size_t begin = g + tagLength;
                // Without its end tag the element is its start tag: nothing inside.
                const std::size_t end = (selfClosing || e < begin + index.endNeedleLength())
                                            ? begin
                                            : e - index.endNeedleLength();
                ranges_.push_back({begin, end});
                nextFrom = begin;
            } else {
                ranges_.push_back({g, e});
                nextFrom = g + 1;
            }
        }
    }

    if (collect) return std::to_string(ranges_.size());
    return {};
}

int HtmlTagScanner::findAllElements(const std::string& page, const ElementQuery& query) {
    ElementQuery one = query;
    bool first = true;
    for (auto& name : splitText(query.tag, "|")) {
        one.tag = std::move(name);
        findElement(page, one, kCollectAll, !first);
        first = false;
    }
    return elementCount();
}

int HtmlTagScanner::locateAllElements(const std::string& page, const ElementQuery& query) {
    keepPage_ = false;
    const int count = findAllElements(page, query);
    keepPage_ = true;
    return count;
}

std::string HtmlTagScanner::findBySample(std::string& page, std::string_view samples,
                                         const SampleOptions& options) {
    std::string cleaned;
    for (const char c : samples) {
        if (c != '<' && c != '>') cleaned.push_back(c);
    }
    std::vector<std::string> texts;
    for (const auto& rawPiece : splitText(cleaned, "|")) {
        const std::string piece = trimSpaces(rawPiece);
        if (piece.empty()) continue;
        ElementQuery query;
        const std::size_t space = findText(piece, " ");
        query.tag = space == kNotFound ? piece : piece.substr(0, space);
        for (const auto& token : splitText(piece, " ")) {
            const std::size_t eq = findText(token, "=");
            if (eq == kNotFound || eq == 0 || eq + 1 >= token.size()) continue;
            const std::string name = token.substr(0, eq);
            query.attrNames.push_back(name);
            query.attrValues.push_back(attributeValue(std::string_view(piece), name));
        }
        query.containsMatch = options.containsMatch;
        query.matchAll = true;
        query.innerOnly = options.innerOnly;

        std::string pieceText;
        if (options.listAll) {
            const int count = findAllElements(page, query);
            for (int j = 1; j <= count; ++j) {
                if (options.removeMatches) {
                    const std::string element = elementText(j, true);
                    const std::size_t at = findWholeText(page, element);
                    if (!element.empty() && at != kNotFound) page.erase(at, element.size());
                } else {
                    pieceText += elementText(j, options.rawText);
                    pieceText += "\r\n";
                }
            }
        } else {
            query.rawText = options.removeMatches || options.rawText;
            const std::string element = findElement(page, query);
            if (options.removeMatches) {
                const std::size_t at = element.empty() ? kNotFound : findWholeText(page, element);
                if (at != kNotFound) page.erase(at, element.size());
            } else {
                pieceText = element;
            }
        }
        texts.push_back(std::move(pieceText));
    }
    if (options.removeMatches) return page;
    return joinText(texts, "\r\n");
}

std::string HtmlTagScanner::attributeValue(std::string_view tagText, std::string_view name) const {
    const ValueSpot spot = locateValue(tagText, name, false);
    if (!spot.found) return {};
    return trimSpaces(tagText.substr(spot.begin, spot.length));
}

std::string HtmlTagScanner::attributeValue(std::string& tagText, std::string_view name,
                                           std::string_view newValue, bool set) {
    if (!set) return attributeValue(std::string_view(tagText), name);
    ValueSpot spot = locateValue(tagText, name, true);
    if (!spot.found) {
        const std::string added = " " + std::string(name) + "=\"\"";
        std::size_t at = tagText.size();
        if (tagText.size() >= 2 && tagText.compare(tagText.size() - 2, 2, "/>") == 0) {
            at = tagText.size() - 2;
        } else if (const std::size_t gt = tagText.rfind('>'); gt != std::string::npos) {
            at = gt;
        }
        tagText.insert(at, added);
        spot = ValueSpot{true, at + added.size() - 1, 0};
    }
    tagText.replace(spot.begin, spot.length, newValue);
    return tagText;
}

int HtmlTagScanner::elementCount() const { return static_cast<int>(ranges_.size()); }

std::pair<std::size_t, std::size_t> HtmlTagScanner::elementRange(int index) const {
    if (index < 1 || index > elementCount()) return {0, 0};
    Range r = ranges_[static_cast<std::size_t>(index - 1)];
    // An appending call with a shorter page must not send a cut past its end.
    r.end = std::min(r.end, collectedPageSize_);
    r.begin = std::min(r.begin, r.end);
    return {r.begin, r.end};
}

std::string HtmlTagScanner::elementText(int index, bool rawText) const {
    const auto [begin, end] = elementRange(index);
    if (begin == end || end > pageBuffer_.size()) return {};
    const std::string_view cut = std::string_view(pageBuffer_).substr(begin, end - begin);
    return rawText ? std::string(cut) : normaliseAssignments(cut);
}

std::string HtmlTagScanner::normaliseAssignments(std::string_view text) const {
    std::string out;
    normaliseAssignments(text, out);
    return out;
}

void HtmlTagScanner::normaliseAssignments(std::string_view text, std::string& out) const {
    constexpr int kMaxBlanks = 10;
    out.clear();
    const void* firstEq = std::memchr(text.data(), '=', text.size());
    if (firstEq == nullptr) {
        out.assign(text);
        return;
    }

    CharStartTest isStart(text);
    out.reserve(text.size());
    std::size_t copied = 0;    // text before this is in `out`
    std::size_t matchEnd = 0;  // a match never reaches back before the previous one
    std::size_t eq = static_cast<std::size_t>(static_cast<const char*>(firstEq) - text.data());
    while (eq != kNone) {
        if (isStart(eq)) {
            // Blanks before "=": at most 10 characters (a longer run keeps its head), and
            // never back into the previous match.
            std::size_t begin = eq;
            for (int n = 0; n < kMaxBlanks && begin > matchEnd; ++n) {
                const auto prev = static_cast<unsigned char>(text[begin - 1]);
                if (!isLeadByte(prev)) {
                    if (!isBlank(prev) || !isStart(begin - 1)) break;
                    --begin;
                } else if (begin >= matchEnd + 2 && text.substr(begin - 2, 2) == kFullWidthSpace) {
                    begin -= 2;  // begin is a character start, so A1 A1 before it is one
                } else {
                    break;
                }
            }
            std::size_t end = eq + 1;
            for (int n = 0; n < kMaxBlanks; ++n) {
                if (end < text.size() && isBlank(static_cast<unsigned char>(text[end]))) {
                    ++end;
                } else if (end + 1 < text.size() && text.substr(end, 2) == kFullWidthSpace) {
                    end += 2;
                } else {
                    break;
                }
            }
            out.append(text.substr(copied, begin - copied));
            out.push_back('=');
            copied = end;
            matchEnd = end;
        }
        const std::size_t from = std::max(matchEnd, eq + 1);
        if (from >= text.size()) break;
        const void* next = std::memchr(text.data() + from, '=', text.size() - from);
        eq = next == nullptr
                 ? kNone
                 : static_cast<std::size_t>(static_cast<const char*>(next) - text.data());
    }
    out.append(text.substr(copied));
}

}  // namespace lh
