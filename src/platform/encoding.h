// Converting text in another encoding to the Shift-JIS byte text the rest of
// the program works on. Windows converts with the system's own functions
// (MultiByteToWideChar, then WideCharToMultiByte to code page 932); POSIX
// with iconv (its "CP932", Microsoft's form of Shift-JIS).
#pragma once

#include <string>
#include <string_view>

namespace kivo::platform {

enum class TEncoding {
  kShiftJis,     // code page 932 itself: nothing to convert
  kUtf8,         // Windows code page 65001, iconv "UTF-8"
  kEucJp,        // Windows code page 20932, iconv "EUC-JP"
  kWindows1252,  // Windows code page 1252, iconv "CP1252"
};

// Converts `bytes`, text in `from`, to Shift-JIS (code page 932) in `out`.
//
// - A character code page 932 has becomes its bytes there. Where Unicode
//   has two characters for one that code page 932 has once, the JIS form
//   and the Microsoft form (wave dash U+301C and U+FF5E, double vertical
//   line U+2016 and U+2225, minus sign U+2212 and U+FF0D, em dash U+2014
//   and U+2015, overline U+203E and U+FFE3), both become it. The
//   non-breaking space U+00A0 becomes a space.
// - A character code page 932 lacks becomes its nearest form, or "？"
//   (0x81 0x48) when it has none. Windows: the system's best fit, one
//   character for one ("é" -> "e", "ü" -> "u", "Æ" -> "A", "©" -> "c").
//   POSIX: glibc's transliteration as the C.UTF-8 locale defines it,
//   whatever locale the process runs under ("é" -> "e", "ü" -> "u", but
//   "Æ" -> "AE", "©" -> "(C)"); without that locale, "？". Accented Latin
//   letters come out the same on both; some symbols do not.
// - A character beyond U+FFFF (no code page 932 character lies there)
//   becomes "？"; so does a byte sequence that is not valid in `from`.
//   POSIX gives one "？" per broken sequence; Windows as many as
//   MultiByteToWideChar puts U+FFFD for it in UTF-8, and in EUC-JP the
//   system's own stand-in, "・".
// - Whatever the input, `out` is Shift-JIS throughout: ASCII bytes,
//   half-width katakana 0xA1..0xDF, and pairs of a lead byte (0x81..0x9F,
//   0xE0..0xFC) and a trail byte (0x40..0x7E, 0x80..0xFC). A byte code
//   page 932 gives alone outside these (0x80, 0xA0, 0xFD..0xFF for the
//   private-use characters Windows maps there) becomes "？".
// - kShiftJis copies `bytes` unchanged.
//
// Returns false, `out` untouched, only when the system cannot convert from
// `from` at all (iconv without the converter, an input over 2 GiB on
// Windows).
bool ToShiftJis(std::string_view bytes, TEncoding from, std::string& out);

}  // namespace kivo::platform
