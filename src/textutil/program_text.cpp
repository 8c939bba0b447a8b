#include "textutil/program_text.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace lh {

namespace {

inline unsigned char foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

inline bool isAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Compares the needle with the text at `p`, folding ASCII letters that stand at a
// character start of the needle (second bytes are compared exactly).
bool matchesAt(std::string_view text, std::size_t p, std::string_view needle, Case mode) {
    if (mode == Case::Sensitive) {
        return std::memcmp(text.data() + p, needle.data(), needle.size()) == 0;
    }
    std::size_t k = 0;
    const std::size_t m = needle.size();
    while (k < m) {
        const auto a = static_cast<unsigned char>(text[p + k]);
        const auto b = static_cast<unsigned char>(needle[k]);
        if (isLeadByte(b) && k + 1 < m) {
            if (a != b || text[p + k + 1] != needle[k + 1]) return false;
            k += 2;
        } else {
            if (foldAscii(a) != foldAscii(b)) return false;
            ++k;
        }
    }
    return true;
}

}  // namespace

Bytes toBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string fromBytes(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::size_t findText(std::string_view text, std::string_view needle, std::size_t from, Case mode) {
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    if (from > n) return kNotFound;
    if (m == 0) return from;
    if (m > n - from) return kNotFound;

    const auto first = static_cast<unsigned char>(needle[0]);
    const bool foldFirst = mode == Case::Ignore && isAsciiLetter(first);
    const unsigned char firstLower = foldAscii(first);
    const std::size_t lastStart = n - m;
    const char* data = text.data();

    std::size_t boundary = from;  // always on a character start
    std::size_t i = from;
    while (i <= lastStart) {
        std::size_t p;
        if (!foldFirst) {
            const void* hit = std::memchr(data + i, first, lastStart + 1 - i);
            if (hit == nullptr) return kNotFound;
            p = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        } else {
            p = i;
            while (p <= lastStart && foldAscii(static_cast<unsigned char>(data[p])) != firstLower)
                ++p;
            if (p > lastStart) return kNotFound;
        }
        if (boundary < p) {
            // The bytes just before p decide: after the last one that leads no pair (or
            // from the last known start), characters are pairs up to p.
            std::size_t start = p;
            while (start > boundary && isLeadByte(static_cast<unsigned char>(data[start - 1])))
                --start;
            boundary = start + (p - start + 1) / 2 * 2;
        }
        if (boundary != p) {  // the candidate is a second byte
            i = boundary;
            continue;
        }
        if (matchesAt(text, p, needle, mode)) return p;
        boundary += charLengthAt(text, boundary);
        i = boundary;
    }
    return kNotFound;
}

std::size_t findLastText(std::string_view text, std::string_view needle, Case mode) {
    std::size_t last = kNotFound;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t hit = findText(text, needle, pos, mode);
        if (hit == kNotFound) break;
        last = hit;
        if (hit >= text.size()) break;
        pos = hit + charLengthAt(text, hit);
    }
    return last;
}

bool containsText(std::string_view text, std::string_view needle, Case mode) {
    return findText(text, needle, 0, mode) != kNotFound;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to,
                       Case mode) {
    if (from.empty()) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    std::size_t hit = findText(text, from, 0, mode);
    if (hit == kNotFound) return std::string(text);
    out.reserve(text.size());
    while (hit != kNotFound) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
        hit = findText(text, from, pos, mode);
    }
    out.append(text.substr(pos));
    return out;
}

std::vector<std::string> splitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = findText(text, separator, pos);
        if (hit == kNotFound) break;
        pieces.emplace_back(text.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
    pieces.emplace_back(text.substr(pos));
    return pieces;
}

std::string joinText(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) out.append(separator);
        out.append(pieces[i]);
    }
    return out;
}

std::string trimSpaces(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    for (;;) {
        if (begin < end && text[begin] == ' ') {
            ++begin;
        } else if (end - begin >= 2 && text.substr(begin, 2) == kFullWidthSpace) {
            begin += 2;
        } else {
            break;
        }
    }
    // A trailing A1A1 only counts when it is a whole character.
    for (;;) {
        if (end > begin && text[end - 1] == ' ') {
            --end;
            continue;
        }
        if (end - begin >= 2 && text.substr(end - 2, 2) == kFullWidthSpace) {
            // Walk from `begin` to make sure end-2 starts a character.
            std::size_t b = begin;
            while (b < end - 2) b += charLengthAt(text, b);
            if (b == end - 2) {
                end -= 2;
                continue;
            }
        }
        break;
    }
    return std::string(text.substr(begin, end - begin));
}

