#pragma once

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

// Turns a response body into program text: unpacks gzip, finds the encoding (byte-order
// mark, meta charset in the head, UTF-8 scan) when asked to detect, and converts to
// GB18030. Never fails: at worst the body bytes come back unchanged. `used` (optional)
// receives the charset the text was decoded from (`Native` when nothing was converted).
std::string decodeBody(const Bytes& body, CharsetCode charset, CharsetCode* used = nullptr);
std::string decodeBody(std::string_view body, CharsetCode charset, CharsetCode* used = nullptr);

// A gzip stream unpacked. A damaged or truncated stream gives what inflated before the
// damage; bytes that are not gzip give an empty result.
Bytes gunzipBody(const Bytes& gzip);
std::string gunzipBody(std::string_view gzip);

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
