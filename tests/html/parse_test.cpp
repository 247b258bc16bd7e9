// THTMLParser::Parse: splitting lines into tag and text nodes, the line-feed
// rule, flushing at the end of the page, and the pump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "html/html_parser.h"
#include "html/reference_tokenizer.h"

namespace kivo {
namespace {

using reference::Node;

std::vector<Node> ParseLines(const std::vector<std::string>& lines) {
  THTMLParser parser;
  parser.Lines = lines;
  parser.Parse();
  return reference::Snapshot(parser);
}

Node Text(std::string raw, std::string text) {
  Node n;
  n.raw = std::move(raw);
  n.text = std::move(text);
  return n;
}

Node Tag(std::string raw, std::string name, std::vector<reference::Param> params = {}) {
  Node n;
  n.is_tag = true;
  n.raw = std::move(raw);
  n.name = std::move(name);
  n.params = std::move(params);
  return n;
}

TEST(ParseScanning, EmptyInputGivesNoNodes) {
  EXPECT_TRUE(ParseLines({}).empty());
  // Empty lines collect nothing, so not even a line feed is kept.
  EXPECT_TRUE(ParseLines({"", "", ""}).empty());
}

TEST(ParseScanning, LinesOfOnlySpacesGiveOneSpace) {
  EXPECT_EQ(ParseLines({"   ", "  "}), std::vector<Node>{Text("   \n  \n", " ")});
}

TEST(ParseScanning, StartTagTextEndTag) {
  EXPECT_EQ(ParseLines({"<b>bold</b>"}),
            (std::vector<Node>{Tag("b", "B"), Text("bold", "bold"), Tag("/b", "/B")}));
}

TEST(ParseScanning, WordsOnTwoLinesJoinWithOneSpace) {
  EXPECT_EQ(ParseLines({"first", "second<br>"}),
            (std::vector<Node>{Text("first\nsecond", "first second"), Tag("br", "BR")}));
}

TEST(ParseScanning, WhiteSpaceBetweenTagsOnSeparateLines) {
  // No leading line feed: the text starts on a new line after a tag.
  EXPECT_EQ(ParseLines({"</td>", "  <td>"}),
            (std::vector<Node>{Tag("/td", "/TD"), Text("  ", " "), Tag("td", "TD")}));
}

TEST(ParseScanning, TagSplitOverTwoLinesJoinsWithoutSeparator) {
  auto nodes = ParseLines({"<img src=\"a\"", "alt=\"b\">"});
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].raw, "img src=\"a\"alt=\"b\"");
  ASSERT_EQ(nodes[0].params.size(), 1u);
  EXPECT_EQ(nodes[0].params[0].name, "SRC");
  EXPECT_EQ(nodes[0].params[0].value, "a\"alt=\"b");
}

TEST(ParseScanning, GreaterThanOutsideTagGivesEmptyTagBeforeTheText) {
  EXPECT_EQ(ParseLines({"a > b<br>"}),
            (std::vector<Node>{Tag("", ""), Text("a  b", "a b"), Tag("br", "BR")}));
  // At the end of the page the text keeps its line feed, as a space.
  EXPECT_EQ(ParseLines({"a > b"}), (std::vector<Node>{Tag("", ""), Text("a  b\n", "a b ")}));
}

TEST(ParseScanning, SecondLessThanInsideTagDisappears) {
  EXPECT_EQ(ParseLines({"x<a<b>y"}),
            (std::vector<Node>{Text("x", "x"), Tag("ab", "AB"), Text("y\n", "y ")}));
}

TEST(ParseScanning, EmptyTagsAndAdjacentTags) {
  EXPECT_EQ(ParseLines({"<><p><>"}), (std::vector<Node>{Tag("", ""), Tag("p", "P"), Tag("", "")}));
}

TEST(ParseFlushing, PageEndingInsideTagStillGivesTheTag) {
  EXPECT_EQ(ParseLines({"<a href=x"}),
            (std::vector<Node>{Tag("a href=x", "A", {{"href=x", "HREF", "x"}})}));
}