namespace {

// Maps the ASCII letters from `first` to `last` by `delta`, stepping over two-byte
// characters whole so their second bytes are never touched.
std::string shiftAsciiCase(std::string_view text, char first, char last, int delta) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size();) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c)) {
            i += (i + 1 < out.size()) ? 2 : 1;
            continue;
        }
        if (out[i] >= first && out[i] <= last) out[i] = static_cast<char>(c + delta);
        ++i;
    }
    return out;
}

}  // namespace

std::string toLowerAscii(std::string_view text) { return shiftAsciiCase(text, 'A', 'Z', 32); }

std::string toUpperAscii(std::string_view text) { return shiftAsciiCase(text, 'a', 'z', -32); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && matchesAt(a, 0, b, Case::Ignore);
}

long long toInteger(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (LLONG_MAX - digit) / 10) return negative ? LLONG_MIN : LLONG_MAX;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::string fullWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isLeadByte(c)) {
            const std::size_t len = charLengthAt(text, i);
            out.append(text.substr(i, len));
            i += len;
            continue;
        }
        if (c == ' ') {
            out.append(kFullWidthSpace);
        } else if (c > 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(0xA3));
            out.push_back(static_cast<char>(c + 0x80));
        } else {
            out.push_back(static_cast<char>(c));
        }
        ++i;
    }
    return out;
}

namespace {

// iconv descriptors are costly to open; keep one per conversion pair and thread.
struct ConverterCache {
    std::map<std::pair<std::string, std::string>, iconv_t> descriptors;
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() {
        for (auto& entry : descriptors) {
            if (entry.second != reinterpret_cast<iconv_t>(-1)) iconv_close(entry.second);
        }
    }
};

iconv_t converterFor(const char* fromCode, const char* toCode) {
    thread_local ConverterCache cache;
    auto key = std::make_pair(std::string(fromCode), std::string(toCode));
    auto it = cache.descriptors.find(key);
    if (it != cache.descriptors.end()) return it->second;
    iconv_t cd = iconv_open(toCode, fromCode);
    cache.descriptors.emplace(std::move(key), cd);
    return cd;
}

std::size_t unitSize(const char* code) {
    const std::string_view name(code);
    if (name.starts_with("UTF-16") || name.starts_with("UCS-2")) return 2;
    if (name.starts_with("UTF-32") || name.starts_with("UCS-4")) return 4;
    return 1;
}

// One character through iconv, its bytes packed first byte lowest: their count (1 to 4),
// or 0 when iconv refuses the character or leaves some of it unread.
std::size_t convertedCharacter(iconv_t cd, char* in, std::size_t inLength,
                               std::uint32_t& packed) {
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = inLength;
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return 0;
    const std::size_t length = sizeof out - outLeft;
    if (inLeft != 0 || length == 0 || length > 4) return 0;
    packed = 0;
    for (std::size_t k = 0; k < length; ++k)
        packed |= std::uint32_t{static_cast<unsigned char>(out[k])} << (8 * k);
    return length;
}

// The run of ASCII bytes from `i` copied to `out` at `o`, eight bytes at a time: pages
// are mostly markup, and both converters copy ASCII as it is. Returns where it ended.
std::size_t copyAsciiRun(const unsigned char* in, std::size_t i, std::size_t n, char* out,
                         std::size_t& o) {
    std::size_t end = i;
    for (std::uint64_t word = 0; end + 8 <= n; end += 8) {
        std::memcpy(&word, in + end, 8);
        if ((word & 0x8080808080808080ULL) != 0) break;
    }
    while (end < n && in[end] < 0x80) ++end;
    std::memcpy(out + o, in + i, end - i);
    o += end - i;
    return end;
}

// UTF-8 to GB18030 without iconv's per-character calls: a table of every character of
// the Basic Multilingual Plane, filled once by iconv itself, so both give the same bytes.
class Utf8ToGb18030 {
public:
    Utf8ToGb18030() : bytes_(0x10000, 0), lengths_(0x10000, 0) {
        iconv_t cd = iconv_open("GB18030", "UTF-32LE");
        if (cd == reinterpret_cast<iconv_t>(-1)) return;
        for (std::uint32_t cp = 0; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;
            char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8), 0, 0};
            std::uint32_t packed = 0;
            const std::size_t length = convertedCharacter(cd, in, sizeof in, packed);
            if (length == 0) continue;
            bytes_[cp] = packed;
            lengths_[cp] = static_cast<std::uint8_t>(length);
        }
        iconv_close(cd);
    }

    // False (and `out` unspecified) for input the table does not cover: malformed
    // UTF-8, characters beyond the plane, a byte-order mark in front. iconv takes those.
    bool convert(std::string_view input, std::string& scratch, std::size_t& produced) const {
        const auto* in = reinterpret_cast<const unsigned char*>(input.data());
        const std::size_t n = input.size();
        if (n >= 3 && in[0] == 0xEF && in[1] == 0xBB && in[2] == 0xBF) return false;
        if (scratch.size() < n * 2 + 16) scratch.resize(n * 2 + 16);
        char* out = scratch.data();
        std::size_t o = 0;
        std::size_t i = 0;
        while (i < n) {
            const unsigned char c = in[i];
            if (c < 0x80) {
                i = copyAsciiRun(in, i, n, out, o);
                continue;
            }
            std::uint32_t cp = 0;
            if (c >= 0xC2 && c <= 0xDF) {
                if (i + 1 >= n || (in[i + 1] & 0xC0) != 0x80) return false;
                cp = (std::uint32_t{c} & 0x1F) << 6 | (in[i + 1] & 0x3F);
                i += 2;
            } else if (c >= 0xE0 && c <= 0xEF) {
                if (i + 2 >= n || (in[i + 1] & 0xC0) != 0x80 || (in[i + 2] & 0xC0) != 0x80)
                    return false;
                cp = (std::uint32_t{c} & 0x0F) << 12 | (std::uint32_t{in[i + 1]} & 0x3F) << 6 |
                     (in[i + 2] & 0x3F);
                if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
                i += 3;
            } else {
                return false;
            }
            const std::uint8_t length = lengths_[cp];
            if (length == 0) return false;
            const std::uint32_t packed = bytes_[cp];
            for (std::uint8_t k = 0; k < length; ++k)
                out[o++] = static_cast<char>((packed >> (8 * k)) & 0xFF);
        }
        produced = o;
        return true;
    }

