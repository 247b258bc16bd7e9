// Helpers on Shift-JIS byte text. A byte from 0x81 to 0x9F or 0xE0 to 0xFC
// begins a double-byte character, completed by the byte after it (0x40 to
// 0xFC); every other byte is a character of its own (ASCII, half-width
// katakana 0xA1-0xDF). A lead byte at the end of the text or before a byte
// that cannot complete it is a "broken character" of one byte. Every search
// and replacement matches only whole characters, never at a second byte.
// All functions are pure and run in time linear in their input.
#pragma once

#include <cstddef>
#include <string>

namespace kivo {

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
bool IsLeadByte(unsigned char c);
// True when byte `index` of `s` is the second byte of a double-byte
// character. Throws std::out_of_range("Illegal Index") outside the string.
// Looks backwards over the run of lead bytes before `index`, so one call may
// cost that run's length: to walk a whole text, go forwards instead.
bool IsSecondByte(const std::string& s, std::size_t index);

// Replaces the characters file names may not hold (\ / : , ; * ? " < > |) by
// their full-width forms. A second byte equal to "\" or "|" (as in ソ, 表,
// ポ) is left alone; "/" can never be a second byte, so none is left at all.
// Broken characters are dropped, so that every character of the result is
// read as it was meant. Control characters pass unchanged: a caller that
// builds a path from the result deals with them.
std::string SafeFileName(const std::string& text);
// `text` as a bare file name that names one file inside whatever folder it
// is put after, on Windows and POSIX alike: SafeFileName, then every
// control character (below 0x20, and 0x7F) becomes "_", a Windows device
// name (CON, PRN, AUX, NUL, COM0-9, LPT0-9 before the first ".", any case,
// blanks before the "." ignored) gets a "_" in front, and a name made of
// dots and blanks only ("." and ".." above all, which name the folder and
// its parent) has each of them in full width ("．", "　"). Every other dot
// stays as written, a leading one too: ".hack" is a title. Empty text stays
// empty.
std::string SafeBareFileName(const std::string& text);
// EAN-13 check digit of the first 12 characters, or "" when they are not 12
// decimal digits.
std::string EanCheckDigit(const std::string& text);
// ISBN-13 for a 10-character ISBN (after TrimBlanks): "978", its first nine
// characters and the check digit. The input unchanged for other lengths, or
// "" when the first nine characters are not digits.
std::string Isbn10To13(const std::string& text);
// The text without hyphens when it has the length of a hyphenated ISBN-10
// (13) or ISBN-13 (17) after trimming; else unchanged.
std::string StripIsbnHyphens(const std::string& text);
// Every non-overlapping occurrence of `pattern`, from the left, replaced; an
// occurrence must begin at a character start and end at a character
// boundary. An empty pattern changes nothing.
std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement);
// True when `text` holds `pattern` as ReplaceAll would find it. False for an
// empty pattern.
bool ContainsText(const std::string& text, const std::string& pattern);
// Half-width to full-width: ASCII space, punctuation, digits and letters and
// half-width katakana (with their marks). A mark that has no combined form
// with its kana becomes the full-width mark after the kana (ｱﾞ -> ア゛, and
// also ｶﾟ -> カ゜). Control characters, 0x7F, 0x80, 0xA0, 0xFD-0xFF, a mark
// after no kana and broken characters are copied once, unchanged; what
// follows a broken character is converted as usual and may pair with it
// ("caf\xE9 au" -> "ｃａｆ" E9 "　ａｕ", where E9 81 reads as one character).
std::string HanToZen(const std::string& text);
// Full-width to half-width: kana (hiragana too) to half-width katakana,
// the symbol pairs, digits and letters to ASCII; other double-byte
// characters are removed. Single bytes, broken characters included, are
// copied unchanged, so the only lead bytes in the result are the input's
// broken characters, still broken.
std::string ZenToHan(const std::string& text);
// Without leading and trailing control characters, spaces and full-width
// spaces. A control character between full-width spaces stops the stripping
// of those behind it, so the result may still begin with a full-width space.
std::string TrimZen(const std::string& text);
// Full-width letters, digits and common symbols to ASCII; half-width
// katakana to full-width (marks absorbed). Kanji, kana and other full-width
// punctuation stay; every other single byte, broken characters included, is
// copied unchanged.
std::string NormalizeWidth(const std::string& text);
// Leading and trailing bytes up to 0x20 removed (the toolkit's Trim).
std::string TrimBlanks(const std::string& text);
// The toolkit's whole-number reading: optional leading spaces, an optional
// sign, decimal digits, or hexadecimal after "$" or "0x" ("0X"). False
// otherwise (empty text included) or when the number does not fit in 32
// bits (-2147483648 to 2147483647, hexadecimal too); `value` is then left
// as it was.
bool TryParseInt(const std::string& text, int& value);
// TryParseInt, or `fallback` when it fails.
int ParseIntOr(const std::string& text, int fallback);

}  // namespace kivo
