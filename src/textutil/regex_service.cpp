#include "textutil/regex_service.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <vector>

#include "textutil/program_text.h"

namespace lh {
namespace {

// Length of the UTF-8 character that starts with byte `c` (1 for a stray byte).
std::size_t utf8Length(unsigned char c) {
    if (c >= 0xF0) return 4;
    if (c >= 0xE0) return 3;
    if (c >= 0xC0) return 2;
    return 1;
}

// One piece of a parsed replacement: literal text, or a group (0 = the whole match,
// -1 = the text before it, -2 = the text after it).
struct ReplacePiece {
    std::string literal;
    int group = 0;
    bool isGroup = false;
};

std::vector<ReplacePiece> parseReplacement(std::string_view text, int groupCount) {
    std::vector<ReplacePiece> pieces;
    std::string literal;
    auto flushGroup = [&](int group) {
        if (!literal.empty()) pieces.push_back({std::move(literal), 0, false});
        literal.clear();
        pieces.push_back({{}, group, true});
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '$' || i + 1 >= text.size()) {
            literal.push_back(c);
            continue;
        }
        const char n = text[i + 1];
        if (n == '$') {
            literal.push_back('$');
            ++i;
        } else if (n == '&') {
            flushGroup(0);
            ++i;
        } else if (n == '`') {
            flushGroup(-1);
            ++i;
        } else if (n == '\'') {
            flushGroup(-2);
            ++i;
        } else if (n >= '0' && n <= '9') {
            const int one = n - '0';
            if (i + 2 < text.size() && text[i + 2] >= '0' && text[i + 2] <= '9') {
                const int two = one * 10 + (text[i + 2] - '0');
                if (two >= 1 && two <= groupCount) {
                    flushGroup(two);
                    i += 2;
                    continue;
                }
            }
            if (one >= 1 && one <= groupCount) {
                flushGroup(one);
                ++i;
            } else {
                literal.push_back('$');
            }
        } else {
            literal.push_back('$');
        }
    }
    if (!literal.empty()) pieces.push_back({std::move(literal), 0, false});
    return pieces;
}

}  // namespace

struct RegexService::Impl {
    std::string patternText;
    bool created = false;
    bool global = true;
    pcre2_code* code = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* jitStack = nullptr;

    // The last search: its subject in UTF-8 and, per match, the offset pairs of the
    // whole match and every group.
    std::string subject;
    std::vector<PCRE2_SIZE> offsets;
    std::size_t pairsPerMatch = 0;
    int count = 0;

    ~Impl() { releaseCode(); }

    void releaseCode() {
        if (code != nullptr) pcre2_code_free(code);
        if (context != nullptr) pcre2_match_context_free(context);
        if (jitStack != nullptr) pcre2_jit_stack_free(jitStack);
        code = nullptr;
        context = nullptr;
        jitStack = nullptr;
    }

    // Calls `onMatch(ovector, pairs)` for every match in order (only the first unless
    // `global`); false when the engine fails. An empty match moves the next search on
    // by one character, as the dialect does.
    template <typename OnMatch>
    bool forEachMatch(const std::string& utf8, pcre2_match_data* data, OnMatch onMatch) const {
        const auto* subjectPtr = reinterpret_cast<PCRE2_SPTR>(utf8.data());
        const PCRE2_SIZE length = utf8.size();
        PCRE2_SIZE start = 0;
        uint32_t checkFlag = 0;  // the subject's UTF-8 is checked once, not per match
        while (start <= length) {
            int rc = pcre2_match(code, subjectPtr, length, start, checkFlag, data, context);
            if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
                rc = pcre2_match(code, subjectPtr, length, start, checkFlag | PCRE2_NO_JIT, data,
                                 context);
            }
            checkFlag = PCRE2_NO_UTF_CHECK;
            if (rc == PCRE2_ERROR_NOMATCH) return true;
            if (rc < 0) return false;
            PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
            const uint32_t pairs = pcre2_get_ovector_count(data);
            // Groups above the highest one that took part read as unset.
            for (uint32_t k = rc == 0 ? pairs : static_cast<uint32_t>(rc); k < pairs; ++k) {
                ov[2 * k] = PCRE2_UNSET;
                ov[2 * k + 1] = PCRE2_UNSET;
            }
            if (ov[1] < ov[0]) return false;  // \K tricks; not part of the dialect
            onMatch(ov, pairs);
            if (!global) return true;
            if (ov[1] > ov[0]) {
                start = ov[1];
            } else {
                if (ov[1] >= length) return true;
                start = ov[1] + utf8Length(static_cast<unsigned char>(utf8[ov[1]]));
            }
        }
        return true;
    }
};

