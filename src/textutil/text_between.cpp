#include "textutil/text_between.h"

#include <algorithm>

#include "textutil/program_text.h"

namespace lh {
namespace {

const std::string& headSentinel() {
    static const std::string s = gb("#砚溪头#");
    return s;
}

const std::string& tailSentinel() {
    static const std::string s = gb("#砚溪尾#");
    return s;
}

unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// The text with a sentinel in front and/or behind, searched without building it: a 1 MB
// page walked tag by tag must not be copied once per cut. Each sentinel is whole
// characters and stays a character boundary, so a text ending in a lone lead byte
// still finds the end sentinel.
class ExtendedText {
public:
    ExtendedText(std::string_view head, std::string_view text, std::string_view tail)
        : head_(head), text_(text), tail_(tail) {}

    std::size_t size() const { return head_.size() + text_.size() + tail_.size(); }

    unsigned char at(std::size_t i) const {
        if (i < head_.size()) return static_cast<unsigned char>(head_[i]);
        i -= head_.size();
        if (i < text_.size()) return static_cast<unsigned char>(text_[i]);
        return static_cast<unsigned char>(tail_[i - text_.size()]);
    }

    bool matchesAt(std::size_t i, std::string_view needle, Case mode) const {
        if (i + needle.size() > size()) return false;
        for (std::size_t k = 0; k < needle.size(); ++k) {
            unsigned char a = at(i + k);
            unsigned char b = static_cast<unsigned char>(needle[k]);
            if (mode == Case::Ignore) {
                a = fold(a);
                b = fold(b);
            }
            if (a != b) return false;
        }
        return true;
    }

    // First occurrence of `needle` at or after `from` that starts on a character.
    std::size_t find(std::string_view needle, std::size_t from, Case mode) const {
        const std::size_t h = head_.size();
        const std::size_t t = text_.size();
        if (from > size()) return kNotFound;
        if (needle.empty()) return from;

        if (from < h) {
            // Candidates starting in the head sentinel: search a small window.
            std::string window(head_);
            window.append(text_.substr(0, needle.size() - 1));
            if (t < needle.size() - 1) window.append(tail_.substr(0, needle.size() - 1 - t));
            const std::size_t hit = findText(window, needle, from, mode);
            if (hit != kNotFound) return hit;
            from = h;
        }

        std::size_t j = from - h;
        if (j <= t) {
            const std::size_t hit = findText(text_, needle, j, mode);
            if (hit != kNotFound) return hit + h;
        }
        if (tail_.empty()) return kNotFound;

        if (j < t) {
            // Candidates that start in the text and run into the tail sentinel. Rare, so
            // the character boundaries are only walked when the bytes match at all.
            const std::size_t lo = std::max(j, t >= needle.size() ? t - needle.size() + 1 : 0);
            bool any = false;
            for (std::size_t k = lo; k < t && !any; ++k) any = matchesAt(h + k, needle, mode);
            if (any) {
                std::size_t k = j;
                while (k < lo) k += charLengthAt(text_, k);
                for (; k < t; k += charLengthAt(text_, k)) {
                    if (matchesAt(h + k, needle, mode)) return h + k;
                }
            }
            j = t;
        }
        const std::size_t hit = findText(tail_, needle, j - t, mode);
        return hit == kNotFound ? kNotFound : hit + h + t;
    }

    std::string substr(std::size_t begin, std::size_t end) const {
        std::string out;
        if (begin >= end) return out;
        const std::size_t h = head_.size();
        if (begin >= h && end <= h + text_.size())
            return std::string(text_.substr(begin - h, end - begin));
        out.reserve(end - begin);
        for (std::size_t i = begin; i < end && i < size(); ++i)
            out.push_back(static_cast<char>(at(i)));
        return out;
    }

private:
    std::string_view head_;
    std::string_view text_;
    std::string_view tail_;
};

std::string withoutChar(std::string_view text, char c) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch != c) out.push_back(ch);
    }
    return out;
}

// One try of the cut; on success sets `position` (1-based, past the end marker).
bool cutOnce(const ExtendedText& ext, std::string_view startMarker, std::string_view endMarker,
             std::size_t from, std::string* out, long long* position) {
    const std::size_t s = ext.find(startMarker, from, Case::Ignore);
    if (s == kNotFound) return false;
    const std::size_t begin = s + startMarker.size();
    const std::size_t e = ext.find(endMarker, begin, Case::Ignore);
    if (e == kNotFound) return false;
    *out = ext.substr(begin, e);
    *position = static_cast<long long>(e + endMarker.size()) + 1;
    return true;
}

std::string cut(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                TextPosition* position, bool headRegion) {
    if (position != nullptr && position->exhausted()) return {};

    std::string start = headRegion ? std::string(startMarker) : replaceAll(startMarker, "''", "\"");
    std::string end = headRegion ? std::string(endMarker) : replaceAll(endMarker, "''", "\"");
    std::string_view head;
    std::string_view tail;
    if (start.empty()) {
        start = headSentinel();
        head = headSentinel();
    }
    if (end.empty()) {
        end = tailSentinel();
        tail = tailSentinel();
    }
    const ExtendedText ext(head, text, tail);

    const long long p0 = position != nullptr ? position->value : 0;
    const std::size_t from = p0 >= 1 ? static_cast<std::size_t>(p0 - 1) : 0;
    std::string result;
    long long next = 0;
    bool found = cutOnce(ext, start, end, from, &result, &next);
    if (!found && !headRegion &&
        (start.find('"') != std::string::npos || end.find('"') != std::string::npos)) {
        found = cutOnce(ext, withoutChar(start, '"'), withoutChar(end, '"'), from, &result, &next);
    }
    if (found) {
        if (position != nullptr) position->value = next;
        return result;
    }
    if (position != nullptr && !headRegion) position->value = -2;
    return {};
}

}  // namespace

std::string textBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker, TextPosition* position) {
    return cut(text, startMarker, endMarker, position, false);
}

std::string textBetweenHead(std::string_view text, std::string_view startMarker,
                            std::string_view endMarker, TextPosition* position) {
    return cut(text, startMarker, endMarker, position, true);
}

std::string textBetweenPlain(std::string_view text, std::string_view startMarker,
                             std::string_view endMarker, long long start) {
    static const std::string quoteWord = gb("#引号");
    const std::string first = replaceAll(startMarker, quoteWord, "\"");
    const std::string last = replaceAll(endMarker, quoteWord, "\"");
    const std::size_t from = start >= 1 ? static_cast<std::size_t>(start - 1) : 0;
    const std::size_t s = findText(text, first, from);
    if (s == kNotFound) return {};
    const std::size_t begin = s + first.size();
    const std::size_t e = findText(text, last, begin);
    if (e == kNotFound) return {};
    return std::string(text.substr(begin, e - begin));
}

}  // namespace lh
