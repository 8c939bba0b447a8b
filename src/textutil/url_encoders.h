#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lh {

// The text's UTF-8 bytes percent-encoded (upper-case, two digits); keeps A-Z, a-z, 0-9
// and ! ( ) - . * _
std::string percentEncodeComponent(std::string_view text);

// The text's UTF-8 bytes percent-encoded; keeps A-Z, a-z, 0-9 and . _ -
std::string percentEncodeKeyword(std::string_view text);

// Every %XX turned into its byte, the bytes read as UTF-8 and returned as program text;
// invalid UTF-8 comes out as "?". "+" stays "+".
std::string percentDecodeUtf8(std::string_view text);

// Every %XX with a value of 1 or more turned into its byte; other "%" stay; no
// character-set conversion.
std::string percentDecodeBytes(std::string_view text);

// The bytes of base64url text (A-Z a-z 0-9 - _), with or without "=" padding; nullopt
// for any other character, misplaced padding or a length no encoding gives.
std::optional<std::string> base64UrlDecode(std::string_view text);

// Digits of `value` in `radix`, most significant first; 10 and up written A, B, ...
std::string toRadix(unsigned long long value, int radix);

// The integer of a digit text: a letter counts as its place in the alphabet + 9
// (A or a = 10), any other character as its decimal value (non-digits as 0).
unsigned long long fromRadix(std::string_view digits, int radix);

}  // namespace lh
