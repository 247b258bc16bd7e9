// One detail page of about 100 KB: tokenize it, walk it, clean the values and
// compose the catalogue line. The target is under 1 ms per page, so that the
// analysis is nothing beside the page's download.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "harvest/catalogue.h"
#include "harvest/detail_page.h"
#include "harvest/harvest_texts.h"
#include "html/html_parser.h"

namespace kivo {
namespace {

// A page shaped like the shop's: a long head of navigation, scripts and
// recommendation lists, the item area, then more lists and a footer. Lines
// end where the shop's do, so the tokenizer sees the usual line count.
std::vector<std::string> DetailPageLines(std::size_t target_bytes) {
  std::vector<std::string> lines = {
      "<!DOCTYPE html>",
      "<html lang=\"ja\"><head><meta charset=\"Shift_JIS\">",
      "<title>\x8c\xe1\x94y\x82\xcd\x94L\x82\xc5\x82\xa0\x82\xe9 - kivo</title>",
      "<script type=\"text/javascript\">var a = 1 < 2 && 3 > 2; /* <p class=x> */</script>",
      "</head><body>",
  };
  std::size_t size = 0;
  for (const auto& l : lines) size += l.size() + 2;
  auto add = [&](std::string line) {
    size += line.size() + 2;
    lines.push_back(std::move(line));
  };
  // Recommendation lists before the item (about half the page).
  for (int i = 0; size < target_bytes / 2; ++i) {
    add("<li class=\"recommend\"><a href=\"/bec/SE/Detail?isbn=97841010" +
        std::to_string(10000 + i) + "&amp;dispNo=1\"><img src=\"https://img.example/c/S/" +
        std::to_string(i) + ".jpg\" width=\"60\" alt=\"\"></a>");
    add("<p class=\"recTitle\">\x90V\x8a\xa7 &amp; \x95\xb6\x8c\xc9 No." + std::to_string(i) +
        "</p></li>");
  }
  const std::string row_end = "</td></tr>";
  add("<div class=\"mainItemLayout\">");
  add("<p class=\"itemTitle\">\x8c\xe1\x94y\x82\xcd\x94L\x82\xc5\x82\xa0\x82\xe9\x81i\x8f\xe3\x81j"
      "</p>");
  add("<ul class=\"authorsName\"><li><a href=\"/a/1\">\x89\xc4\x96\xda\x9f\xf9\x90\xce</a></li>"
      "</ul>");
  add("<p class=\"itemDetail\">\x90V\x92\xaa\x95\xb6\x8c\xc9</p>");
  add("<img src=\"https://img.example/c/L/9784101010014.jpg\" alt=\"cover\">");
  add("<div class=\"mainItemTable\"><table>");
  add(std::string("<tr><th>") + texts::kLabelPublishMonth + "</th><td>2026\x94N12\x8c\x8e" +
      row_end);
  add(std::string("<tr><th>") + texts::kLabelPublisher + "</th><td>\x90V\x92\xaa\x8e\xd0" +
      row_end);
  add(std::string("<tr><th>") + texts::kLabelIsbn + "</th><td>978-4-10-101001-4" + row_end);
  add(std::string("<tr><th>") + texts::kLabelPrice + "</th><td>1,980" + texts::kYen + row_end);
  add(std::string("<tr><th>") + texts::kLabelPages +
      "</th><td>\x82Q\x82T\x82U\x82o\x81@\x82P\x82X\x82\x83\x82\x8d" + row_end);
  add("</table></div></div>");
  // The rest: more lists and the footer.
  for (int i = 0; size < target_bytes; ++i) {
    add("<tr><td class=\"rank\">" + std::to_string(i) +
        "</td><td><a href=\"/bec/SE/Genre?dcode=01&amp;ccode=01\">\x83R\x83~\x83\x62\x83N</a>"
        "&nbsp;&#x30B3;&#12371;</td></tr>");
  }
  add("</body></html>");
  return lines;
}

std::size_t Bytes(const std::vector<std::string>& lines) {
  std::size_t n = 0;
  for (const auto& l : lines) n += l.size() + 2;
  return n;
}

void BM_DetailPageToLine(benchmark::State& state) {
  const std::vector<std::string> lines = DetailPageLines(static_cast<std::size_t>(state.range(0)));
  std::size_t line_bytes = 0;
  for (auto _ : state) {
    THTMLParser parser;
    parser.Lines = lines;
    parser.Parse();
    TDetailWalk walk;
    for (std::size_t i = 0; i < parser.Nodes.size(); ++i) walk.Node(*parser.Nodes[i]);
    DetailValues& v = walk.Values;
    FinishDetailValues(v);
    const std::string line = ComposeCatalogueLine(
        MakeCatalogueRecord(v, 1, "", {2026, 12, 7}, "/bec/SE/Detail?isbn=9784101010014", "/tmp/"));
    line_bytes = line.size();
    benchmark::DoNotOptimize(line);
  }
  // A page that lost its item would make the timing meaningless.
  if (line_bytes < 100) state.SkipWithError("the item was not found");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(Bytes(lines)));
  state.counters["page_bytes"] = static_cast<double>(Bytes(lines));
}
BENCHMARK(BM_DetailPageToLine)->Arg(100 * 1024)->Unit(benchmark::kMicrosecond);

// The tokenizer's share of the above, to tell the two apart.
void BM_DetailPageTokenizeOnly(benchmark::State& state) {
  const std::vector<std::string> lines = DetailPageLines(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    THTMLParser parser;
    parser.Lines = lines;
    parser.Parse();
    benchmark::DoNotOptimize(parser.Nodes.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(Bytes(lines)));
}
BENCHMARK(BM_DetailPageTokenizeOnly)->Arg(100 * 1024)->Unit(benchmark::kMicrosecond);

// The walk and the cleaning alone, on a page tokenized once.
void BM_DetailPageWalkOnly(benchmark::State& state) {
  THTMLParser parser;
  parser.Lines = DetailPageLines(static_cast<std::size_t>(state.range(0)));
  parser.Parse();
  for (auto _ : state) {
    TDetailWalk walk;
    for (std::size_t i = 0; i < parser.Nodes.size(); ++i) walk.Node(*parser.Nodes[i]);
    FinishDetailValues(walk.Values);
    benchmark::DoNotOptimize(walk.Values.Title);
  }
  state.counters["nodes"] = static_cast<double>(parser.Nodes.size());
}
BENCHMARK(BM_DetailPageWalkOnly)->Arg(100 * 1024)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
