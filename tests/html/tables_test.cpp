// The two reference tables and the reading of a numeric reference's body.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "html/html_refs.h"
#include "html/reference_tokenizer.h"
#include "platform/encoding_rules.h"

namespace kivo::html_internal {
namespace {

TEST(NamedTable, HundredEntriesInTheFixedOrder) {
  ASSERT_EQ(kNamedRefs.size(), 100u);
  const auto expected = reference::NamedTable();  // written out independently
  ASSERT_EQ(expected.size(), 100u);
  for (std::size_t i = 0; i < kNamedRefs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kNamedRefs[i].name, expected[i].first);
    EXPECT_EQ(kNamedRefs[i].numeric, expected[i].second);
    EXPECT_EQ(kNamedRefs[i].numeric, "&#" + std::to_string(kNamedRefs[i].code) + ";");
    if (i >= 4) {
      EXPECT_EQ(kNamedRefs[i].code, 160 + (i - 4));
    }
  }
  EXPECT_EQ(kNamedRefs[0].name, "&quot;");
  EXPECT_EQ(kNamedRefs[3].numeric, "&#62;");
  EXPECT_EQ(kNamedRefs[4].name, "&nbsp;");
  EXPECT_EQ(kNamedRefs[13].name, "&copy;");
  EXPECT_EQ(kNamedRefs[99].name, "&yuml;");
}

TEST(CodeTable, ControlCodesGiveASpaceAndAsciiItself) {
  ASSERT_EQ(kCodeTable.size(), 128u);
  for (int c = 0; c < 128; ++c) {
    SCOPED_TRACE(c);
    const char expected = c < 32 ? ' ' : static_cast<char>(c);
    EXPECT_EQ(kCodeTable[static_cast<std::size_t>(c)], expected);
  }
}

// Every code from 128 on gives Shift-JIS that fits where its reference
// stood: never the lone byte of the code (0xE9 is a lead byte and would
// swallow the character after it), never a byte Shift-JIS has no place for.
TEST(WideForms, AreShiftJisAndFitTheShortestReference) {
  for (int code = 128; code <= 999; ++code) {
    SCOPED_TRACE(code);
    const std::string_view form = WideForm(code);
    ASSERT_FALSE(form.empty());
    EXPECT_LE(form.size(), kMaxFormBytes);
    std::string mended(form);
    platform::encoding_internal::KeepShiftJis(mended);
    EXPECT_EQ(mended, form);
  }
}

TEST(WideForms, NearestFormOrFullWidthQuestionMark) {
  // The same on Windows (best fit) and POSIX (C.UTF-8 transliteration).
  EXPECT_EQ(WideForm(233), "e");          // é
  EXPECT_EQ(WideForm(252), "u");          // ü
  EXPECT_EQ(WideForm(192), "A");          // À
  EXPECT_EQ(WideForm(255), "y");          // ÿ
  EXPECT_EQ(WideForm(160), " ");          // non-breaking space
  EXPECT_EQ(WideForm(165), "\x5c");       // ¥: the yen sign of code page 932
  EXPECT_EQ(WideForm(215), "\x81\x7e");   // ×, which code page 932 has
  EXPECT_EQ(WideForm(181), "\x83\xca");   // µ: the Greek mu
  EXPECT_EQ(WideForm(913), "\x83\x9f");   // Α, beyond 255
  EXPECT_EQ(WideForm(133), "\x81\x63");   // 0x85 in windows-1252: …
  EXPECT_EQ(WideForm(129), "\x81\x48");   // undefined in windows-1252
  EXPECT_EQ(WideForm(888), "\x81\x48");   // U+0378, unassigned
  EXPECT_EQ(WideForm(1000), "\x81\x48");  // out of range
}
TEST(NumericBody, Reads) {
  struct Case {
    const char* body;
    int value;
  };
  for (const Case& c :
       {Case{"0", 0}, Case{"65", 65}, Case{"065", 65}, Case{"999", 999}, Case{"x41", 65},
        Case{"X41", 65}, Case{"$41", 65}, Case{"xfF", 255}, Case{"x0", 0}, Case{"0x9", 9},
        Case{"0XA", 10}, Case{"+65", 65}, Case{"-1", -1}, Case{"-99", -99}, Case{"-0", 0}}) {
    SCOPED_TRACE(c.body);
    int v = 12345;
    ASSERT_TRUE(ReadNumericBody(c.body, &v));
    EXPECT_EQ(v, c.value);
  }
}

TEST(NumericBody, Refuses) {
  for (const char* body : {"", "1234", "x100", "0x41", "x", "$", "X", "+", "-", "6a", "a", "0x",
                           "-x1", "+x1", " 65", "6 5", "x4g", "\x82\x4f"}) {
    SCOPED_TRACE(body);
    int v = 12345;
    EXPECT_FALSE(ReadNumericBody(body, &v));
    EXPECT_EQ(v, 12345);
  }
}

TEST(ResolveReference, CodesOrMinusOne) {
  EXPECT_EQ(ResolveReference("&amp;"), 38);
  EXPECT_EQ(ResolveReference("&nbsp;"), 160);
  EXPECT_EQ(ResolveReference("&#65;"), 65);
  EXPECT_EQ(ResolveReference("&#65 "), 65);
  EXPECT_EQ(ResolveReference("&#233;"), 233);
  EXPECT_EQ(ResolveReference("&eacute;"), 233);
  EXPECT_EQ(ResolveReference("&#999;"), 999);
  EXPECT_EQ(ResolveReference("&#-1;"), -1);
  EXPECT_EQ(ResolveReference("&amp "), -1);
  EXPECT_EQ(ResolveReference("&Amp;"), -1);
  EXPECT_EQ(ResolveReference("&#;"), -1);
  EXPECT_EQ(ResolveReference("&;"), -1);
}

}  // namespace
}  // namespace kivo::html_internal
