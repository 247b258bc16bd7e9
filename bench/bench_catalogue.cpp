// What the start of a run costs to read the whole catalogue for the links
// of the titles already written: a 20 MB QuillsMas.csv of the shop's lines
// and, between them, another plugin's. Target: well under a second, against
// the run's hour of mandated waits.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_set>

#include "harvest/catalogue.h"
#include "platform/platform.h"

namespace kivo {
namespace {

std::string MakeCatalogue(std::size_t bytes, int& lines) {
  CatalogueRecord r;
  r.Isbn = "9784101010014";
  r.Title = "\x8c\xe1\x94y\x82\xcd\x94L\x82\xc5\x82\xa0\x82\xe9 \x91\xe6\x88\xea\x8a\xaa";
  r.Authors = "\x89\xc4\x96\xda\x9f\xf9\x90\xce";
  r.Series = "\x90V\x92\xaa\x95\xb6\x8c\xc9";
  r.Publisher = "\x90V\x92\xaa\x8e\xd0";
  r.Price = 1980;
  r.CategoryCode = 1;
  r.CategoryText = "\x95\xb6\x8c\xc9\x81\x45\x90V\x8f\x91";
  r.ReleaseDate = {2026, 12, 7};
  r.PageCount = 256;
  r.Size = "19cm";
  std::string text;
  lines = 0;
  while (text.size() < bytes) {
    char code[16];
    std::snprintf(code, sizeof code, "%010d", lines);
    r.DetailUrl = std::string("https://www.kivo.co.jp/bec/SA/Detail?refShinCode=01") + code;
    r.CoverFile = std::string("C:\\Users\\u\\AppData\\Local\\Temp\\978410") + code + ".jpg";
    text += lines % 4 == 3 ? "\"other\",\"plugin's line\",\"x\"\r\n" : ComposeCatalogueLine(r);
    ++lines;
  }
  return text;
}

void BM_ReadCatalogueLinks(benchmark::State& state) {
  int lines = 0;
  const std::string text = MakeCatalogue(static_cast<std::size_t>(state.range(0)) << 20, lines);
  const std::string path =
      (std::filesystem::temp_directory_path() / "kivo-bench-QuillsMas.csv").string();
  platform::SaveAtomically(path, text);
  std::size_t links = 0;
  for (auto _ : state) {
    std::unordered_set<std::string> found;
    ReadCatalogueLinks(path, found);
    links = found.size();
    benchmark::DoNotOptimize(links);
  }
  state.counters["lines"] = lines;
  state.counters["links"] = static_cast<double>(links);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadCatalogueLinks)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
