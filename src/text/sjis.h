// Walking Shift-JIS byte text one character at a time. Shared by the text
// helpers only; other subsystems use the functions of text/text.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kivo::sjis {

// A byte that may complete a double-byte character.
inline bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC; }

inline bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Length in bytes of the character that begins at `i` (< s.size()): 2 for a
// lead byte followed by a byte that can complete it, else 1. A lead byte at
// the end of the text, or before a byte that cannot be a second byte (a
// control character, a space, "/" ...), is a broken character of one byte:
// whatever follows it starts a character of its own, as it does when Windows
// converts the text.
inline std::size_t CharLength(const std::string& s, std::size_t i) {
  return IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                 IsTrailByte(static_cast<unsigned char>(s[i + 1]))
             ? 2
             : 1;
}

// True when the character at `i` is a lead byte with no second byte.
inline bool IsBrokenLead(const std::string& s, std::size_t i) {
  return IsLead(static_cast<unsigned char>(s[i])) && CharLength(s, i) == 1;
}

// The code of the double-byte character at `i` (CharLength(s, i) == 2).
inline std::uint16_t CodeAt(const std::string& s, std::size_t i) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(s[i]) << 8) |
                                    static_cast<unsigned char>(s[i + 1]));
}

inline void AppendCode(std::string& out, std::uint16_t code) {
  out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

}  // namespace kivo::sjis
