// Character tests, ReplaceAll, ContainsText, SafeFileName and
// SafeBareFileName: matches only ever cover whole characters.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "text/text.h"

namespace kivo {
namespace {

// Double-byte characters whose second byte is "\" (0x5C) or "|" (0x7C).
const std::string kSo = "\x83\x5C";                             // ソ
const std::string kHyo = "\x95\x5C";                            // 表
const std::string kPo = "\x83\x7C";                             // ポ
const std::string kNou = "\x94\x5C";                            // 能
const std::string kTitle = "\x83\x5E\x83\x43\x83\x67\x83\x8B";  // タイトル

// Character starts by walking forwards, as a reader of the text would: a lead
// byte takes the next byte when that can be a second byte (0x40-0xFC).
std::vector<bool> SecondBytesByWalking(const std::string& s) {
  std::vector<bool> second(s.size(), false);
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x40 &&
        static_cast<unsigned char>(s[i + 1]) <= 0xFC) {
      second[i + 1] = true;
      i += 2;
    } else {
      i += 1;
    }
  }
  return second;
}

// The plain quadratic reading of ReplaceAll: try every byte position from the
// left, accept an occurrence that starts and ends on character boundaries.
std::string ReplaceAllByHand(const std::string& text, const std::string& pattern,
                             const std::string& replacement) {
  if (pattern.empty()) return text;
  const std::vector<bool> second = SecondBytesByWalking(text);
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t end = i + pattern.size();
    if (!second[i] && text.compare(i, pattern.size(), pattern) == 0 &&
        (end == text.size() || !second[end])) {
      out += replacement;
      i = end;
    } else {
      out.push_back(text[i]);
      ++i;
    }
  }
  return out;
}

TEST(TextLeadByte, Ranges) {
  for (int c = 0; c < 256; ++c) {
    const bool expected = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(c)), expected) << c;
  }
}

TEST(TextSecondByte, SecondBytesOfBackslashAndBarCharacters) {
  const std::string s = "a" + kSo + kHyo + kPo;
  const std::vector<bool> expected = {false, false, true, false, true, false, true};
  for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(IsSecondByte(s, i), expected[i]) << i;
}

TEST(TextSecondByte, RunsOfLeadByteValues) {
  // 0x81 0x81 is one character, the 0x40 after it an "@".
  EXPECT_TRUE(IsSecondByte("\x81\x81\x40", 1));
  EXPECT_FALSE(IsSecondByte("\x81\x81\x40", 2));
  // Three lead-byte values: the third starts a character with the 0x40.
  EXPECT_TRUE(IsSecondByte("\x81\x81\x81\x40", 3));
  // A lead byte at the end has no second byte.
  EXPECT_FALSE(IsSecondByte("a\x81", 1));
}

TEST(TextSecondByte, ByteThatCannotCompleteACharacter) {
  // "/" and a space can never be second bytes: the lead byte before them is a
  // broken character of its own.
  EXPECT_FALSE(IsSecondByte("\x81/", 1));
  EXPECT_FALSE(IsSecondByte("\x81 ", 1));
  EXPECT_FALSE(IsSecondByte("\x81\xFD", 1));
  EXPECT_TRUE(IsSecondByte("\x81\x40", 1));
  EXPECT_TRUE(IsSecondByte("\x81\xFC", 1));
}

TEST(TextSecondByte, OutsideTheStringThrowsIllegalIndex) {
  EXPECT_THROW(IsSecondByte("", 0), std::out_of_range);
  EXPECT_THROW(IsSecondByte("ab", 2), std::out_of_range);
  EXPECT_THROW(IsSecondByte("ab", static_cast<std::size_t>(-1)), std::out_of_range);
  try {
    IsSecondByte("ab", 5);
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Illegal Index");
  }
}

TEST(TextSecondByte, AgreesWithAForwardWalkOnEveryShortText) {
  // Every text of up to five bytes over bytes that matter: lead values, second
  // bytes that are also lead values, "\" and "|", a byte that cannot be a
  // second byte, half-width katakana.
  const std::string alphabet = "\x81\xE0\x5C\x7C\x2F\xB6\x40";
  std::vector<std::string> texts = {""};
  for (int length = 1; length <= 5; ++length) {
    std::vector<std::string> longer;
    for (const auto& t : texts)
      if (t.size() == static_cast<std::size_t>(length - 1))
        for (char c : alphabet) longer.push_back(t + c);
    texts.insert(texts.end(), longer.begin(), longer.end());
  }
  for (const auto& t : texts) {
    const std::vector<bool> expected = SecondBytesByWalking(t);
    for (std::size_t i = 0; i < t.size(); ++i) ASSERT_EQ(IsSecondByte(t, i), expected[i]);
  }
}

TEST(TextReplaceAll, BasicReplacement) {
  EXPECT_EQ(ReplaceAll("a-b-c", "-", ""), "abc");
  EXPECT_EQ(ReplaceAll("a-b-c", "-", "+-"), "a+-b+-c");  // a replacement is not rescanned
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");        // occurrences do not overlap
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abc", "ABC", "x"), "abc");  // case-sensitive
  EXPECT_EQ(ReplaceAll("abc", "abc", ""), "");
  EXPECT_EQ(ReplaceAll("ab", "abc", "x"), "ab");
  EXPECT_EQ(ReplaceAll("", "a", "x"), "");
}

