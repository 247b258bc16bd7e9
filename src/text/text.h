// Helpers on Shift-JIS byte text. A byte from 0x81 to 0x9F or 0xE0 to 0xFC
// begins a double-byte character; every search and replacement matches only
// at character starts, never at a second byte. All functions are pure.
#pragma once

#include <cstddef>
#include <string>

namespace kivo {

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(unsigned char c);
// True when byte `index` of `s` is the second byte of a double-byte
// character. Throws std::out_of_range("Illegal Index") outside the string.
bool IsSecondByte(const std::string& s, std::size_t index);

// Replaces the characters file names may not hold by full-width ones.
std::string SafeFileName(const std::string& text);
// EAN-13 check digit of the first 12 characters, or "" when they are not 12
// decimal digits.
std::string EanCheckDigit(const std::string& text);
// ISBN-13 for a 10-character ISBN, the input unchanged for other lengths, or
// "" when the first nine characters are not digits.
std::string Isbn10To13(const std::string& text);
// The text without hyphens when it has the length of a hyphenated ISBN-10
// (13) or ISBN-13 (17) after trimming; else unchanged.
std::string StripIsbnHyphens(const std::string& text);
// Every non-overlapping occurrence of `pattern` (at character starts)
// replaced; an empty pattern changes nothing.
std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement);
// True when `text` contains `pattern` starting at a character start.
bool ContainsText(const std::string& text, const std::string& pattern);
// Half-width to full-width (ASCII, symbols, half-width katakana).
std::string HanToZen(const std::string& text);
// Full-width to half-width; other double-byte characters are removed.
std::string ZenToHan(const std::string& text);
// Without leading and trailing control characters, spaces and full-width
// spaces.
std::string TrimZen(const std::string& text);
// Full-width letters, digits and common symbols to ASCII; half-width
// katakana to full-width.
std::string NormalizeWidth(const std::string& text);
// Leading and trailing bytes up to 0x20 removed (the toolkit's Trim).
std::string TrimBlanks(const std::string& text);
// The toolkit's whole-number reading: optional leading blanks, an optional
// sign, decimal digits, or hexadecimal after "$" or "0x". False otherwise
// (empty text included) or when the number does not fit in 32 bits.
bool TryParseInt(const std::string& text, int& value);
// TryParseInt, or `fallback` when it fails.
int ParseIntOr(const std::string& text, int fallback);

}  // namespace kivo
