// THTMLTag::SetRaw and THTMLParam::SetRaw: the tag's name and attributes.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "html/html_parser.h"

namespace kivo {
namespace {

// (name, value) of every attribute.
std::vector<std::pair<std::string, std::string>> Attrs(const THTMLTag& tag) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const THTMLParam& p : tag.Params)
    out.emplace_back(std::string(p.Name), std::string(p.Value));
  return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(TagName, FirstWordUpperCased) {
  THTMLTag tag;
  tag.SetRaw("a href=x");
  EXPECT_EQ(tag.Name, "A");
  EXPECT_EQ(tag.Raw, "a href=x");
  tag.SetRaw("/td");
  EXPECT_EQ(tag.Name, "/TD");
  EXPECT_TRUE(tag.Params.empty());
  tag.SetRaw("!DOCTYPE html");
  EXPECT_EQ(tag.Name, "!DOCTYPE");
  EXPECT_EQ(Attrs(tag), (Pairs{{"HTML", ""}}));
}

TEST(TagName, EmptyWhenTheTextBeginsWithASpace) {
  THTMLTag tag;
  tag.SetRaw(" b x=1");
  EXPECT_EQ(tag.Name, "");
  EXPECT_EQ(Attrs(tag), (Pairs{{"B", ""}, {"X", "1"}}));
  tag.SetRaw("");
  EXPECT_EQ(tag.Name, "");
  EXPECT_EQ(tag.Raw, "");
  EXPECT_TRUE(tag.Params.empty());
}

TEST(TagName, OnlyTheSpaceEndsTheName) {
  THTMLTag tag;
  tag.SetRaw("td\tclass=x y");
  EXPECT_EQ(tag.Name, "TD\tCLASS=X");
  EXPECT_EQ(Attrs(tag), (Pairs{{"Y", ""}}));
}

TEST(TagName, UpperCasingTouchesEveryLetterByteKnowingNoCodePage) {
  THTMLTag tag;
  // 83 61: a lead byte and an "a"; the "a" is upper-cased all the same.
  tag.SetRaw("\x83\x61");
  EXPECT_EQ(tag.Name, "\x83\x41");
  // "テト" (83 65 83 67): their second bytes "e" and "g" go up as well, in
  // names of every length; values are never touched.
  tag.SetRaw("\x83\x65\x83\x67x-y_z9 d\x83\x65=\x83\x65");
  EXPECT_EQ(tag.Name, "\x83\x45\x83\x47X-Y_Z9");
  EXPECT_EQ(Attrs(tag), (Pairs{{"D\x83\x45", "\x83\x65"}}));
  tag.SetRaw("\x83\x65\x83\x67\x83\x65\x83\x67\x83\x65 \x95\x7A\x95\x61\x95\x62\x95\x63\x95\x64=v");
  EXPECT_EQ(tag.Name, "\x83\x45\x83\x47\x83\x45\x83\x47\x83\x45");
  EXPECT_EQ(Attrs(tag), (Pairs{{"\x95\x5A\x95\x41\x95\x42\x95\x43\x95\x44", "v"}}));
  // Half-width katakana (A1..DF) and the other high bytes stay; the letter
  // after one is upper-cased.
  tag.SetRaw("\xb1x\xe1\xfa\xff{`");
  EXPECT_EQ(tag.Name, "\xb1X\xe1\xfa\xff{`");
}

TEST(TagName, EveryLengthUpperCasesExactlyTheLetters) {
  // Names of 1 to 20 bytes, mixing letters with the bytes just outside
  // "a".."z" ("`" 0x60, "{" 0x7B), other ASCII, and high bytes whose sums
  // with the letter bounds would carry (lead bytes, E1 and up).
  const std::string alphabet =
      "azAZ`{@[09-_!/mMqQ"
      "\x83\xE1\xFA\xFF\x80\xE0";
  for (std::size_t n = 1; n <= 20; ++n) {
    for (std::size_t shift = 0; shift < alphabet.size(); ++shift) {
      std::string name;
      for (std::size_t i = 0; i < n; ++i) name += alphabet[(i * 7 + shift) % alphabet.size()];
      THTMLTag tag;
      tag.SetRaw(name + " " + name + "=1");
      std::string want = name;
      for (char& c : want) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      }
      EXPECT_EQ(tag.Name, want) << name;
      ASSERT_EQ(tag.Params.size(), 1u);
      EXPECT_EQ(tag.Params[0].Name, want) << name;
    }
  }
}

TEST(TagComment, CommentIsATagNamedBangDashDash) {
  THTMLTag tag;
  tag.SetRaw("!-- note --");
  EXPECT_EQ(tag.Name, "!--");
  EXPECT_EQ(Attrs(tag), (Pairs{{"NOTE", ""}, {"--", ""}}));
}

