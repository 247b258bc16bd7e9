// Text from the shop on its way to a terminal.
#pragma once

#include <string>

#include "text/bytes.h"

namespace kivo::terminal {

// Terminal-safe Shift-JIS: control characters and bytes that begin no
// character become "?", so text from the web cannot move the cursor, change
// colours or retitle the terminal. Tabs stay.
inline std::string WithoutControls(const std::string& sjis_text) {
  std::string out;
  out.reserve(sjis_text.size());
  for (std::size_t i = 0; i < sjis_text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(sjis_text[i]);
    if (sjis::IsLeadByte(c)) {
      // DEL is a control character even where it could complete one.
      if (sjis::CharLength(sjis_text, i) == 2 && sjis_text[i + 1] != '\x7f') {
        out += sjis_text.substr(i, 2);
        ++i;
      } else {
        out += '?';
      }
    } else if (c == '\t' || (c >= 0x20 && c < 0x7F) || sjis::IsHalfWidthKana(c)) {
      out += static_cast<char>(c);
    } else {
      out += '?';
    }
  }
  return out;
}

}  // namespace kivo::terminal
