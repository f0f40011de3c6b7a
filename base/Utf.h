#pragma once

#include <string>
#include <string_view>

// UTF-8 inside the program, UTF-16 in byte-exact records and INI files.
// Malformed input never fails: each bad sequence becomes U+FFFD.
namespace vy {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Copies text into a fixed UTF-16 field of `capacity` units, always NUL
// terminated, cut at a character boundary (never inside a surrogate pair).
// Returns false when the text had to be cut.
bool CopyToFixedUtf16(std::u16string_view text, char16_t* field, size_t capacity);
// Reads a fixed UTF-16 field up to its first NUL (or its whole length).
std::u16string ReadFixedUtf16(const char16_t* field, size_t capacity);

// ASCII case folding, as used to compare keys, names and paths.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
std::string ToLowerAscii(std::string_view text);

}  // namespace vy
