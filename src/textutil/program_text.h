#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lh {

// Program text is std::string holding GB18030 bytes (a superset of code page 936).
// Raw bytes as they come off the wire or out of a file are a distinct type.
using Bytes = std::vector<std::uint8_t>;

Bytes toBytes(std::string_view text);
std::string fromBytes(const Bytes& bytes);

inline constexpr std::size_t kNotFound = std::string::npos;

// The full-width space "　" in program text.
inline constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

// A byte of 0x80 or above starts a two-byte character.
inline bool isLeadByte(unsigned char c) { return c >= 0x80; }

// Length of the character that starts at `pos` (1 or 2 bytes; 1 at the last byte).
inline std::size_t charLengthAt(std::string_view text, std::size_t pos) {
    return (isLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

enum class Case { Sensitive, Ignore };

// 0-based position of the first occurrence of `needle` at or after `from`, stepping
// over two-byte characters as units from `from` on (so a match never starts on a
// second byte). `Case::Ignore` folds ASCII letters only. kNotFound when absent.
// An empty needle is found at `from` (when `from` is within the text or at its end).
std::size_t findText(std::string_view text, std::string_view needle, std::size_t from = 0,
                     Case mode = Case::Sensitive);

// 0-based position of the last occurrence that starts on a character boundary.
std::size_t findLastText(std::string_view text, std::string_view needle,
                         Case mode = Case::Sensitive);

bool containsText(std::string_view text, std::string_view needle, Case mode = Case::Sensitive);

// Every occurrence replaced, scanning left to right; replaced text is not searched again.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to,
                       Case mode = Case::Sensitive);

// Splits on every occurrence of `separator`; empty pieces are kept. An empty text gives
// one empty piece; an empty separator gives the whole text as one piece.
std::vector<std::string> splitText(std::string_view text, std::string_view separator);

std::string joinText(const std::vector<std::string>& pieces, std::string_view separator);

// Removes ASCII spaces and full-width spaces from both ends.
std::string trimSpaces(std::string_view text);

// ASCII letters A-Z lowered; two-byte characters are stepped over whole.
std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);

// Equality ignoring ASCII letter case.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The text-to-integer rule of edit boxes: an optional sign and the leading decimal
// digits; anything else reads as 0. Saturates instead of overflowing.
long long toInteger(std::string_view text);

// Full-width form of an ASCII text: printable characters become A3 + (code + 0x80),
// the space becomes A1A1; everything else is kept.
std::string fullWidth(std::string_view text);

// Character set conversion through iconv. Characters that cannot be converted, and
// malformed input sequences, become "?". Never throws. `ok` (optional) tells
// whether the input converted cleanly.
std::string convertCharset(std::string_view input, const char* fromCode, const char* toCode,
                           bool* ok = nullptr);

std::string gbToUtf8(std::string_view text);
std::string utf8ToGb(std::string_view utf8, bool* ok = nullptr);
std::u16string gbToUtf16(std::string_view text);
std::string utf16ToGb(std::u16string_view utf16);

// Program text of a UTF-8 literal: how source code spells Chinese text, e.g.
// gb("搜词取链"). Source files are UTF-8; program text is GB18030.
std::string gb(std::string_view utf8Literal);

// True when `bytes` is well-formed UTF-8 (four-byte sequences included).
bool isValidUtf8(std::string_view bytes);

// The file-system name of a program text (its UTF-8 form here).
std::filesystem::path nativePath(std::string_view text);
// Program text of a file-system path.
std::string programTextOfPath(const std::filesystem::path& path);

}  // namespace lh
