// History lookups: 10,000 IsInHistory calls against 100,000 entries (the
// history of a busy 90 days plus a run), half of them links that are there.
// Target: well under 10 ms for the 10,000. Also loading, pruning and saving a
// history of that size, and a plain scan for comparison.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "harvest/history.h"
#include "platform/datetime.h"

namespace kivo {
namespace {

constexpr char kPrefix[] = "http://127.0.0.1:8080/bec/SA/Detail?refShinCode=01";

std::string Link(std::uint64_t code) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%010llu", static_cast<unsigned long long>(code));
  return kPrefix + std::string(buffer);
}

// `n` entries spread over the last 90 days, codes drawn at random.
std::vector<std::string> MakeEntries(int n, std::vector<std::uint64_t>& codes) {
  std::mt19937_64 random(90);
  std::vector<std::string> entries;
  entries.reserve(static_cast<std::size_t>(n));
  const double today = EncodeDateTime({{2026, 12, 7}, 10, 0, 0, 0});
  for (int i = 0; i < n; ++i) {
    const std::uint64_t code = random() % 10000000000ULL;
    codes.push_back(code);
    entries.push_back(MakeHistoryEntry(today - (n - i) * 89.0 / n, Link(code)));
  }
  return entries;
}

// 10,000 links: every other one taken from the history, the rest near misses
// (same prefix, one digit different).
std::vector<std::string> MakeQueries(const std::vector<std::uint64_t>& codes) {
  std::mt19937_64 random(7);
  std::vector<std::string> links;
  for (int i = 0; i < 10000; ++i) {
    const std::uint64_t code = codes[random() % codes.size()];
    links.push_back(Link(i % 2 == 0 ? code : code ^ 1));
  }
  return links;
}

void BM_IsInHistory10000Lookups(benchmark::State& state) {
  std::vector<std::uint64_t> codes;
  THistory history;
  for (auto& e : MakeEntries(static_cast<int>(state.range(0)), codes)) history.Add(std::move(e));
  const std::vector<std::string> links = MakeQueries(codes);
  int found = 0;
  for (auto _ : state) {
    found = 0;
    for (const auto& link : links) found += history.IsInHistory(link) ? 1 : 0;
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = found;
  state.counters["lookups"] = static_cast<double>(links.size());
}
BENCHMARK(BM_IsInHistory10000Lookups)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What a scan from the first entry costs, for 100 lookups only.
void BM_PlainScan100Lookups(benchmark::State& state) {
  std::vector<std::uint64_t> codes;
  const std::vector<std::string> entries = MakeEntries(static_cast<int>(state.range(0)), codes);
  std::vector<std::string> links = MakeQueries(codes);
  links.resize(100);
  for (auto _ : state) {
    int found = 0;
    for (const auto& link : links) {
      for (const auto& e : entries) {
        if (e.size() > 8 && e.compare(8, std::string::npos, link) == 0) {
          ++found;
          break;
        }
      }
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_PlainScan100Lookups)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadHistoryFile(benchmark::State& state) {
  std::vector<std::uint64_t> codes;
  const std::vector<std::string> entries = MakeEntries(static_cast<int>(state.range(0)), codes);
  const std::string path =
      (std::filesystem::temp_directory_path() / "kivo-bench-history.txt").string();
  SaveHistoryFile(path, entries);
  for (auto _ : state) {
    THistory history;
    history.LoadFromFile(path);
    benchmark::DoNotOptimize(history.Count());
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_LoadHistoryFile)->Arg(100000)->Unit(benchmark::kMillisecond);

// The end of a run: prune to 90 days and save (with its flush to disk).
void BM_PruneAndSave(benchmark::State& state) {
  std::vector<std::uint64_t> codes;
  const std::vector<std::string> entries = MakeEntries(static_cast<int>(state.range(0)), codes);
  const std::string path =
      (std::filesystem::temp_directory_path() / "kivo-bench-history.txt").string();
  const double now = EncodeDateTime({{2026, 12, 7}, 10, 0, 0, 0});
  for (auto _ : state) SaveHistoryFile(path, PruneHistory(entries, now, 90));
  std::filesystem::remove(path);
}
BENCHMARK(BM_PruneAndSave)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
