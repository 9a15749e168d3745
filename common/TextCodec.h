// Conversions between the encodings a module carries (UTF-16LE resources, 8-bit names) and the
// UTF-8 the program uses everywhere inside.
#pragma once

#include <string>
#include <string_view>

namespace tv {

// A byte that starts no valid UTF-8 sequence decodes to this plus the byte's value: above
// U+10FFFF, so it can never be taken for a character, and it equals only the same byte.
inline constexpr char32_t kInvalidUtf8Byte = 0x110000;
// Decodes the code point at text[i] and advances i past it. An invalid, overlong, surrogate or
// truncated sequence consumes exactly one byte and yields kInvalidUtf8Byte + that byte.
[[nodiscard]] char32_t NextCodePoint(std::string_view text, size_t& i) noexcept;

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD rather than being dropped or narrowed, so a
// damaged string still shows where it is damaged.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16. Invalid sequences become U+FFFD.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view text);
// True when text is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
[[nodiscard]] bool IsValidUtf8(std::string_view text) noexcept;
// text with every invalid UTF-8 sequence replaced by U+FFFD: for file names, which are raw bytes.
[[nodiscard]] std::string SanitizeUtf8(std::string_view text);
// A name (valid UTF-8) as it can be drawn on one line: line feed, carriage return and tab as
// \n, \r and \t (the string tables' escapes), every other C0 control and DEL as \xNN, and the
// characters that also break lines (U+0085, U+2028, U+2029) as \uNNNN. Everything else stays.
[[nodiscard]] std::string NameDisplayText(std::string_view name);
// Appends the UTF-8 form of one code point (U+FFFD for surrogates and values past U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);
// Bytes of a Windows-1252 string (the code page of most 8-bit texts in modules) as UTF-8.
[[nodiscard]] std::string Cp1252ToUtf8(std::string_view text);

}  // namespace tv
