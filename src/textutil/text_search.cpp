#include "textutil/text_search.h"

#include <cstring>

#include "textutil/program_text.h"

namespace lh {

bool CharStartTest::operator()(std::size_t pos) {
    if (pos == 0 || pos > text_.size()) return pos == 0;
    if (!isLeadByte(static_cast<unsigned char>(text_[pos - 1]))) return true;
    std::size_t start = pos - 1;
    while (start > 0 && isLeadByte(static_cast<unsigned char>(text_[start - 1]))) {
        if (start == runEnd_) {  // the rest of this run was measured last time
            start = runStart_;
            break;
        }
        --start;
    }
    runStart_ = start;
    runEnd_ = pos;
    return (pos - start) % 2 == 0;
}

std::size_t findWholeText(std::string_view text, std::string_view needle, std::size_t from,
                          CharStartTest& isStart) {
    if (from > text.size()) return kNotFound;
    if (needle.empty()) return from;
    while (from + needle.size() <= text.size()) {
        const void* hit = memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
        if (hit == nullptr) return kNotFound;
        const auto p = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (isStart(p)) return p;
        from = p + 1;
    }
    return kNotFound;
}

std::size_t findWholeText(std::string_view text, std::string_view needle, std::size_t from) {
    CharStartTest isStart(text);
    return findWholeText(text, needle, from, isStart);
}

std::string replaceAllFast(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    CharStartTest isStart(text);
    std::size_t hit = findWholeText(text, from, 0, isStart);
    if (hit == kNotFound) return std::string(text);
    std::string out;
    out.reserve(text.size() + (to.size() > from.size() ? text.size() / 8 : 0));
    std::size_t pos = 0;
    while (hit != kNotFound) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
        hit = findWholeText(text, from, pos, isStart);
    }
    out.append(text.substr(pos));
    return out;
}

bool replaceAllInPlace(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return false;
    if (findWholeText(text, from) == kNotFound) return false;
    text = replaceAllFast(text, from, to);
    return true;
}

}  // namespace lh