private:
    std::vector<std::uint32_t> bytes_;
    std::vector<std::uint8_t> lengths_;
};

// GB18030 to UTF-8 the same way: a table of every two-byte character, filled once by
// iconv. Four-byte forms and malformed bytes leave the text to iconv.
class Gb18030ToUtf8 {
public:
    Gb18030ToUtf8() : bytes_(kLeads * kTrails, 0), lengths_(kLeads * kTrails, 0) {
        iconv_t cd = iconv_open("UTF-8", "GB18030");
        if (cd == reinterpret_cast<iconv_t>(-1)) return;
        for (std::size_t lead = 0; lead < kLeads; ++lead) {
            for (std::size_t trail = 0; trail < kTrails; ++trail) {
                char in[2] = {static_cast<char>(0x81 + lead), static_cast<char>(0x40 + trail)};
                std::uint32_t packed = 0;
                const std::size_t length = convertedCharacter(cd, in, sizeof in, packed);
                if (length == 0) continue;
                bytes_[lead * kTrails + trail] = packed;
                lengths_[lead * kTrails + trail] = static_cast<std::uint8_t>(length);
            }
        }
        iconv_close(cd);
    }

    bool convert(std::string_view input, std::string& scratch, std::size_t& produced) const {
        const auto* in = reinterpret_cast<const unsigned char*>(input.data());
        const std::size_t n = input.size();
        if (scratch.size() < n * 2 + 16) scratch.resize(n * 2 + 16);
        char* out = scratch.data();
        std::size_t o = 0;
        for (std::size_t i = 0; i < n;) {
            const unsigned char c = in[i];
            if (c < 0x80) {
                i = copyAsciiRun(in, i, n, out, o);
                continue;
            }
            if (c == 0x80 || c == 0xFF || i + 1 >= n || in[i + 1] < 0x40 || in[i + 1] == 0xFF)
                return false;
            const std::size_t at = (c - 0x81u) * kTrails + (in[i + 1] - 0x40u);
            const std::uint8_t length = lengths_[at];
            if (length == 0) return false;
            const std::uint32_t packed = bytes_[at];
            for (std::uint8_t k = 0; k < length; ++k)
                out[o++] = static_cast<char>((packed >> (8 * k)) & 0xFF);
            i += 2;
        }
        produced = o;
        return true;
    }

private:
    static constexpr std::size_t kLeads = 0xFE - 0x81 + 1;
    static constexpr std::size_t kTrails = 0xFE - 0x40 + 1;
    std::vector<std::uint32_t> bytes_;
    std::vector<std::uint8_t> lengths_;
};

