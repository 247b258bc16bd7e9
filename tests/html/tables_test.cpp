// The two reference tables and the reading of a numeric reference's body.
#include <gtest/gtest.h>

#include <string>

#include "html/html_refs.h"
#include "html/reference_tokenizer.h"

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

TEST(CodeTable, ControlCodesAndNonBreakingSpaceGiveASpace) {
  ASSERT_EQ(kCodeTable.size(), 256u);
  for (int c = 0; c < 256; ++c) {
    SCOPED_TRACE(c);
    const unsigned char expected = (c < 32 || c == 160) ? 0x20 : static_cast<unsigned char>(c);
    EXPECT_EQ(static_cast<unsigned char>(kCodeTable[static_cast<std::size_t>(c)]), expected);
  }
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
  EXPECT_EQ(ResolveReference("&#256;"), -1);
  EXPECT_EQ(ResolveReference("&#-1;"), -1);
  EXPECT_EQ(ResolveReference("&amp "), -1);
  EXPECT_EQ(ResolveReference("&Amp;"), -1);
  EXPECT_EQ(ResolveReference("&#;"), -1);
  EXPECT_EQ(ResolveReference("&;"), -1);
}

}  // namespace
}  // namespace kivo::html_internal
