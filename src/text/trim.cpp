// Trimming of Shift-JIS text and the toolkit's whole-number reading.
#include <cstdint>

#include "text/bytes.h"
#include "text/sjis.h"
#include "text/text.h"

namespace kivo {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The full-width space 0x8140.
constexpr char kWideSpaceLead = '\x81';
constexpr char kWideSpaceTrail = '\x40';

// Narrows [begin, end) past blanks (bytes up to 0x20: control characters and
// spaces) at both ends. Such bytes never belong to a double-byte character.
void StripBlanks(const std::string& s, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsBlank(s[begin])) ++begin;
  while (end > begin && IsBlank(s[end - 1])) --end;
}

// Removes spaces and full-width spaces from the front. `begin` is a character
// start, and so stays one.
void StripLeadingSpaces(const std::string& s, std::size_t& begin, std::size_t end) {
  for (;;) {
    if (begin < end && s[begin] == ' ') {
      ++begin;
    } else if (end - begin >= 2 && s[begin] == kWideSpaceLead && s[begin + 1] == kWideSpaceTrail) {
      begin += 2;
    } else {
      return;
    }
  }
}

// Removes spaces and full-width spaces from the end. The bytes 0x81 0x40 are
// a full-width space only when the 0x81 begins a character: after another
// lead byte they are the end of one character and an "@". Successive checks
// look at disjoint runs of lead bytes (each candidate ends in 0x40), so the
// whole strip stays linear.
void StripTrailingSpaces(const std::string& s, std::size_t begin, std::size_t& end) {
  for (;;) {
    if (end > begin && s[end - 1] == ' ') {
      --end;
    } else if (end - begin >= 2 && s[end - 2] == kWideSpaceLead && s[end - 1] == kWideSpaceTrail &&
               !IsSecondByte(s, end - 2)) {
      end -= 2;
    } else {
      return;
    }
  }
}

}  // namespace

std::string TrimZen(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  StripBlanks(text, begin, end);
  StripLeadingSpaces(text, begin, end);
  StripTrailingSpaces(text, begin, end);
  // Only blanks that the space stripping uncovered go now; a control
  // character that sat between full-width spaces has already stopped that
  // stripping, and the full-width spaces behind it stay.
  StripBlanks(text, begin, end);
  return text.substr(begin, end - begin);
}

std::string TrimBlanks(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  StripBlanks(text, begin, end);
  return text.substr(begin, end - begin);
}

bool TryParseInt(const std::string& text, int& value) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return false;  // no digits at all
  // The magnitude is bounded by the 32-bit range of the sign at hand, also
  // for hexadecimal: "$FFFFFFFF" is out of range, not -1.
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t magnitude = 0;
  for (; i < n; ++i) {
    const int digit = ascii::HexValue(text[i]);
    if (digit < 0 || digit >= base) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return true;
}

int ParseIntOr(const std::string& text, int fallback) {
  int value = 0;
  return TryParseInt(text, value) ? value : fallback;
}

}  // namespace kivo
