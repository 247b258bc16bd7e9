// A text made into a bare file name that every system reads as one file in
// the folder it is put after.
#include <cstdint>
#include <string>
#include <string_view>

#include "text/bytes.h"
#include "text/sjis.h"
#include "text/text.h"

namespace kivo {
namespace {

constexpr std::uint16_t kFullWidthStop = 0x8144;   // "．"
constexpr std::uint16_t kFullWidthSpace = 0x8140;  // "　"

// Windows opens these names, with any extension, as devices: "CON", "PRN",
// "AUX", "NUL", "COM0" to "COM9", "LPT0" to "LPT9", in any letter case and
// with blanks before the first ".".
bool IsDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string b = ascii::Lowered(base);
  if (b == "con" || b == "prn" || b == "aux" || b == "nul") return true;
  return b.size() == 4 && (b.starts_with("com") || b.starts_with("lpt")) && b[3] >= '0' &&
         b[3] <= '9';
}

// Windows drops the dots and blanks at the end of a name, so a name made of
// nothing else ("." and ".." above all) names the folder itself or its
// parent.
bool OnlyDotsAndBlanks(std::string_view name) {
  return !name.empty() && name.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace

std::string SafeBareFileName(const std::string& text) {
  const std::string safe = SafeFileName(text);  // whole characters only
  std::string name;
  name.reserve(safe.size() + 2);
  if (IsDeviceName(safe)) name += '_';
  const bool only_dots = OnlyDotsAndBlanks(safe);
  for (std::size_t i = 0; i < safe.size();) {
    const std::size_t length = sjis::CharLength(safe, i);
    const auto c = static_cast<unsigned char>(safe[i]);
    if (length == 2) {
      name.append(safe, i, 2);
    } else if (c < 0x20 || c == 0x7F) {
      name += '_';
    } else if (only_dots) {
      sjis::AppendCode(name, c == '.' ? kFullWidthStop : kFullWidthSpace);
    } else {
      name += static_cast<char>(c);
    }
    i += length;
  }
  return name;
}

}  // namespace kivo
