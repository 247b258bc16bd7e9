// Walking Shift-JIS byte text one character at a time. Shared by the text
// helpers only; other subsystems use the functions of text/text.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/bytes.h"

namespace kivo::sjis {

// True when the character at `i` is a lead byte with no second byte.
inline bool IsBrokenLead(const std::string& s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && CharLength(s, i) == 1;
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