TEST(ParseFlushing, PageEndingInsideTagSpanningLines) {
  EXPECT_EQ(ParseLines({"text<a", "b"}),
            (std::vector<Node>{Text("text", "text"), Tag("ab", "AB")}));
}

TEST(ParseFlushing, LoneTrailingLessThanGivesNothing) {
  EXPECT_EQ(ParseLines({"abc<"}), (std::vector<Node>{Text("abc", "abc")}));
  EXPECT_TRUE(ParseLines({"<"}).empty());
  EXPECT_TRUE(ParseLines({"<", ""}).empty());
}

TEST(ParseFlushing, TextAtTheEndKeepsItsLastLineFeed) {
  EXPECT_EQ(ParseLines({"<p>", "end"}), (std::vector<Node>{Tag("p", "P"), Text("end\n", "end ")}));
}

TEST(ParseFlushing, CarriageReturnsAndTabsAreOrdinaryBytes) {
  EXPECT_EQ(ParseLines({"a\r", "\tb<i>"}),
            (std::vector<Node>{Text("a\r\n\tb", "a\r \tb"), Tag("i", "I")}));
}

TEST(ParseShiftJis, LeadByteAtTheEndOfALine) {
  // "本" then a lone lead byte at the line's end: the line feed follows it
  // as a byte of its own and nothing is swallowed.
  EXPECT_EQ(ParseLines({"\x96\x7b\x82", "<b>"}),
            (std::vector<Node>{Text("\x96\x7b\x82\n", "\x96\x7b\x82 "), Tag("b", "B")}));
}

TEST(ParseShiftJis, LettersAfterALeadByteAreUpperCasedInNames) {
  // The tokenizer knows no code page: "a" after 83 goes up in the tag's and
  // the attribute's name, never in the value.
  EXPECT_EQ(ParseLines({"<\x83\x61>", "<p \x83\x61=\x83\x61 c\x83\x61x\x83\x61yz>"}),
            (std::vector<Node>{Tag("\x83\x61", "\x83\x41"),
                               Tag("p \x83\x61=\x83\x61 c\x83\x61x\x83\x61yz", "P",
                                   {{"\x83\x61=\x83\x61", "\x83\x41", "\x83\x61"},
                                    {"c\x83\x61x\x83\x61yz", "C\x83\x41X\x83\x41YZ", ""}})}));
}

TEST(ParseShiftJis, CharacterSplitOverTheLinesOfATagJoinsAgain) {
  // "び" (82 D1) split between two lines inside a tag's attribute.
  auto nodes = ParseLines({"<img alt=\x82", "\xd1>"});
  ASSERT_EQ(nodes.size(), 1u);
  ASSERT_EQ(nodes[0].params.size(), 1u);
  EXPECT_EQ(nodes[0].params[0].value, "\x82\xd1");
}

TEST(ParseShiftJis, DoubleByteTextBetweenTags) {
  // "新刊" (90 56 8A A7) and "円" (89 7E): second bytes that look like
  // letters and "~" pass through untouched.
  EXPECT_EQ(ParseLines({"<td>\x90\x56\x8a\xa7</td><td>1,760\x89\x7e</td>"}),
            (std::vector<Node>{Tag("td", "TD"), Text("\x90\x56\x8a\xa7", "\x90\x56\x8a\xa7"),
                               Tag("/td", "/TD"), Tag("td", "TD"),
                               Text("1,760\x89\x7e", "1,760\x89\x7e"), Tag("/td", "/TD")}));
}

