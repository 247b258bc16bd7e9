#include "placement/placement_values.h"

#include <cstdint>
#include <cstdio>
#include <limits>

#include "text/bytes.h"

namespace kivo::placement {
namespace {

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t'; }

}  // namespace

int ParseIniInteger(const std::string& text, int fallback) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    // Flags and other bit sets are sometimes written by hand in hex; eight
    // digits cover every 32-bit pattern, more cannot fit.
    if (text.size() - 2 > 8) return fallback;
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
      const int digit = ascii::HexValue(text[i]);
      if (digit < 0) return fallback;
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<int>(static_cast<std::int32_t>(value));
  }
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return fallback;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fallback;
    value = value * 10 + (text[i] - '0');
    // Past the int range with either sign: not a number this file can hold.
    if (value > static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1) return fallback;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) {
    return fallback;
  }
  return static_cast<int>(value);
}

std::array<int, 4> ParsePositionList(const std::string& text, const std::array<int, 4>& defaults) {
  std::array<int, 4> result = defaults;
  std::size_t word = 0;
  std::size_t i = 0;
  while (word < result.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    if (i == text.size()) break;
    const std::size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    result[word] = ParseIniInteger(text.substr(start, i - start), defaults[word]);
    ++word;
  }
  return result;
}

std::string FormatPositionList(int a, int b, int c, int d) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d", a, b, c, d);
  return buffer;
}

std::string ScreenSuffix(int width, int height) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "(%dx%d)", width, height);
  return buffer;
}

WindowState StateFromShowCmd(int show_cmd, WindowState fallback) {
  switch (show_cmd) {
    case 1:
    case 5:
    case 9:
      return WindowState::Normal;
    case 2:
    case 6:
    case 7:
      return WindowState::Minimized;
    case 3:
      return WindowState::Maximized;
    default:
      return fallback;
  }
}

}  // namespace kivo::placement