TEST(TextReplaceAll, EmptyPatternChangesNothing) {
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("", "", "x"), "");
}

TEST(TextReplaceAll, NeverMatchesASecondByte) {
  const std::string text = kSo + "\\" + kHyo + "|" + kPo + kNou;
  EXPECT_EQ(ReplaceAll(text, "\\", "/"), kSo + "/" + kHyo + "|" + kPo + kNou);
  EXPECT_EQ(ReplaceAll(text, "|", "!"), kSo + "\\" + kHyo + "!" + kPo + kNou);
  // 0x5C 0x83 occurs at bytes 1-2 of ソソ, from the second byte of the first.
  EXPECT_EQ(ReplaceAll(kSo + kSo, "\x5C\x83", "x"), kSo + kSo);
  // 0x83 0x83 is one character; 0x83 0x5C occurs only from its second byte.
  EXPECT_EQ(ReplaceAll("\x83\x83\x5C", "\x83\x5C", "x"), "\x83\x83\x5C");
}

TEST(TextReplaceAll, MatchesWholeDoubleByteCharacters) {
  const std::string paren_open = "\x81\x69";   // （
  const std::string paren_close = "\x81\x6A";  // ）
  const std::string wide_space = "\x81\x40";   // full-width space
  EXPECT_EQ(ReplaceAll(paren_open + kTitle + paren_close, paren_open, wide_space),
            wide_space + kTitle + paren_close);
  const std::string yen = "\x89\x7E";  // 円
  EXPECT_EQ(ReplaceAll("1,200" + yen, yen, ""), "1,200");
}

TEST(TextReplaceAll, OccurrenceMustEndOnACharacterBoundary) {
  // "a" followed by the lead byte of ソ: replacing it would leave a lone 0x5C,
  // a backslash that was never in the text.
  EXPECT_EQ(ReplaceAll("a" + kSo, "a\x83", ""), "a" + kSo);
  EXPECT_FALSE(ContainsText("a" + kSo, "a\x83"));
  // At the end of the text a lead byte is a character of its own.
  EXPECT_EQ(ReplaceAll("a\x83", "a\x83", "b"), "b");
  EXPECT_EQ(ReplaceAll("a\x83", "\x83", "b"), "ab");
}

TEST(TextReplaceAll, LeadByteAtTheEnd) {
  EXPECT_EQ(ReplaceAll("a-\x81", "-", ""), "a\x81");
  EXPECT_EQ(ReplaceAll("\x81", "\x81", ""), "");
  EXPECT_EQ(ReplaceAll("-\x95", "\x95", "x"), "-x");
}

TEST(TextReplaceAll, AgreesWithThePlainReadingOnEveryShortCase) {
  const std::string alphabet =
      "\x81\x5C\x40"
      "a";
  std::vector<std::string> texts = {""};
  for (std::size_t i = 0; i < texts.size() && texts[i].size() < 5; ++i)
    for (char c : alphabet) texts.push_back(texts[i] + c);
  std::vector<std::string> patterns;
  for (const auto& t : texts)
    if (!t.empty() && t.size() <= 3) patterns.push_back(t);
  for (const auto& t : texts) {
    for (const auto& p : patterns) {
      const std::string expected = ReplaceAllByHand(t, p, "<>");
      ASSERT_EQ(ReplaceAll(t, p, "<>"), expected)
          << "text " << ::testing::PrintToString(t) << " pattern " << ::testing::PrintToString(p);
      ASSERT_EQ(ContainsText(t, p), expected != t);
    }
  }
}

TEST(TextReplaceAll, WorstCaseForNaiveSearchStaysCorrect) {
  // A pattern that almost matches everywhere: what a naive search spends
  // quadratic time on. Here only the result is checked; the time is measured
  // separately.
  const std::string text(20000, 'a');
  const std::string pattern = std::string(999, 'a') + "b";
  EXPECT_EQ(ReplaceAll(text, pattern, ""), text);
  EXPECT_EQ(ReplaceAll(text + "b", pattern, "X"), std::string(19001, 'a') + "X");
}

TEST(TextContainsText, FindsOnlyAtCharacterStarts) {
  const std::string triangle = "\x81\xA5";                             // ▼
  EXPECT_TRUE(ContainsText(triangle + "\x95\xB6\x8C\xC9", triangle));  // ▼文庫
  EXPECT_FALSE(ContainsText(kSo + kHyo, "\\"));
  EXPECT_FALSE(ContainsText(kPo, "|"));
  EXPECT_TRUE(ContainsText(kPo + "|", "|"));
  EXPECT_FALSE(ContainsText("abc", ""));
  EXPECT_FALSE(ContainsText("", "a"));
  EXPECT_FALSE(ContainsText("\x81", "a"));
}