RegexService::RegexService() : impl_(std::make_unique<Impl>()) {}

RegexService::~RegexService() = default;

bool RegexService::create(std::string_view pattern, bool ignoreCase, bool multiline, bool global) {
    impl_->releaseCode();
    impl_->patternText = std::string(pattern);
    impl_->created = true;
    impl_->global = global;

    const std::string utf8 = gbToUtf8(pattern);
    uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF;
    if (ignoreCase) options |= PCRE2_CASELESS;
    options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;

    pcre2_compile_context* compileContext = pcre2_compile_context_create(nullptr);
    if (compileContext == nullptr) return false;
    pcre2_set_newline(compileContext, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    impl_->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(), options,
                                &error, &errorOffset, compileContext);
    pcre2_compile_context_free(compileContext);
    if (impl_->code == nullptr) return false;

    if (pcre2_jit_compile(impl_->code, PCRE2_JIT_COMPLETE) == 0) {
        impl_->context = pcre2_match_context_create(nullptr);
        impl_->jitStack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
        if (impl_->context != nullptr && impl_->jitStack != nullptr) {
            pcre2_jit_stack_assign(impl_->context, nullptr, impl_->jitStack);
        }
    }
    return true;
}

int RegexService::execute(std::string_view subject) {
    Impl& d = *impl_;
    d.subject = gbToUtf8(subject);
    d.offsets.clear();
    d.pairsPerMatch = 0;
    d.count = 0;
    if (d.code == nullptr) return 0;

    pcre2_match_data* data = pcre2_match_data_create_from_pattern(d.code, nullptr);
    if (data == nullptr) return 0;
    d.pairsPerMatch = pcre2_get_ovector_count(data);
    const bool ok = d.forEachMatch(d.subject, data, [&](const PCRE2_SIZE* ov, uint32_t pairs) {
        d.offsets.insert(d.offsets.end(), ov, ov + 2 * pairs);
        ++d.count;
    });
    pcre2_match_data_free(data);
    if (!ok) {
        d.offsets.clear();
        d.count = 0;
    }
    return d.count;
}

int RegexService::matchCount() const { return impl_->count; }

std::string RegexService::matchText(int index) const { return subMatchText(index, 0); }

std::string RegexService::subMatchText(int index, int group) const {
    const Impl& d = *impl_;
    if (index < 1 || index > d.count || group < 0 ||
        static_cast<std::size_t>(group) >= d.pairsPerMatch) {
        return {};
    }
    const std::size_t base = (static_cast<std::size_t>(index) - 1) * 2 * d.pairsPerMatch +
                             2 * static_cast<std::size_t>(group);
    const PCRE2_SIZE begin = d.offsets[base];
    const PCRE2_SIZE end = d.offsets[base + 1];
    if (begin == PCRE2_UNSET || end == PCRE2_UNSET || end < begin) return {};
    return utf8ToGb(std::string_view(d.subject).substr(begin, end - begin));
}

std::string RegexService::replace(std::string_view subject, std::string_view replacement) const {
    const Impl& d = *impl_;
    if (d.code == nullptr) return {};
    const std::string utf8 = gbToUtf8(subject);
    uint32_t groupCount = 0;
    pcre2_pattern_info(d.code, PCRE2_INFO_CAPTURECOUNT, &groupCount);
    const std::vector<ReplacePiece> pieces =
        parseReplacement(gbToUtf8(replacement), static_cast<int>(groupCount));

    pcre2_match_data* data = pcre2_match_data_create_from_pattern(d.code, nullptr);
    if (data == nullptr) return {};
    std::string out;
    out.reserve(utf8.size());
    PCRE2_SIZE copied = 0;
    const std::string_view all(utf8);
    const bool ok = d.forEachMatch(utf8, data, [&](const PCRE2_SIZE* ov, uint32_t pairs) {
        out.append(all.substr(copied, ov[0] - copied));
        for (const ReplacePiece& piece : pieces) {
            if (!piece.isGroup) {
                out.append(piece.literal);
            } else if (piece.group == -1) {
                out.append(all.substr(0, ov[0]));
            } else if (piece.group == -2) {
                out.append(all.substr(ov[1]));
            } else if (static_cast<uint32_t>(piece.group) < pairs &&
                       ov[2 * piece.group] != PCRE2_UNSET) {
                out.append(
                    all.substr(ov[2 * piece.group], ov[2 * piece.group + 1] - ov[2 * piece.group]));
            }
        }
        copied = ov[1];
    });
    pcre2_match_data_free(data);
    if (!ok) return {};
    out.append(all.substr(copied));
    return utf8ToGb(out);
}

std::string RegexService::pattern() const {
    return impl_->created ? impl_->patternText : std::string();
}

}  // namespace lh
