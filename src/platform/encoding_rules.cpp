#include "platform/encoding_rules.h"

#include <cstddef>
#include <string>
#include <utility>

#include "text/bytes.h"

namespace kivo::platform::encoding_internal {

char32_t Counterpart(char32_t c) {
  switch (c) {
    case 0x00A0:  // NO-BREAK SPACE
      return 0x0020;
    case 0x301C:  // WAVE DASH
      return 0xFF5E;
    case 0x2016:  // DOUBLE VERTICAL LINE
      return 0x2225;
    case 0x2212:  // MINUS SIGN
      return 0xFF0D;
    case 0x2014:  // EM DASH
      return 0x2015;
    case 0x203E:  // OVERLINE
      return 0xFFE3;
    case 0xFFFD:  // REPLACEMENT CHARACTER
      return kUnknown;
    default:
      break;
  }
  if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return kUnknown;
  return c;
}

namespace {

// Length of the Shift-JIS character at `i`, or 0 when the byte there is
// none.
std::size_t ValidLength(const std::string& s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80 || sjis::IsHalfWidthKana(b)) return 1;
  if (sjis::IsLeadByte(b) && i + 1 < s.size() &&
      sjis::IsTrailByte(static_cast<unsigned char>(s[i + 1]))) {
    return 2;
  }
  return 0;
}

}  // namespace

void KeepShiftJis(std::string& sjis) {
  // Almost always nothing to mend: look first, copy only when needed.
  std::size_t i = 0;
  for (std::size_t n; i < sjis.size() && (n = ValidLength(sjis, i)) != 0;) i += n;
  if (i == sjis.size()) return;
  std::string mended(sjis, 0, i);
  while (i < sjis.size()) {
    const std::size_t n = ValidLength(sjis, i);
    if (n == 0) {
      mended += "\x81\x48";
      ++i;
    } else {
      mended.append(sjis, i, n);
      i += n;
    }
  }
  sjis = std::move(mended);
}

}  // namespace kivo::platform::encoding_internal