TEST(ParseLifetime, NodesOutliveTheLinesAndRepeatedParsesAppend) {
  THTMLParser parser;
  parser.Lines = {"<a href=\"/x?a=1&amp;b=2\">T&amp;C</a>"};
  parser.Parse();
  ASSERT_EQ(parser.Nodes.size(), 3u);
  const THTMLNode* first = parser.Nodes[0];
  // A second run appends the same nodes again and leaves the first ones
  // where they were.
  parser.Parse();
  ASSERT_EQ(parser.Nodes.size(), 6u);
  EXPECT_EQ(parser.Nodes[0], first);
  parser.Lines.clear();
  parser.Lines.shrink_to_fit();
  for (std::size_t i : {0u, 3u}) {
    const THTMLTag* a = parser.Nodes[i]->AsTag();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Name, "A");
    ASSERT_EQ(a->Params.size(), 1u);
    EXPECT_EQ(a->Params[0].Value, "/x?a=1&amp;b=2");
    ASSERT_NE(parser.Nodes[i + 1]->AsText(), nullptr);
    EXPECT_EQ(parser.Nodes[i + 1]->AsText()->Text, "T&C");
    EXPECT_EQ(parser.Nodes[i + 1]->AsTag(), nullptr);
    EXPECT_EQ(parser.Nodes[i + 2]->AsTag()->Name, "/A");
  }
}

TEST(ParseLarge, MillionCharactersOnOneLine) {
  // One line of 1,000,000 bytes: a cell with a class, Japanese text and a
  // reference, repeated.
  const std::string cell = "<td class=\"c\">\x96\x7b&amp;x</td>";  // 本&amp;x
  std::string line;
  while (line.size() + cell.size() <= 1000000) line += cell;
  const std::size_t cells = line.size() / cell.size();
  line.append(1000000 - line.size(), 'z');
  ASSERT_EQ(line.size(), 1000000u);

  THTMLParser parser;
  parser.Lines = {line};
  int pumps = 0;
  parser.Pump = [&pumps] { ++pumps; };
  parser.Parse();
  ASSERT_EQ(parser.Nodes.size(), 3 * cells + 1);
  for (std::size_t i = 0; i < cells; i += 997) {
    const THTMLTag* td = parser.Nodes[3 * i]->AsTag();
    ASSERT_NE(td, nullptr);
    EXPECT_EQ(td->Name, "TD");
    ASSERT_EQ(td->Params.size(), 1u);
    EXPECT_EQ(td->Params[0].Value, "c");
    ASSERT_NE(parser.Nodes[3 * i + 1]->AsText(), nullptr);
    EXPECT_EQ(parser.Nodes[3 * i + 1]->AsText()->Text, "\x96\x7b&x");
  }
  const THTMLText* tail = parser.Nodes[3 * cells]->AsText();
  ASSERT_NE(tail, nullptr);
  EXPECT_EQ(tail->Raw, std::string(1000000 - cells * cell.size(), 'z') + "\n");
  // Every 64 KiB of the line, and once at the end.
  EXPECT_GE(pumps, 15);
  EXPECT_LE(pumps, 17);
}

TEST(ParsePump, PumpRunsWhileTheParseIsUnderWay) {
  THTMLParser parser;
  for (int i = 0; i < 20000; ++i) {
    parser.Lines.push_back("<tr><td class=\"title\"><a href=\"/d?id=" + std::to_string(i) +
                           "\">Book</a></td></tr>");
  }
  std::vector<std::size_t> seen;  // node counts at each pump
  parser.Pump = [&] { seen.push_back(parser.Nodes.size()); };
  parser.Parse();
  const std::size_t total = parser.Nodes.size();
  ASSERT_EQ(total, 20000u * 7);
  // About 1 MB of input: a pump per 64 KiB, each one further on than the last.
  ASSERT_GE(seen.size(), 10u);
  EXPECT_GT(seen.front(), 0u);
  EXPECT_LT(seen.front(), total / 4);
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
  EXPECT_EQ(seen.back(), total);  // the last one after the final node
}

TEST(ParsePump, ManyEmptyLinesStillReachThePump) {
  THTMLParser parser;
  parser.Lines.assign(200000, std::string());
  int pumps = 0;
  parser.Pump = [&pumps] { ++pumps; };
  parser.Parse();
  EXPECT_TRUE(parser.Nodes.empty());
  EXPECT_GE(pumps, 3);
}

TEST(ParsePump, ShortPageWithoutPumpIsFine) {
  THTMLParser parser;
  parser.Lines = {"<p>x</p>"};
  parser.Parse();  // Pump left empty
  EXPECT_EQ(parser.Nodes.size(), 3u);
}

}  // namespace
}  // namespace kivo
