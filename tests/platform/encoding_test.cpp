// Converting pages in another encoding to Shift-JIS: iconv on POSIX, the
// system's conversions on Windows (scripts/wine-test runs these there).
// Every expectation holds on both, byte for byte.
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/encoding_rules.h"

#ifndef _WIN32
#include <locale.h>
#endif

namespace kivo::platform {
namespace {

constexpr std::string_view kQuestion = "\x81\x48";  // "？"

std::string FromUtf8(std::string_view utf8) {
  std::string out = "untouched";
  EXPECT_TRUE(ToShiftJis(utf8, TEncoding::kUtf8, out));
  return out;
}

// UTF-8 of one code point.
std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

bool IsShiftJis(const std::string& s) {
  std::string mended = s;
  encoding_internal::KeepShiftJis(mended);
  return mended == s;
}

TEST(ToShiftJis, JapaneseTextInEachEncodingGivesItsShiftJisBytes) {
  // "ソ表の本 ｱｶﾞ ①髙～\r\n<a href=x>": second bytes 0x5C, half-width
  // katakana, NEC and IBM extensions, the full-width tilde, markup.
  EXPECT_EQ(FromUtf8("\xe3\x82\xbd\xe8\xa1\xa8\xe3\x81\xae\xe6\x9c\xac "
                     "\xef\xbd\xb1\xef\xbd\xb6\xef\xbe\x9e "
                     "\xe2\x91\xa0\xe9\xab\x99\xef\xbd\x9e\r\n<a href=x>"),
            "\x83\x5c\x95\x5c\x82\xcc\x96\x7b \xb1\xb6\xde \x87\x40\xfb\xfc\x81\x60\r\n<a href=x>");
  std::string out;
  // "あｱ漢" in EUC-JP.
  ASSERT_TRUE(ToShiftJis("\xa4\xa2\x8e\xb1\xb4\xc1", TEncoding::kEucJp, out));
  EXPECT_EQ(out, "\x82\xa0\xb1\x8a\xbf");
  // "…é" in windows-1252.
  ASSERT_TRUE(ToShiftJis("\x85\xe9", TEncoding::kWindows1252, out));
  EXPECT_EQ(out,
            "\x81\x63"
            "e");
  // Shift-JIS is copied as it is, broken bytes and all.
  ASSERT_TRUE(ToShiftJis("\x82\xa0\x80\xff\x81", TEncoding::kShiftJis, out));
  EXPECT_EQ(out, "\x82\xa0\x80\xff\x81");
  ASSERT_TRUE(ToShiftJis("", TEncoding::kUtf8, out));
  EXPECT_EQ(out, "");
}

TEST(ToShiftJis, JisFormsAndTheNonBreakingSpaceBecomeWhatCodePage932Has) {
  // Windows' own table has none of these JIS forms; glibc's has them.
  EXPECT_EQ(FromUtf8("\xe3\x80\x9c"), "\x81\x60");  // wave dash: "～"
  EXPECT_EQ(FromUtf8("\xe2\x80\x96"), "\x81\x61");  // double vertical line: "∥"
  EXPECT_EQ(FromUtf8("\xe2\x88\x92"), "\x81\x7c");  // minus sign: "－"
  EXPECT_EQ(FromUtf8("\xe2\x80\x94"), "\x81\x5c");  // em dash: "―"
  EXPECT_EQ(FromUtf8("\xe2\x80\xbe"), "\x81\x50");  // overline: "￣"
  EXPECT_EQ(FromUtf8("a\xc2\xa0"
                     "b"),
            "a b");                                         // non-breaking space
  EXPECT_EQ(FromUtf8("\xc2\xa5\xc2\xa2"), "\x5c\x81\x91");  // "¥¢"
}

TEST(ToShiftJis, MissingCharactersGiveTheirNearestFormOrAFullWidthQuestionMark) {
  EXPECT_EQ(FromUtf8("Caf\xc3\xa9 M\xc3\xbcller \xc3\x80 Espa\xc3\xb1"
                     "a"),
            "Cafe Muller A Espana");
  EXPECT_EQ(FromUtf8("\xc2\xb2\xc2\xb5"), "2\x83\xca");  // "²µ": "2" and Greek mu
  // Korean, Hebrew, an emoji beyond U+FFFF, the replacement character.
  EXPECT_EQ(FromUtf8("\xed\x95\x9c|\xd7\x90|\xf0\x9f\x98\x80|\xef\xbf\xbd"),
            std::string(kQuestion) + "|" + std::string(kQuestion) + "|" + std::string(kQuestion) +
                "|" + std::string(kQuestion));
}

TEST(ToShiftJis, BrokenBytesGiveAFullWidthQuestionMark) {
  const std::string q(kQuestion);
  EXPECT_EQ(FromUtf8("a\xff"
                     "b"),
            "a" + q + "b");
  EXPECT_EQ(FromUtf8("\xe3\x81"
                     "c"),
            q + "c");                         // a sequence cut short
  EXPECT_EQ(FromUtf8("x\xe3\x81"), "x" + q);  // cut short by the end
}

// Whatever the page holds, what comes out is Shift-JIS: a lone byte that
// code page 932 maps to a character of its own (U+0080 to 0x80, private-use
// characters to 0xA0 and 0xFD..0xFF on Windows) would be read as the start
// of something else.
TEST(ToShiftJis, EveryCharacterGivesShiftJis) {
  std::string all;
  for (char32_t c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    all += Utf8(c);
  }
  const std::string out = FromUtf8(all);
  EXPECT_TRUE(IsShiftJis(out));
  EXPECT_GT(out.size(), 0xD000u);
  EXPECT_EQ(FromUtf8("\xc2\x80"), kQuestion);      // U+0080
  EXPECT_EQ(FromUtf8("\xef\xa3\xb0"), kQuestion);  // U+F8F0
}

TEST(KeepShiftJis, ReplacesOnlyBytesThatAreNoShiftJis) {
  auto kept = [](std::string s) {
    encoding_internal::KeepShiftJis(s);
    return s;
  };
  const std::string q(kQuestion);
  EXPECT_EQ(kept("a\x82\xa0\xb1\xdf\x81\x40\xfc\xfc"), "a\x82\xa0\xb1\xdf\x81\x40\xfc\xfc");
  EXPECT_EQ(kept("\x80"
                 "a\xa0\xfd\xfe\xff"),
            q + "a" + q + q + q + q);
  EXPECT_EQ(kept("\x81 a\x81"), q + " a" + q);  // a lead byte without its trail byte
  EXPECT_EQ(kept(""), "");
}

#ifndef _WIN32
// glibc transliterates by the calling thread's locale; the conversion must
// give the same under the C locale, which knows no "é" -> "e".
TEST(ToShiftJis, DoesNotDependOnTheLocale) {
  const std::string text = "\xc3\xa9\xc3\x9f\xc3\x86\xc2\xa9\xe2\x82\xac\xed\x95\x9c";
  const std::string here = FromUtf8(text);
  EXPECT_EQ(here.substr(0, 1), "e");
  const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  ASSERT_NE(c_locale, static_cast<locale_t>(0));
  const locale_t previous = uselocale(c_locale);
  const std::string under_c = FromUtf8(text);
  uselocale(previous);
  freelocale(c_locale);
  EXPECT_EQ(under_c, here);
}
#endif

}  // namespace
}  // namespace kivo::platform
