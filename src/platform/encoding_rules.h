// What both implementations of ToShiftJis (platform/encoding.h) do the same
// way around the system's conversion: the characters they hand it in place
// of others, and the check of what comes back. Portable; used by posix/ and
// win32/ only.
#pragma once

#include <string>

namespace kivo::platform::encoding_internal {

// FULLWIDTH QUESTION MARK, "？" in code page 932 (0x81 0x48).
constexpr char32_t kUnknown = 0xFF1F;

// The character to convert in place of `c`: for a JIS form code page 932
// has in its Microsoft form (U+301C, U+2016, U+2212, U+2014, U+203E), that
// form; for the non-breaking space, a space; for a character code page 932
// cannot have (beyond U+FFFF, a surrogate, U+FFFD that stood in for a
// broken byte sequence), kUnknown; otherwise `c` itself. Windows' table
// lacks the JIS forms, glibc's has them: handing over the Microsoft form
// gives the same bytes on both.
char32_t Counterpart(char32_t c);

// Replaces with "？" every byte of `sjis` that is neither a character of one
// byte (ASCII, half-width katakana) nor the lead byte of a complete
// double-byte character nor its trail byte.
void KeepShiftJis(std::string& sjis);

}  // namespace kivo::platform::encoding_internal
