#include "textutil/text_cleanup.h"

#include <array>

#include "textutil/program_text.h"
#include "textutil/regex_service.h"

namespace lh {
namespace {

struct Entity {
    std::string_view name;
    std::string_view text;  // GBK bytes
};

// Applied in this order; "&amp;" first, so "&amp;lt;" ends as "<".
constexpr std::array<Entity, 40> kEntities{{
    {"&amp;", "&"},
    {"&ndash;", "\xA8\x43"},
    {"&mdash;", "\xA1\xAA"},
    {"&ldquo;", "\xA1\xB0"},
    {"&rdquo;", "\xA1\xB1"},
    {"&nbsp;", " "},
    {"&lt;", "<"},
    {"&gt;", ">"},
    {"&quot;", "\""},
    {"&times;", "\xA1\xC1"},
    {"&divide;", "\xA1\xC2"},
    {"&middot;", "\xA1\xA4"},
    {"&hellip;", "\xA1\xAD"},
    {"&lsquo;", "\xA1\xAE"},
    {"&rsquo;", "\xA1\xAF"},
    {"&permil;", "\xA1\xEB"},
    {"&prime;", "\xA1\xE4"},
    {"&Prime;", "\xA1\xE5"},
    {"&larr;", "\xA1\xFB"},
    {"&uarr;", "\xA1\xFC"},
    {"&rarr;", "\xA1\xFA"},
    {"&darr;", "\xA1\xFD"},
    {"&radic;", "\xA1\xCC"},
    {"&prop;", "\xA1\xD8"},
    {"&infin;", "\xA1\xDE"},
    {"&ang;", "\xA1\xCF"},
    {"&and;", "\xA1\xC4"},
    {"&or;", "\xA1\xC5"},
    {"&cap;", "\xA1\xC9"},
    {"&cup;", "\xA1\xC8"},
    {"&int;", "\xA1\xD2"},
    {"&there4;", "\xA1\xE0"},
    {"&sim;", "\xA1\xAB"},
    {"&asymp;", "\xA1\xD6"},
    {"&ne;", "\xA1\xD9"},
    {"&equiv;", "\xA1\xD4"},
    {"&le;", "\xA1\xDC"},
    {"&ge;", "\xA1\xDD"},
    {"&oplus;", "\xA8\x92"},
    {"&perp;", "\xA1\xCD"},
}};

bool startsWithIgnoreCase(std::string_view text, std::size_t pos, std::string_view prefix) {
    return text.size() - pos >= prefix.size() &&
           equalsIgnoreCase(text.substr(pos, prefix.size()), prefix);
}

// The named references after "&amp;" in one walk. Their matches cannot overlap (each
// runs from "&" to the next ";") and no replacement forms a new one, so one walk that
// tries the entries in table order gives what replacing entry by entry would.
std::string decodeNamed(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '&') {
            bool replaced = false;
            for (std::size_t k = 1; k < kEntities.size(); ++k) {
                if (startsWithIgnoreCase(text, i, kEntities[k].name)) {
                    out.append(kEntities[k].text);
                    i += kEntities[k].name.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        const std::size_t len = charLengthAt(text, i);
        out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

// The text of a numeric reference's digits: decimal, or when that reads 0, hexadecimal
// after the first character ("x4F60").
std::string numericReferenceText(std::string_view digits) {
    long long n = toInteger(digits);
    if (n == 0 && !digits.empty()) {
        static constexpr std::string_view kHex = "0123456789ABCDEF";
        for (char c : toUpperAscii(digits.substr(1))) {
            const std::size_t place = kHex.find(c);
            n = n * 16 + static_cast<long long>(place == std::string_view::npos ? 0 : place);
            if (n > 0x10FFFF) break;
        }
    }
    if (n == 0) return {};
    if (n < 0 || n > 0x10FFFF) return "?";
    std::u16string unit;
    if (n > 0xFFFF) {
        const long long v = n - 0x10000;
        unit.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
        unit.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
        unit.push_back(static_cast<char16_t>(n));
    }
    return utf16ToGb(unit);
}

// Numeric references, left to right in one pass. The search goes on from where a
// reference was replaced, so a reference that decodes to "&" followed by "#…;" in the
// text forms the next reference, as the in-place replacement did.
std::string decodeNumeric(std::string_view text) {
    std::string out;
    std::size_t amp = text.find("&#");
    if (amp == std::string_view::npos) return std::string(text);
    out.reserve(text.size());
    out.append(text.substr(0, amp));
    std::size_t hash = amp + 1;  // the "#" of the reference under way
    bool virtualAmp = false;     // its "&" came out of the previous reference
    for (;;) {
        const std::size_t semi = text.find(';', hash);
        if (semi == std::string_view::npos) {
            if (virtualAmp) out.push_back('&');
            out.append(text.substr(virtualAmp ? hash : amp));
            return out;
        }
        const std::string replacement =
            numericReferenceText(text.substr(hash + 1, semi - hash - 1));
        const std::size_t rest = semi + 1;
        if (replacement == "&" && rest < text.size() && text[rest] == '#') {
            hash = rest;
            virtualAmp = true;
            continue;
        }
        out.append(replacement);
        amp = text.find("&#", rest);
        if (amp == std::string_view::npos) {
            out.append(text.substr(rest));
            return out;
        }
        out.append(text.substr(rest, amp - rest));
        hash = amp + 1;
        virtualAmp = false;
    }
}

std::string replaceEntries(std::string text, const std::array<std::string_view, 6>& from,
                           const std::array<std::string_view, 6>& to, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        if (containsText(text, from[k], Case::Ignore))
            text = replaceAll(text, from[k], to[k], Case::Ignore);
    }
    return text;
}

}  // namespace

std::string stripTags(std::string_view text) {
    static const std::string wideGt = gb("＞");
    static const std::string wideLt = gb("＜");
    static const std::string widthGt = "Width" + wideGt, heightGt = "Height" + wideGt;
    static const std::string widthLt = "Width" + wideLt, heightLt = "Height" + wideLt;

    std::string out = replaceEntries(
        std::string(text), {"<p", "</p>", "<br>", "</ br>", "</br>", "<br />"},
        {"\r\n<p", "\r\n</p>", "\r\n<br>", "\r\n</ br>", "\r\n</br>", "\r\n<br />"}, 6);
    out = replaceEntries(std::move(out), {"Width>", "Height>", "Width<", "Height<", "", ""},
                         {widthGt, heightGt, widthLt, heightLt, "", ""}, 4);
    thread_local RegexService tags;
    if (tags.pattern().empty()) tags.create("<[\\s\\S]+?>");
    return decodeEntities(tags.replace(out, ""));
}

std::string decodeEntities(std::string_view text) {
    if (text.find('&') == std::string_view::npos) return std::string(text);
    std::string out = replaceAll(text, kEntities[0].name, kEntities[0].text, Case::Ignore);
    out = decodeNamed(out);
    return decodeNumeric(out);
}

std::string removeWhitespace(std::string_view text) {
    thread_local RegexService blanks;
    if (blanks.pattern().empty()) blanks.create(gb("\\s|　"));
    return blanks.replace(text, "");
}

std::string trimLines(std::string_view text) {
    thread_local RegexService blanks;
    if (blanks.pattern().empty()) blanks.create(gb("^[　 \\t]*$(\\r\\n)|^[ 　\\t]+|[ 　\\t]+$"));
    return blanks.replace(text, "");
}

}  // namespace lh
