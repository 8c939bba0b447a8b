#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "textutil/program_text.h"

namespace lh {

// How a response body is to be decoded. Values outside the list decode like `Native`.
// `request` also takes two transport-only values: `ObjectText` (the transport decodes by
// the response's declared charset) and `RawText` (the body bytes taken unchanged).
enum class CharsetCode : int {
    ObjectText = -2,
    RawText = -1,
    Detect = 0,
    Native = 1,
    Utf8 = 2,
    Utf16Le = 3,
    Utf16Be = 4,
    Big5 = 5,
    Big5Hkscs = 6,
};

// The most bytes a response body may have, as received and as unpacked, unless the
// caller sets another limit.
inline constexpr std::size_t kDefaultBodyLimit = std::size_t{16} << 20;

// Appends `piece` to a body that may not pass `limit` bytes: false (and nothing appended)
// when it would. The buffer grows by doubling up to exactly the limit, never beyond.
bool appendWithin(std::string& body, std::string_view piece, std::size_t limit);

struct DecodedBody {
    std::string text;
    CharsetCode used = CharsetCode::Native;  // the charset the text was decoded from
    bool tooLarge = false;  // the gzip body unpacks to more than the limit; text is empty
};

// Turns a response body into program text: unpacks gzip (up to `unpackLimit` bytes),
// finds the encoding (byte-order mark, meta charset in the head, UTF-8 scan) when asked
// to detect, and converts to GB18030. Otherwise never fails: at worst the body bytes come
// back unchanged. `used` is `Native` when nothing was converted.
DecodedBody decodeBodyWithin(std::string_view body, CharsetCode charset, std::size_t unpackLimit);

// The same with the default limit: the text alone, empty for a body that unpacks past it.
// `used` (optional) receives the charset the text was decoded from.
std::string decodeBody(const Bytes& body, CharsetCode charset, CharsetCode* used = nullptr);
std::string decodeBody(std::string_view body, CharsetCode charset, CharsetCode* used = nullptr);

// A gzip stream unpacked. A damaged or truncated stream gives what inflated before the
// damage; bytes that are not gzip give an empty result. Unpacking stops at `limit` bytes
// (a bomb is never unpacked whole); `tooLarge` (optional) then becomes true.
Bytes gunzipBody(const Bytes& gzip, std::size_t limit = kDefaultBodyLimit);
std::string gunzipBody(std::string_view gzip, std::size_t limit = kDefaultBodyLimit,
                       bool* tooLarge = nullptr);

// The charset a meta tag of the page's head region names: 1 UTF-8, 2 Big5, 3 Big5-HKSCS,
// 0 none. Without a head region the whole text is scanned.
int metaCharset(std::string_view text);

// Whether the bytes read as UTF-8 with at least one non-ASCII character (pure ASCII and
// empty input give false). Any malformed sequence gives false.
bool looksLikeUtf8(std::string_view bytes);

// Every pair of apostrophes ('') replaced by one double quote.
std::string fixQuotes(std::string_view text);

// Whether a response header block declares UTF-8 (charset=utf-8, quoted or not, any case).
bool headersDeclareUtf8(std::string_view rawHeaders);

}  // namespace lh