TEST(TextSafeFileName, ReplacesColonAndQuestionMark) {
  // "Title: What?" -> "Title： What？"
  EXPECT_EQ(SafeFileName("Title: What?"), "Title\x81\x46 What\x81\x48");
}

TEST(TextSafeFileName, ReplacesAllElevenCharacters) {
  EXPECT_EQ(SafeFileName("\\/:,;*?\"<>|"),
            // ￥／：，；＊？”＜＞｜
            "\x81\x8F\x81\x5E\x81\x46\x81\x43\x81\x47\x81\x96\x81\x48\x81\x68\x81\x83\x81\x84"
            "\x81\x62");
  // Everything else in ASCII stays, the dot included.
  EXPECT_EQ(SafeFileName("a b.c-d_e(1)!'#$%&=~^[]{}+@`"), "a b.c-d_e(1)!'#$%&=~^[]{}+@`");
}

TEST(TextSafeFileName, KeepsCharactersWhoseSecondByteIsBackslashOrBar) {
  const std::string text = kSo + kHyo + kPo + kNou;
  EXPECT_EQ(SafeFileName(text), text);
  EXPECT_EQ(SafeFileName(kSo + "\\" + kPo + "|"), kSo + "\x81\x8F" + kPo + "\x81\x62");
}

TEST(TextSafeFileName, BrokenCharactersAreDropped) {
  // "/" cannot complete a double-byte character, so the lead byte before it
  // is broken and the "/" is a character of its own: no separator byte is
  // ever left in the result.
  EXPECT_EQ(SafeFileName("\x81/..\x81/x"), "\x81\x5E..\x81\x5Ex");
  EXPECT_EQ(SafeFileName("\xE0:"), "\x81\x46");
  EXPECT_EQ(SafeFileName("abc\x95"), "abc");  // lead byte at the end
  // But "\" and "|" can complete one: after a lead byte they belong to it.
  EXPECT_EQ(SafeFileName("\x81\\\x81|"), "\x81\\\x81|");
}

TEST(TextSafeFileName, OtherBytesPassUnchanged) {
  const std::string text("a\0b\tc\x7F\x80\xA0\xFF\xB6\xDE", 11);
  EXPECT_EQ(SafeFileName(text), text);
  EXPECT_EQ(SafeFileName(""), "");
}

TEST(TextSafeBareFileName, KeepsEveryDotButAWholeNameOfDots) {
  // ".hack//SIGN" is a title: its leading dot stays, its slashes do not.
  EXPECT_EQ(SafeBareFileName(".hack//SIGN"), ".hack\x81\x5E\x81\x5ESIGN");
  EXPECT_EQ(SafeBareFileName("..." + kTitle + "."), "..." + kTitle + ".");
  // Dots and blanks alone name the folder or its parent (Windows drops them
  // at a name's end): they go full width, "．" and "　".
  EXPECT_EQ(SafeBareFileName("."), "\x81\x44");
  EXPECT_EQ(SafeBareFileName(".."), "\x81\x44\x81\x44");
  EXPECT_EQ(SafeBareFileName(" . "), "\x81\x40\x81\x44\x81\x40");
  EXPECT_EQ(SafeBareFileName(""), "");
}

TEST(TextSafeBareFileName, DevicesControlsAndBrokenCharacters) {
  EXPECT_EQ(SafeBareFileName("CON"), "_CON");
  EXPECT_EQ(SafeBareFileName("nul.txt"), "_nul.txt");
  EXPECT_EQ(SafeBareFileName("Com1 .jpg"), "_Com1 .jpg");
  EXPECT_EQ(SafeBareFileName("lpt0"), "_lpt0");
  EXPECT_EQ(SafeBareFileName("CONSOLE"), "CONSOLE");
  EXPECT_EQ(SafeBareFileName("COM10"), "COM10");
  EXPECT_EQ(SafeBareFileName(std::string("a\tb\x01\x7F\0c", 7)), "a_b___c");
  // A broken character is dropped before the dot after it could be lost to
  // it; a second byte 0x5C stays part of its character.
  EXPECT_EQ(SafeBareFileName("x\x81"), "x");
  EXPECT_EQ(SafeBareFileName(kSo + kHyo + "\\"), kSo + kHyo + "\x81\x8F");
  // Whatever a page puts in it, the name never leaves its folder: no
  // separator, drive colon or control byte at a character start, and never
  // only dots.
  for (const std::string text : {"../../etc/passwd", "..\\..\\boot", "C:\\Windows\\x", "\x81/..",
                                 "..\x81", ". .", "\xE0:\xE0\\"}) {
    const std::string name = SafeBareFileName(text);
    SCOPED_TRACE(text + " -> " + name);
    EXPECT_NE(name.find_first_not_of(". "), std::string::npos);
    const std::vector<bool> second = SecondBytesByWalking(name);
    for (std::size_t i = 0; i < name.size(); ++i) {
      const auto c = static_cast<unsigned char>(name[i]);
      if (second[i]) continue;
      EXPECT_TRUE(c != '/' && c != '\\' && c != ':' && c >= 0x20) << "byte " << i;
    }
  }
}

}  // namespace
}  // namespace kivo
