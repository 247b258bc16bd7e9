// Tokenizer throughput: Parse from the loaded lines to the finished node list,
// on a generated listing page of about 200 KB and one of about 5 MB, with a
// plain memchr scan for "<" and ">" over the same lines as the yardstick.
//
//   bench_tokenizer                        the benchmarks
//   bench_tokenizer --parse-once BYTES     build a page of BYTES bytes, split
//       it into lines, drop the page, parse once and walk every node: a
//       process whose peak memory is the tokenizer's real cost (measure it
//       with /usr/bin/time -v).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "html/html_parser.h"
#include "listing_page.h"

namespace {

struct TPage {
  std::vector<std::string> lines;
  std::size_t bytes = 0;  // the bytes Parse reads: the lines without terminators
};

TPage& Page(std::size_t size) {
  static TPage small, large;
  TPage& page = size < 1000000 ? small : large;
  if (page.lines.empty()) {
    page.lines = kivo::bench::SplitPageLines(kivo::bench::MakeListingPage(size));
    for (const std::string& line : page.lines) page.bytes += line.size();
  }
  return page;
}

void BM_Parse(benchmark::State& state) {
  TPage& page = Page(static_cast<std::size_t>(state.range(0)));
  std::size_t nodes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto parser = std::make_unique<kivo::THTMLParser>();
    parser->Lines.swap(page.lines);  // lend the lines without copying them
    state.ResumeTiming();
    parser->Parse();
    benchmark::DoNotOptimize(parser->Nodes.size());
    state.PauseTiming();
    nodes = parser->Nodes.size();
    parser->Lines.swap(page.lines);
    parser.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.bytes));
  state.counters["nodes"] = static_cast<double>(nodes);
  state.counters["page_bytes"] = static_cast<double>(page.bytes);
}

// The least any tokenizer must do: find every "<" and the ">" after it.
void BM_MemchrScan(benchmark::State& state) {
  TPage& page = Page(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::size_t found = 0;
    for (const std::string& line : page.lines) {
      const char* p = line.data();
      const char* const end = p + line.size();
      char want = '<';
      while (p < end) {
        const void* hit = std::memchr(p, want, static_cast<std::size_t>(end - p));
        if (hit == nullptr) break;
        ++found;
        p = static_cast<const char*>(hit) + 1;
        want = want == '<' ? '>' : '<';
      }
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.bytes));
}

constexpr std::int64_t kSmall = 200 * 1000;
constexpr std::int64_t kLarge = 5 * 1000 * 1000;

BENCHMARK(BM_Parse)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemchrScan)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMicrosecond);

long ResidentKiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

int ParseOnce(std::size_t size) {
  kivo::THTMLParser parser;
  {
    const std::string page = kivo::bench::MakeListingPage(size);
    parser.Lines = kivo::bench::SplitPageLines(page);
  }
  std::size_t bytes = 0;
  for (const std::string& line : parser.Lines) bytes += line.size();
  const long before = ResidentKiB();
  parser.Parse();
  const long after = ResidentKiB();
  std::size_t tags = 0, params = 0, text_bytes = 0;
  for (std::size_t i = 0; i < parser.Nodes.size(); ++i) {
    if (const kivo::THTMLTag* tag = parser.Nodes[i]->AsTag()) {
      ++tags;
      params += tag->Params.size();
    } else if (const kivo::THTMLText* text = parser.Nodes[i]->AsText()) {
      text_bytes += text->Text.size();
    }
  }
  std::printf("lines %zu, bytes %zu, nodes %zu, tags %zu, attributes %zu, text bytes %zu\n",
              parser.Lines.size(), bytes, parser.Nodes.size(), tags, params, text_bytes);
  std::printf("resident KiB: %ld with the lines loaded, %ld after Parse\n", before, after);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--parse-once") {
    return ParseOnce(static_cast<std::size_t>(std::strtoull(argv[2], nullptr, 10)));
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
