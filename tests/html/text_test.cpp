// THTMLText::SetRaw: line feeds, collapsing of spaces, and character
// references.
#include <gtest/gtest.h>

#include <string>

#include "html/html_parser.h"

namespace kivo {
namespace {

std::string Decode(const std::string& raw) {
  THTMLText text;
  text.SetRaw(raw);
  EXPECT_EQ(text.Raw, raw);
  return std::string(text.Text);
}

TEST(TextSpaces, LineFeedsBecomeSpacesAndRunsCollapse) {
  EXPECT_EQ(Decode("a\nb"), "a b");
  EXPECT_EQ(Decode("a \n  \n b"), "a b");
  EXPECT_EQ(Decode("\n    x\n  "), " x ");
  EXPECT_EQ(Decode("\n\n\n"), " ");
  EXPECT_EQ(Decode("x"), "x");
  EXPECT_EQ(Decode(""), "");
}

TEST(TextSpaces, CarriageReturnsAndTabsAreNotTouched) {
  EXPECT_EQ(Decode("a\r\n\tb"), "a\r \tb");
  EXPECT_EQ(Decode("a\t\tb"), "a\t\tb");
  // A full-width space ("　", 81 40) is text, not a space.
  EXPECT_EQ(Decode("\x81\x40\x81\x40 "), "\x81\x40\x81\x40 ");
}

TEST(TextReferences, NamedReferences) {
  EXPECT_EQ(Decode("&lt;b&gt;"), "<b>");
  EXPECT_EQ(Decode("&quot;q&quot; &amp;"), "\"q\" &");
  EXPECT_EQ(Decode("&eacute;"), "e");
  EXPECT_EQ(Decode("&yuml;"), "y");
  EXPECT_EQ(Decode("&nbsp;"), " ");
}

TEST(TextReferences, NamesMustMatchExactly) {
  EXPECT_EQ(Decode("&AMP;"), "&AMP;");    // case matters
  EXPECT_EQ(Decode("&amp x"), "&amp x");  // a name needs its ";"
  EXPECT_EQ(Decode("&ampx;"), "&ampx;");
  EXPECT_EQ(Decode("&euro; &lt;"), "&euro; <");  // not in the table
  EXPECT_EQ(Decode("&; & ;"), "&; & ;");
}

TEST(TextReferences, NumericReferences) {
  EXPECT_EQ(Decode("&#65;&#x41;&#X41;&#$41;"), "AAAA");
  EXPECT_EQ(Decode("&#065;"), "A");
  EXPECT_EQ(Decode("&#0xA;"), " ");  // "0x" and one hexadecimal digit
  EXPECT_EQ(Decode("&#xff;&#xFf;"), "yy");
  EXPECT_EQ(Decode("&#233;"), "e");
  EXPECT_EQ(Decode("&#215;"), "\x81\x7e");  // ×
  EXPECT_EQ(Decode("&#9;&#0;&#31;"), "   ");
  EXPECT_EQ(Decode("&#160;"), " ");
  EXPECT_EQ(Decode("&#127;&#32;"), "\x7f ");
  EXPECT_EQ(Decode("&#255;"), "y");
}

TEST(TextReferences, NumericReferenceEndedByASpaceLosesIt) {
  EXPECT_EQ(Decode("&#38 x"), "&x");
  EXPECT_EQ(Decode("&#65\nB"), "AB");  // the line feed became the space first
}

TEST(TextReferences, NumericReferencesThatStayAsWritten) {
  EXPECT_EQ(Decode("&#1234;"), "&#1234;");  // four digits
  EXPECT_EQ(Decode("&#x100;"), "&#x100;");  // three hexadecimal digits
  EXPECT_EQ(Decode("&#;"), "&#;");
  EXPECT_EQ(Decode("&# x"), "&# x");
  EXPECT_EQ(Decode("&#6a;"), "&#6a;");
  EXPECT_EQ(Decode("&#x;&#$;"), "&#x;&#$;");
  EXPECT_EQ(Decode("&#xg;"), "&#xg;");
  // Below 0: left as written.
  EXPECT_EQ(Decode("&#-1;&#-99;"), "&#-1;&#-99;");
  // A sign only before decimal digits; within range it decodes.
  EXPECT_EQ(Decode("&#+65;&#-0;"), "A ");
  EXPECT_EQ(Decode("&#-x1;&#+;"), "&#-x1;&#+;");
}

TEST(TextReferences, OneLevelOnly) {
  EXPECT_EQ(Decode("&amp;lt;"), "&lt;");
  EXPECT_EQ(Decode("&amp;#65;"), "&#65;");
  EXPECT_EQ(Decode("&#38;amp;"), "&amp;");
  EXPECT_EQ(Decode("&amp;amp;"), "&amp;");
}

TEST(TextReferences, CollapsingComesBeforeDecoding) {
  EXPECT_EQ(Decode("&nbsp;&nbsp;"), "  ");
  EXPECT_EQ(Decode("a&#32;&#32; b"), "a   b");
  EXPECT_EQ(Decode("a  &nbsp;  b"), "a   b");
}

TEST(TextReferences, LaterAmpersandRestartsTheReference) {
  EXPECT_EQ(Decode("&a&lt;"), "&a<");
  EXPECT_EQ(Decode("&&&#65;"), "&&A");
  EXPECT_EQ(Decode("R&D&amp;"), "R&D&");
}

TEST(TextReferences, ReferencesAtTheEndOfTheText) {
  EXPECT_EQ(Decode("x&lt;"), "x<");
  EXPECT_EQ(Decode("x&#65;"), "xA");
  EXPECT_EQ(Decode("x&lt"), "x&lt");  // never terminated
  EXPECT_EQ(Decode("x&#65"), "x&#65");
  EXPECT_EQ(Decode("x&"), "x&");
  EXPECT_EQ(Decode("&"), "&");
  // The line feed at the end of a page's text ends a numeric reference.
  EXPECT_EQ(Decode("x&#65\n"), "xA");
  EXPECT_EQ(Decode("x&lt\n"), "x&lt ");
}

// A code from 128 on gives the Shift-JIS form of its character, one or two
// bytes where the reference stood; the character after it stays whole.
TEST(TextReferences, WideCodesGiveShiftJisAndSwallowNothing) {
  EXPECT_EQ(Decode("Caf&eacute; 2"), "Cafe 2");
  EXPECT_EQ(Decode("&#233;\x82\xa0"), "e\x82\xa0");  // "eあ"
  EXPECT_EQ(Decode("&#913;&#x41;&#913 x"),
            "\x83\x9f"
            "A"
            "\x83\x9fx");                                 // Α, beyond 255
  EXPECT_EQ(Decode("&#129;&#888;"), "\x81\x48\x81\x48");  // "？？": characters with no form
  EXPECT_EQ(Decode("&#1234;"), "&#1234;");                // four digits: as written
}

TEST(TextReferences, JapaneseAroundReferences) {
  // "本&amp;日" (96 7B, 93 FA): the reference between double-byte
  // characters, and "&" right after a lead byte.
  EXPECT_EQ(Decode("\x96\x7b&amp;\x93\xfa"), "\x96\x7b&\x93\xfa");
  EXPECT_EQ(Decode("\x96&lt;"), "\x96<");
  // A reference that holds double-byte characters matches no name.
  EXPECT_EQ(Decode("&\x96\x7b;"), "&\x96\x7b;");
}

TEST(TextNode, KindAndMoving) {
  THTMLText text;
  text.SetRaw("a&amp;\nb");
  THTMLText moved(std::move(text));
  EXPECT_EQ(moved.Text, "a& b");
  EXPECT_EQ(moved.Raw, "a&amp;\nb");
  EXPECT_NE(moved.AsText(), nullptr);
  EXPECT_EQ(moved.AsTag(), nullptr);
  moved.SetRaw("c");  // again, replacing
  EXPECT_EQ(moved.Text, "c");
}

}  // namespace
}  // namespace kivo
