// The byte rules every layer shares: which bytes of Shift-JIS text begin,
// complete or stand as a character, ASCII case folding, and where the
// folder part of a path ends. Header-only and free of any other include of
// ours, so the platform seam, the log and the download helper use the same
// rules as the text helpers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivo::sjis {

// 0x81-0x9F and 0xE0-0xFC begin a double-byte character.
constexpr bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// 0x40-0xFC may complete one. A lead byte before any other byte (a control
// character, a space, "/", ":" ...) is a broken character of one byte, and
// what follows it starts a character of its own, as when Windows converts
// the text.
constexpr bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC; }

// 0xA1-0xDF are half-width katakana: characters of one byte.
constexpr bool IsHalfWidthKana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// Length of the character that begins at `i` (< s.size()): 2 for a lead
// byte followed by a byte that can complete it, else 1.
inline std::size_t CharLength(std::string_view s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                 IsTrailByte(static_cast<unsigned char>(s[i + 1]))
             ? 2
             : 1;
}

}  // namespace kivo::sjis

namespace kivo::ascii {

// Byte by byte: "A" to "Z" and "a" to "z" change wherever they stand, also
// as the second byte of a double-byte character (so the tokenizer names
// <\x83a> 83 41); every other byte stays as it is.
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string Lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

// The value of a hexadecimal digit ("0"-"9", "a"-"f", "A"-"F"), or -1.
constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace kivo::ascii

namespace kivo {

// The length of the folder part of `path`: one past the last byte that is
// one of `delimiters` and stands at a character start, 0 when there is none.
// A 0x5C that completes a Shift-JIS character (as in "表") is part of that
// character; "/" and ":" can never complete one, so a folder whose name ends
// in a lead-byte value (UTF-8 "テ/" on Linux ends in 86 2F) keeps its
// delimiter.
inline std::size_t FolderPartLength(std::string_view path, std::string_view delimiters) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < path.size(); i += sjis::CharLength(path, i)) {
    if (sjis::CharLength(path, i) == 1 && delimiters.find(path[i]) != std::string_view::npos) {
      end = i + 1;
    }
  }
  return end;
}

}  // namespace kivo
