// Inputs the fuzz target (fuzz/fuzz_text.cpp) once failed on, kept so the
// faults stay fixed.
#include <gtest/gtest.h>

#include <string>

#include "text/text.h"

namespace kivo {
namespace {

// True when some byte equal to `c` begins a character of `s` (walking from
// the front, a lead byte taking the next byte when it is 0x40-0xFC).
bool HasCharacter(const std::string& s, char c) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    const bool pair = lead && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x40 &&
                      static_cast<unsigned char>(s[i + 1]) <= 0xFC;
    if (!pair && s[i] == c) return true;
    i += pair ? 2 : 1;
  }
  return false;
}

// crash-4bf1a274813ffbee26c16471e0a8caa68e58236b: ネ, a lead byte before "*",
// two backslashes and ソ. The broken lead byte paired with the first byte of
// ＊ written after it, every later character shifted by one byte, and the
// second byte of ソ came out as a lone backslash: a path separator in a
// cover file name on Windows.
TEST(TextFuzzRegression, BrokenLeadBeforeAStandInShiftsNothing) {
  const std::string text = "\x83\x6C\x83*\\\\\x83\x5C";
  const std::string safe = SafeFileName(text);
  EXPECT_EQ(safe, "\x83\x6C\x81\x96\x81\x8F\x81\x8F\x83\x5C");  // ネ＊￥￥ソ
  EXPECT_FALSE(HasCharacter(safe, '\\'));
  EXPECT_FALSE(HasCharacter(safe, '*'));
}

}  // namespace
}  // namespace kivo