std::string replacementIn(const char* toCode) {
    const std::string_view name(toCode);
    if (name == "UTF-16LE") return std::string("?\0", 2);
    if (name == "UTF-16BE") return std::string("\0?", 2);
    return "?";
}

}  // namespace

std::string convertCharset(std::string_view input, const char* fromCode, const char* toCode,
                           bool* ok) {
    if (ok != nullptr) *ok = true;
    if (input.empty()) return {};
    iconv_t cd = converterFor(fromCode, toCode);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (ok != nullptr) *ok = false;
        return std::string(input);
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    const std::size_t inUnit = unitSize(fromCode);
    const std::string replacement = replacementIn(toCode);
    // iconv writes into storage the thread keeps (no zero-filled buffer per call); the
    // result is then copied out at its exact size. The storage holds at most twice the
    // largest input the thread has converted.
    thread_local std::string scratch;
    if (std::strcmp(fromCode, "UTF-8") == 0 && std::strcmp(toCode, "GB18030") == 0) {
        static const Utf8ToGb18030 table;
        std::size_t produced = 0;
        if (table.convert(input, scratch, produced)) return std::string(scratch.data(), produced);
    }
    if (std::strcmp(fromCode, "GB18030") == 0 && std::strcmp(toCode, "UTF-8") == 0) {
        static const Gb18030ToUtf8 table;
        std::size_t produced = 0;
        if (table.convert(input, scratch, produced)) return std::string(scratch.data(), produced);
    }
    auto ensureRoom = [&](std::size_t produced, std::size_t room) {
        if (scratch.size() - produced < room) scratch.resize(std::max(scratch.size() * 2, produced + room));
    };
    if (scratch.size() < input.size() * 2 + 16) scratch.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t produced = 0;
    while (inLeft > 0) {
        char* outPtr = scratch.data() + produced;
        std::size_t outLeft = scratch.size() - produced;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        produced = scratch.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            scratch.resize(scratch.size() * 2);
            continue;
        }
        // Malformed or unconvertible input: one replacement, skip one unit.
        if (ok != nullptr) *ok = false;
        const std::size_t skip = std::min(inUnit, inLeft);
        in += skip;
        inLeft -= skip;
        ensureRoom(produced, replacement.size());
        scratch.replace(produced, replacement.size(), replacement);
        produced += replacement.size();
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    for (;;) {
        char* outPtr = scratch.data() + produced;
        std::size_t outLeft = scratch.size() - produced;
        const std::size_t rc = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        produced = scratch.size() - outLeft;
        if (rc == static_cast<std::size_t>(-1) && errno == E2BIG) {
            scratch.resize(scratch.size() * 2);
            continue;
        }
        break;
    }
    return std::string(scratch.data(), produced);
}

namespace {
constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
}

std::string gbToUtf8(std::string_view text) { return convertCharset(text, "GB18030", "UTF-8"); }

std::string utf8ToGb(std::string_view utf8, bool* ok) {
    return convertCharset(utf8, "UTF-8", "GB18030", ok);
}

std::string gb(std::string_view utf8Literal) { return utf8ToGb(utf8Literal); }

std::u16string gbToUtf16(std::string_view text) {
    const std::string raw = convertCharset(text, "GB18030", kUtf16Native);
    std::u16string out(raw.size() / 2, u'\0');
    std::memcpy(out.data(), raw.data(), out.size() * 2);
    return out;
}

std::string utf16ToGb(std::u16string_view utf16) {
    const std::string_view raw(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
    return convertCharset(raw, kUtf16Native, "GB18030");
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (i + len > n) return false;
        const auto c1 = static_cast<unsigned char>(bytes[i + 1]);
        if (c1 < lo || c1 > hi) return false;
        for (std::size_t k = 2; k < len; ++k) {
            const auto ck = static_cast<unsigned char>(bytes[i + k]);
            if (ck < 0x80 || ck > 0xBF) return false;
        }
        i += len;
    }
    return true;
}

std::filesystem::path nativePath(std::string_view text) {
    const std::string utf8 = gbToUtf8(text);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string programTextOfPath(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return utf8ToGb(std::string(u8.begin(), u8.end()));
}

}  // namespace lh
