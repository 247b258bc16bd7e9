// TrimZen, TrimBlanks and the whole-number reading.
#include <gtest/gtest.h>

#include <string>

#include "text/text.h"

namespace kivo {
namespace {

const std::string kWideSpace = "\x81\x40";  // full-width space

TEST(TextTrimZen, SpacesAndFullWidthSpacesOnBothSides) {
  EXPECT_EQ(TrimZen(" " + kWideSpace + " " + kWideSpace + "abc" + kWideSpace + " " + kWideSpace),
            "abc");
  EXPECT_EQ(TrimZen("\r\n\t abc \r\n"), "abc");
  EXPECT_EQ(TrimZen("a" + kWideSpace + "b"), "a" + kWideSpace + "b");  // inside stays
}

TEST(TextTrimZen, ControlCharacterStopsTheStripping) {
  // full-width space, tab, full-width space, abc -> full-width space, abc
  EXPECT_EQ(TrimZen(kWideSpace + "\t" + kWideSpace + "abc"), kWideSpace + "abc");
  EXPECT_EQ(TrimZen("abc" + kWideSpace + "\t" + kWideSpace), "abc" + kWideSpace);
}

TEST(TextTrimZen, OnlySpacesOrNothing) {
  EXPECT_EQ(TrimZen(""), "");
  EXPECT_EQ(TrimZen(" " + kWideSpace + kWideSpace + " "), "");
  EXPECT_EQ(TrimZen("\t\r\n"), "");
  EXPECT_EQ(TrimZen(kWideSpace), "");
}

TEST(TextTrimZen, TrailingFullWidthSpaceMustBeAWholeCharacter) {
  // 0x81 0x81 is one character and the 0x40 after it an "@": nothing to trim.
  EXPECT_EQ(TrimZen("abc\x81\x81\x40"), "abc\x81\x81\x40");
  // ...but after three lead-byte values the last 0x81 0x40 is a full-width
  // space.
  EXPECT_EQ(TrimZen("abc\x81\x81\x81\x40"), "abc\x81\x81");
  // 表 and ソ end in "\": they are kept whole.
  EXPECT_EQ(TrimZen("\x95\x5C" + kWideSpace + " \x83\x5C" + kWideSpace),
            "\x95\x5C" + kWideSpace + " \x83\x5C");
}

TEST(TextTrimZen, LeadByteAtTheEnd) {
  EXPECT_EQ(TrimZen("abc\x81"), "abc\x81");
  EXPECT_EQ(TrimZen(kWideSpace + "abc\x81 "), "abc\x81");
  EXPECT_EQ(TrimZen("\x81"), "\x81");
}

TEST(TextTrimBlanks, BytesUpToSpace) {
  EXPECT_EQ(TrimBlanks(" \t abc \r\n"), "abc");
  EXPECT_EQ(TrimBlanks(std::string("\0a\0", 3)), "a");
  EXPECT_EQ(TrimBlanks(kWideSpace + "a" + kWideSpace), kWideSpace + "a" + kWideSpace);
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("\x7F"
                       "a\xA0"),
            "\x7F"
            "a\xA0");
}

struct IntCase {
  const char* text;
  int value;
};

TEST(TextTryParseInt, AcceptedForms) {
  const IntCase cases[] = {
      {"0", 0},
      {"42", 42},
      {"   42", 42},
      {"+42", 42},
      {"-42", -42},
      {" -7", -7},
      {"007", 7},
      {"000000000000000000042", 42},
      {"$1F", 31},
      {"$1f", 31},
      {"0x1f", 31},
      {"0X1F", 31},
      {"-$10", -16},
      {"+0x10", 16},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$7FFFFFFF", 2147483647},
      {"-$80000000", -2147483647 - 1},
  };
  for (const auto& c : cases) {
    int value = 12345;
    EXPECT_TRUE(TryParseInt(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(ParseIntOr(c.text, 999), c.value) << c.text;
  }
}

TEST(TextTryParseInt, RejectedForms) {
  const char* cases[] = {
      "",
      " ",
      "-",
      "+",
      "$",
      "0x",
      "-0x",
      "42 ",
      "4 2",
      "\t42",
      "- 5",
      "--1",
      "+-1",
      "12a",
      "$g",
      "0x-1",
      "1.5",
      "1,000",
      "1e3",
      "x10",
      "00x1",
      "0b1",
      "2147483648",
      "-2147483649",
      "$80000000",
      "$FFFFFFFF",
      "99999999999999999999",
      "\x82\x50\x82\x51",  // １２
  };
  for (const char* text : cases) {
    int value = 12345;
    EXPECT_FALSE(TryParseInt(text, value)) << text;
    EXPECT_EQ(value, 12345) << text;  // left as it was
    EXPECT_EQ(ParseIntOr(text, 30), 30) << text;
  }
}

TEST(TextTryParseInt, EmbeddedNulIsNotTheEnd) {
  int value = 0;
  EXPECT_FALSE(TryParseInt(std::string("12\0"
                                       "3",
                                       4),
                           value));
}

}  // namespace
}  // namespace kivo
