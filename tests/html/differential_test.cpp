// The tokenizer against the plain reference tokenizer: a generated listing
// page, many random pages built from the bytes that matter, and inputs the
// fuzzer once found.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../../bench/listing_page.h"
#include "html/html_parser.h"
#include "html/reference_tokenizer.h"

namespace kivo {
namespace {

std::vector<reference::Node> Parse(const std::vector<std::string>& lines) {
  THTMLParser parser;
  parser.Lines = lines;
  parser.Parse();
  return reference::Snapshot(parser);
}

void ExpectSameAsReference(const std::vector<std::string>& lines) {
  const auto got = Parse(lines);
  const auto want = reference::Tokenize(lines);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i], want[i]) << "node " << i << " raw [" << want[i].raw << "]";
  }
}

TEST(Differential, GeneratedListingPage) {
  const auto lines = bench::SplitPageLines(bench::MakeListingPage(60 * 1024));
  ExpectSameAsReference(lines);
  // And it is the page it claims to be: links with references kept, titles
  // and prices decoded.
  THTMLParser parser;
  parser.Lines = lines;
  parser.Parse();
  int links = 0, prices = 0;
  for (std::size_t i = 0; i < parser.Nodes.size(); ++i) {
    if (const THTMLTag* t = parser.Nodes[i]->AsTag(); t && t->Name == "A" && !t->Params.empty()) {
      if (std::string_view(t->Params[0].Value).find("Detail?isbn=") != std::string_view::npos) {
        EXPECT_NE(std::string_view(t->Params[0].Value).find("&amp;dcode=01"), std::string::npos);
        ++links;
      }
    }
    if (const THTMLText* x = parser.Nodes[i]->AsText()) {
      // The price's "円（税込）" followed by " <ソフトカバー>" on every third row.
      const std::string yen = bench::page_words::kYenTaxIn;
      if (std::string_view(x->Text).find(yen + " <") != std::string_view::npos) ++prices;
    }
  }
  EXPECT_GT(links, 100);
  EXPECT_GT(prices, 20);
}

// Bytes that steer the tokenizer, with a few ordinary ones and Shift-JIS
// lead and trail bytes.
std::vector<std::string> RandomLines(std::uint32_t& seed) {
  static const std::vector<std::string> pieces = {
      "<",     ">",    "&",  "#",   ";",    "=",    "\"",       " ",        "  ",   "'",
      "\t",    "\r",   "a",  "B",   "x",    "X",    "$",        "+",        "-",    "0",
      "1",     "6",    "5",  "9",   "f",    "amp",  "lt",       "nbsp",     "copy", "AMP",
      "&amp;", "&lt;", "&#", "&#x", "\x82", "\xa0", "\x83\x65", "\x81\x40", "!--",  "href"};
  auto rnd = [&seed](std::uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  std::vector<std::string> lines(rnd(5));
  for (std::string& line : lines) {
    for (std::uint32_t k = rnd(12); k > 0; --k) line += pieces[rnd(pieces.size())];
  }
  return lines;
}

TEST(Differential, RandomPages) {
  std::uint32_t seed = 2024;
  for (int i = 0; i < 5000; ++i) {
    const auto lines = RandomLines(seed);
    SCOPED_TRACE(i);
    ExpectSameAsReference(lines);
    if (HasFatalFailure()) return;
  }
}

TEST(Differential, LongLinesAcrossThePumpStretches) {
  // Lines of several hundred kilobytes: the scan is cut every 64 KiB for the
  // pump, and nodes straddle those cuts.
  std::uint32_t seed = 77;
  std::vector<std::string> lines;
  for (int i = 0; i < 3; ++i) {
    std::string line;
    while (line.size() < 300000) {
      for (const std::string& piece : RandomLines(seed)) line += piece;
    }
    lines.push_back(std::move(line));
  }
  ExpectSameAsReference(lines);
}

}  // namespace
}  // namespace kivo
