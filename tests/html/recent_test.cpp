// Sharing of repeated nodes: the byte comparison behind it, and that sharing
// never joins two stretches that differ.
#include <gtest/gtest.h>

#include <string>

#include "html/html_parser.h"
#include "html/html_recent.h"

namespace kivo {
namespace {

TEST(SameBytes, EveryLengthAndEveryPosition) {
  for (std::size_t n = 0; n <= 70; ++n) {
    std::string a(n, 'q');
    for (std::size_t i = 0; i < n; ++i) a[i] = static_cast<char>('a' + i % 26);
    const std::string copy = a;  // other storage, same bytes
    EXPECT_TRUE(html_internal::SameBytes(a, copy)) << n;
    for (std::size_t i = 0; i < n; ++i) {
      std::string b = a;
      b[i] = static_cast<char>(b[i] ^ 0x40);
      EXPECT_FALSE(html_internal::SameBytes(a, b)) << n << " at " << i;
    }
    EXPECT_FALSE(html_internal::SameBytes(a, a + "x")) << n;
  }
}

TEST(HashRaw, KindAndLengthCount) {
  EXPECT_NE(html_internal::HashRaw("td", true), html_internal::HashRaw("td", false));
  EXPECT_NE(html_internal::HashRaw("", true), html_internal::HashRaw("", false));
  EXPECT_NE(html_internal::HashRaw("ab", true), html_internal::HashRaw("abab", true));
  EXPECT_EQ(html_internal::HashRaw(std::string("a href=x"), true),
            html_internal::HashRaw("a href=x", true));
}

TEST(SharedNodes, RepeatsShareAndDifferencesDoNot) {
  THTMLParser parser;
  // Equal in length, first, middle and last bytes, different elsewhere.
  parser.Lines = {"<td class=\"aXbcdefghZ\"><td class=\"aYbcdefghZ\">",
                  "<td class=\"aXbcdefghZ\">td<td>td"};
  parser.Parse();
  ASSERT_EQ(parser.Nodes.size(), 6u);
  const auto value = [&](std::size_t i) {
    return std::string(parser.Nodes[i]->AsTag()->Params[0].Value);
  };
  EXPECT_EQ(value(0), "aXbcdefghZ");
  EXPECT_EQ(value(1), "aYbcdefghZ");
  EXPECT_EQ(value(2), "aXbcdefghZ");
  EXPECT_EQ(parser.Nodes[0], parser.Nodes[2]);  // a repeat shares its node
  EXPECT_NE(parser.Nodes[0], parser.Nodes[1]);
  // A text "td" and a tag "td" stay two kinds of node.
  ASSERT_NE(parser.Nodes[3]->AsText(), nullptr);
  EXPECT_EQ(parser.Nodes[3]->AsText()->Text, "td");
  ASSERT_NE(parser.Nodes[4]->AsTag(), nullptr);
  EXPECT_EQ(parser.Nodes[4]->AsTag()->Name, "TD");
  // The text at the end has its line feed, so it is not the earlier "td".
  ASSERT_NE(parser.Nodes[5]->AsText(), nullptr);
  EXPECT_EQ(parser.Nodes[5]->AsText()->Raw, "td\n");
  EXPECT_NE(parser.Nodes[5], parser.Nodes[3]);
}

TEST(SharedNodes, SharingAcrossLinesAndFromTheArena) {
  THTMLParser parser;
  // The same text once within a line and once spanning a line break; the
  // same tag once within a line and once split over two lines.
  parser.Lines = {"<p>ab cd</p><p>ab", "cd</p><img src=", "x><img src=x>"};
  parser.Parse();
  ASSERT_EQ(parser.Nodes.size(), 8u);
  EXPECT_EQ(parser.Nodes[1]->AsText()->Raw, "ab cd");
  EXPECT_EQ(parser.Nodes[4]->AsText()->Raw, "ab\ncd");
  EXPECT_EQ(parser.Nodes[4]->AsText()->Text, "ab cd");
  EXPECT_NE(parser.Nodes[1], parser.Nodes[4]);
  EXPECT_EQ(parser.Nodes[6], parser.Nodes[7]);
  EXPECT_EQ(parser.Nodes[6]->AsTag()->Raw, "img src=x");
}

}  // namespace
}  // namespace kivo
