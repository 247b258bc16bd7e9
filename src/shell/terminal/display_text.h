// Text from the shop on its way to a terminal.
#pragma once

#include <string>

namespace kivo::terminal {

// Terminal-safe Shift-JIS: control characters and bytes that begin no
// character become "?", so text from the web cannot move the cursor, change
// colours or retitle the terminal. Tabs stay.
inline std::string WithoutControls(const std::string& sjis_text) {
  const auto lead = [](unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  };
  const auto trail = [](unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
  };
  std::string out;
  out.reserve(sjis_text.size());
  for (std::size_t i = 0; i < sjis_text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(sjis_text[i]);
    if (lead(c)) {
      if (i + 1 < sjis_text.size() && trail(static_cast<unsigned char>(sjis_text[i + 1]))) {
        out += sjis_text.substr(i, 2);
        ++i;
      } else {
        out += '?';
      }
    } else if (c == '\t' || (c >= 0x20 && c < 0x7F) || (c >= 0xA1 && c <= 0xDF)) {
      out += static_cast<char>(c);
    } else {
      out += '?';
    }
  }
  return out;
}

}  // namespace kivo::terminal
