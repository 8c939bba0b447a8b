#include "web/body_decoding.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace lh {

namespace {

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

const char* converterName(CharsetCode code) {
    switch (code) {
    case CharsetCode::Utf8:
        return "UTF-8";
    case CharsetCode::Utf16Le:
        return "UTF-16LE";
    case CharsetCode::Utf16Be:
        return "UTF-16BE";
    case CharsetCode::Big5:
        return "BIG5";
    case CharsetCode::Big5Hkscs:
        return "BIG5-HKSCS";
    default:
        return nullptr;
    }
}

bool containsAnyAlternative(std::string_view text, std::string_view list, std::string_view sep) {
    for (const std::string& alternative : splitText(fixQuotes(list), sep)) {
        if (!alternative.empty() && containsText(text, alternative, Case::Ignore)) return true;
    }
    return false;
}

}  // namespace

std::string fixQuotes(std::string_view text) { return replaceAll(text, "''", "\""); }

bool headersDeclareUtf8(std::string_view rawHeaders) {
    return containsAnyAlternative(rawHeaders, "charset=utf-8|charset=''utf-8''|charset='utf-8'",
                                  "|");
}

bool appendWithin(std::string& body, std::string_view piece, std::size_t limit) {
    const std::size_t needed = body.size() + piece.size();
    if (needed > limit) return false;
    if (body.capacity() < needed) {
        // Capacities of limit / 2^k: each growth doubles, and the last lands on the limit
        // (a request between one and two times the capacity would be doubled past it).
        std::size_t next = limit;
        while (next / 2 >= needed && next / 2 > body.capacity()) next /= 2;
        body.reserve(next);
    }
    body.append(piece);
    return true;
}

std::string gunzipBody(std::string_view gzip, std::size_t limit, bool* tooLarge) {
    std::string out;
    if (tooLarge != nullptr) *tooLarge = false;
    if (gzip.size() < 2) return out;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip.data()));
    stream.avail_in = static_cast<uInt>(gzip.size());
    std::array<char, 16384> buffer{};
    // Each round either consumes input or produces output; one that does neither ends
    // the loop, so a stream that stalls cannot spin.
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = static_cast<uInt>(buffer.size());
        const uInt inBefore = stream.avail_in;
        const int rc = inflate(&stream, Z_NO_FLUSH);
        const std::size_t produced = buffer.size() - stream.avail_out;
        if (!appendWithin(out, std::string_view(buffer.data(), produced), limit)) {
            if (tooLarge != nullptr) *tooLarge = true;
            break;
        }
        if (rc != Z_OK) break;
        if (produced == 0 && stream.avail_in == inBefore) break;
    }
    inflateEnd(&stream);
    return out;
}

Bytes gunzipBody(const Bytes& gzip, std::size_t limit) {
    return toBytes(gunzipBody(
        std::string_view(reinterpret_cast<const char*>(gzip.data()), gzip.size()), limit));
}

int metaCharset(std::string_view text) {
    static const std::array<std::string_view, 3> lists = {
        "charset=UTF-8[fg]charset=''UTF-8''[fg]charset='UTF-8'",
        "charset=Big5[fg]charset=''Big5''[fg]charset='Big5'",
        "charset=Big5-HKSCS[fg]charset=''Big5-HKSCS''[fg]charset='Big5-HKSCS'",
    };
    std::string_view region = text;
    const std::size_t headStart = findText(text, "<head>", 0, Case::Ignore);
    if (headStart != kNotFound) {
        const std::size_t from = headStart + 6;
        const std::size_t headEnd = findText(text, "</head>", from, Case::Ignore);
        if (headEnd != kNotFound) region = text.substr(from, headEnd - from);
    }
    std::size_t pos = 0;
    for (;;) {
        const std::size_t tagStart = findText(region, "<meta", pos, Case::Ignore);
        if (tagStart == kNotFound) return 0;
        const std::size_t contentStart = tagStart + 5;
        const std::size_t tagEnd = findText(region, ">", contentStart, Case::Ignore);
        if (tagEnd == kNotFound) return 0;
        const std::string_view tag = region.substr(contentStart, tagEnd - contentStart);
        for (std::size_t i = 0; i < lists.size(); ++i) {
            if (containsAnyAlternative(tag, lists[i], "[fg]")) return static_cast<int>(i) + 1;
        }
        pos = tagEnd + 1;
    }
}

bool looksLikeUtf8(std::string_view bytes) {
    const std::size_t n = bytes.size();
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    auto continuation = [&](std::size_t i) { return (at(i) & 0xC0) == 0x80; };
    bool sawNonAscii = false;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = at(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        sawNonAscii = true;
        if (i + 1 < n && (c & 0xE0) == 0xC0 && continuation(i + 1)) {
            i += 2;
        } else if (i + 2 < n && (c & 0xF0) == 0xE0 && continuation(i + 1) && continuation(i + 2)) {
            i += 3;
        } else if (i + 3 < n && c >= 0xF0 && c <= 0xF4 && continuation(i + 1) &&
                   continuation(i + 2) && continuation(i + 3)) {
            i += 4;
        } else {
            return false;
        }
    }
    return sawNonAscii;
}

DecodedBody decodeBodyWithin(std::string_view body, CharsetCode charset, std::size_t unpackLimit) {
    DecodedBody decoded;
    std::string unpacked;
    std::string_view data = body;
    if (data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0x1F &&
        static_cast<unsigned char>(data[1]) == 0x8B) {
        unpacked = gunzipBody(data, unpackLimit, &decoded.tooLarge);
        if (decoded.tooLarge) return decoded;
        data = unpacked;
    }

    std::size_t position = 0;
    if (charset != CharsetCode::Detect) {
        if (charset == CharsetCode::Utf16Le || charset == CharsetCode::Utf16Be) {
            position = 2;
        } else if (charset == CharsetCode::Utf8 && startsWith(data, "\xEF\xBB\xBF")) {
            position = 3;
        }
    } else if (startsWith(data, "\xEF\xBB\xBF")) {
        charset = CharsetCode::Utf8;
        position = 3;
    } else if (startsWith(data, "\xFF\xFE")) {
        charset = CharsetCode::Utf16Le;
        position = 2;
    } else if (startsWith(data, "\xFE\xFF")) {
        charset = CharsetCode::Utf16Be;
        position = 2;
    } else {
        switch (metaCharset(data)) {
        case 1:
            charset = CharsetCode::Utf8;
            break;
        case 2:
            charset = CharsetCode::Big5;
            break;
        case 3:
            charset = CharsetCode::Big5Hkscs;
            break;
        default:
            break;
        }
    }

    const std::string_view rest =
        position < data.size() ? data.substr(position) : std::string_view();
    if (charset == CharsetCode::Detect && looksLikeUtf8(rest)) charset = CharsetCode::Utf8;

    const char* source = converterName(charset);
    if (source != nullptr && !rest.empty()) decoded.text = convertCharset(rest, source, "GB18030");
    if (decoded.text.empty()) {
        decoded.used = CharsetCode::Native;
        decoded.text = unpacked.empty() ? std::string(data) : std::move(unpacked);
        return decoded;
    }
    decoded.used = charset;
    return decoded;
}

std::string decodeBody(std::string_view body, CharsetCode charset, CharsetCode* used) {
    DecodedBody decoded = decodeBodyWithin(body, charset, kDefaultBodyLimit);
    if (used != nullptr) *used = decoded.used;
    return std::move(decoded.text);
}

std::string decodeBody(const Bytes& body, CharsetCode charset, CharsetCode* used) {
    return decodeBody(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()),
                      charset, used);
}

}  // namespace lh