TEST(TagAttributes, DoubleQuotesKeepASpaceSingleQuotesDoNot) {
  THTMLTag tag;
  tag.SetRaw("a href=\"x y\"");
  EXPECT_EQ(Attrs(tag), (Pairs{{"HREF", "x y"}}));
  tag.SetRaw("a href='x y'");
  EXPECT_EQ(Attrs(tag), (Pairs{{"HREF", "'x"}, {"Y'", ""}}));
}

TEST(TagAttributes, RunsOfSpacesGiveNoEmptyAttributes) {
  THTMLTag tag;
  tag.SetRaw("td   class=a     id=b   ");
  EXPECT_EQ(Attrs(tag), (Pairs{{"CLASS", "a"}, {"ID", "b"}}));
  ASSERT_EQ(tag.Params.size(), 2u);
  EXPECT_EQ(tag.Params[0].Raw, "class=a");
}

TEST(TagAttributes, UnclosedQuoteStopsSpacesFromSplitting) {
  THTMLTag tag;
  tag.SetRaw("a title=\"x y z=1");
  EXPECT_EQ(Attrs(tag), (Pairs{{"TITLE", "\"x y z=1"}}));
}

TEST(TagAttributes, QuotesInTheMiddleToggleToo) {
  THTMLTag tag;
  tag.SetRaw("p a=x\" \"y b");
  EXPECT_EQ(Attrs(tag), (Pairs{{"A", "x\" \"y"}, {"B", ""}}));
}

TEST(TagAttributes, FirstEqualsMayLieInsideQuotes) {
  THTMLTag tag;
  tag.SetRaw("p \"a=b\"=c d=\"e=f\"");
  EXPECT_EQ(Attrs(tag), (Pairs{{"\"A", "b\"=c"}, {"D", "e=f"}}));
}

TEST(TagAttributes, ReferencesInValuesStayAsWritten) {
  THTMLTag tag;
  tag.SetRaw("a href=\"/bec/SE/Genre?dcode=01&amp;ccode=01\"");
  EXPECT_EQ(Attrs(tag), (Pairs{{"HREF", "/bec/SE/Genre?dcode=01&amp;ccode=01"}}));
}

TEST(TagAttributes, SetRawAgainReplacesTheAttributes) {
  THTMLTag tag;
  tag.SetRaw("img src=a alt=b width=1");
  ASSERT_EQ(tag.Params.size(), 3u);
  tag.SetRaw("br");
  EXPECT_EQ(tag.Name, "BR");
  EXPECT_TRUE(tag.Params.empty());
  tag.SetRaw("a href=c");
  EXPECT_EQ(Attrs(tag), (Pairs{{"HREF", "c"}}));
}

TEST(TagAttributes, FieldsSurviveMovingTheTag) {
  THTMLTag tag;
  tag.SetRaw("a href=\"x\" class=y");
  THTMLTag moved(std::move(tag));
  EXPECT_EQ(moved.Name, "A");
  EXPECT_EQ(Attrs(moved), (Pairs{{"HREF", "x"}, {"CLASS", "y"}}));
  ASSERT_NE(moved.AsTag(), nullptr);
  EXPECT_EQ(moved.AsText(), nullptr);
}

TEST(Param, WithoutEqualsTheWholeTextIsTheName) {
  THTMLParam p;
  p.SetRaw("disabled");
  EXPECT_EQ(p.Raw, "disabled");
  EXPECT_EQ(p.Name, "DISABLED");
  EXPECT_EQ(p.Value, "");
}

TEST(Param, LeadingEqualsGivesAnEmptyName) {
  THTMLParam p;
  p.SetRaw("=abc");
  EXPECT_EQ(p.Name, "");
  EXPECT_EQ(p.Value, "abc");
}

TEST(Param, OnlyTheFirstEqualsSplits) {
  THTMLParam p;
  p.SetRaw("href=\"/d?a=1&b=2\"");
  EXPECT_EQ(p.Name, "HREF");
  EXPECT_EQ(p.Value, "/d?a=1&b=2");
  p.SetRaw("x==");
  EXPECT_EQ(p.Name, "X");
  EXPECT_EQ(p.Value, "=");
}

TEST(Param, EnclosingQuotes) {
  THTMLParam p;
  p.SetRaw("alt=\"\"");
  EXPECT_EQ(p.Value, "");
  p.SetRaw("alt=\"");
  EXPECT_EQ(p.Value, "\"");
  p.SetRaw("alt=\"a");
  EXPECT_EQ(p.Value, "\"a");
  p.SetRaw("alt=a\"");
  EXPECT_EQ(p.Value, "a\"");
  p.SetRaw("alt=\"\"\"");
  EXPECT_EQ(p.Value, "\"");
  p.SetRaw("alt='a'");
  EXPECT_EQ(p.Value, "'a'");
  p.SetRaw("\"x\"");  // quotes around a name are not removed
  EXPECT_EQ(p.Name, "\"X\"");
}

}  // namespace
}  // namespace kivo
