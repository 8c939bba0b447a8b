#include "textutil/url_encoders.h"

#include "textutil/program_text.h"

namespace lh {
namespace {

bool isAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void appendEscaped(std::string& out, unsigned char byte) {
    std::string digits = toRadix(byte, 16);
    out.push_back('%');
    if (digits.size() < 2) out.push_back('0');
    out.append(digits);
}

// Value of a hexadecimal digit, -1 for any other character.
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Value of a base64url digit, -1 for any other character.
int base64UrlValue(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-') return 62;
    if (c == '_') return 63;
    return -1;
}

}  // namespace

std::optional<std::string> base64UrlDecode(std::string_view text) {
    if (text.size() % 4 == 0) {
        std::size_t pad = 0;
        while (pad < 2 && pad < text.size() && text[text.size() - 1 - pad] == '=') ++pad;
        text.remove_suffix(pad);
    }
    // One digit left over carries less than a byte: no encoder ends so.
    if (text.size() % 4 == 1) return std::nullopt;
    std::string out;
    out.reserve(text.size() * 3 / 4);
    unsigned int bits = 0;
    int held = 0;
    for (char c : text) {
        const int value = base64UrlValue(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned int>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out.push_back(static_cast<char>((bits >> held) & 0xFFu));
        }
    }
    return out;
}

std::string percentEncodeComponent(std::string_view text) {
    static constexpr std::string_view kKept = "!()-.*_";
    const std::string utf8 = gbToUtf8(text);
    std::string out;
    out.reserve(utf8.size() * 3);
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (isAsciiAlnum(c) || kKept.find(ch) != std::string_view::npos) {
            out.push_back(ch);
        } else {
            appendEscaped(out, c);
        }
    }
    return out;
}

std::string percentEncodeKeyword(std::string_view text) {
    static constexpr std::string_view kKept = ".-_";
    const std::string utf8 = gbToUtf8(text);
    std::string out;
    out.reserve(utf8.size() * 3);
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0) continue;  // "%00" never reaches the address
        if (isAsciiAlnum(c) || kKept.find(ch) != std::string_view::npos) {
            out.push_back(ch);
        } else {
            appendEscaped(out, c);
        }
    }
    return out;
}

std::string percentDecodeUtf8(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes.push_back(text[i]);
            continue;
        }
        // A missing digit counts as 0; a present one that is no hexadecimal digit
        // leaves the "%" as text, so nothing of the address is lost.
        const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : 0;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : 0;
        if (high < 0 || low < 0) {
            bytes.push_back('%');
            continue;
        }
        if (i + 1 < text.size()) bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return utf8ToGb(bytes);
}

std::string percentDecodeBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t copy = 0;
    std::size_t search = 0;
    for (;;) {
        const std::size_t percent = text.find('%', search);
        if (percent == std::string_view::npos || text.size() - percent < 3) break;
        const std::string_view digits = text.substr(percent + 1, 2);
        // Only two hexadecimal digits make a byte; anything else stays as written.
        const bool hex = hexValue(digits[0]) >= 0 && hexValue(digits[1]) >= 0;
        const unsigned long long value = hex ? fromRadix(digits, 16) : 0;
        if (value >= 1) {
            out.append(text.substr(copy, percent - copy));
            out.push_back(static_cast<char>(value));
            copy = percent + 3;
        } else {
            out.append(text.substr(copy, percent + 1 - copy));
            copy = percent + 1;
        }
        search = percent + 1;
        if (search < copy) search = copy;
    }
    if (copy < text.size()) out.append(text.substr(copy));
    return out;
}

std::string toRadix(unsigned long long value, int radix) {
    static constexpr std::string_view kDigits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    if (radix < 2 || radix > 36) return {};
    if (value == 0) return "0";
    std::string out;
    while (value > 0) {
        out.insert(out.begin(), kDigits[value % static_cast<unsigned long long>(radix)]);
        value /= static_cast<unsigned long long>(radix);
    }
    return out;
}

unsigned long long fromRadix(std::string_view digits, int radix) {
    unsigned long long value = 0;
    for (char c : digits) {
        unsigned long long digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned long long>(c - '0');
        } else if (c >= 'A' && c <= 'Z') {
            digit = static_cast<unsigned long long>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'z') {
            digit = static_cast<unsigned long long>(c - 'a' + 10);
        }
        value = value * static_cast<unsigned long long>(radix) + digit;
    }
    return value;
}

}  // namespace lh
