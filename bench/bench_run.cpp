// A whole harvest on the fake platform: HarvestRun over three days of two
// listing pages each, every title's detail page and cover, served from
// memory by a FakeRunHost whose clock advances only when the run sleeps. The
// fake clock's total is what the run must wait (fetch spacing, settling, the
// command poll, the second after each listing page, the 200 ms after each
// detail page); the wall time is what the program itself costs on top.
// Target: the cost beyond the waits stays under 3% of them.
//
// Counters: waits_s (fake clock), own_ms (wall time less the time the fake
// shop spends writing its answers, which stands for the download command),
// overhead_pct = own / waits.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "harvest/harvest_texts.h"
#include "platform/datetime.h"
#include "shell/window_logic.h"
#include "support/fake_run_host.h"
#include "support/fake_view.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kBase[] = "http://shop.bench";
constexpr int kBeforeDays = 2;
constexpr int kTitlesPerPage = 5;
constexpr CivilDateTime kStart{{2026, 12, 7}, 10, 0, 0, 0};

std::string Yyyymmdd(const CivilDate& d) { return FormatYYYYMMDD(d); }

std::string DetailLink(const std::string& code) {
  return std::string(kBase) + "/bec/SA/Detail?refShinCode=" + code;
}

std::string ListingUrl(const CivilDate& day, int page) {
  return std::string(kBase) + "/bec/SE/Genre?dcode=01&ccode=01&taishongpi=" + Yyyymmdd(day) +
         "&Genre_id=010100&listcnt=" + std::to_string(page);
}

// Rows of other content (navigation, ranking, banners) until `size` bytes.
void Pad(std::string& page, std::size_t size) {
  static const std::string row =
      "    <tr class=\"rank\"><td class=\"no\">1</td><td><a href=\"http://shop.bench/bec/SE/"
      "Rank?c=01&amp;p=2\">\x94\x84\x82\xea\x8b\xd8\x83\x89\x83\x93\x83L\x83\x93\x83O</a>"
      "&nbsp;<span class=\"note\">\x8f\xda\x82\xb5\x82\xad\x82\xcd\x82\xb1\x82\xbf\x82\xe7</span>"
      "</td></tr>\r\n";  // 売れ筋ランキング, 詳しくはこちら
  while (page.size() < size) page += row;
}

std::string ListingPage(const CivilDate& day, int page, std::size_t size) {
  std::string html = "<html><head><title>kivo</title></head><body><table>\r\n";
  Pad(html, size / 2);
  html += "<tr><td class=\"listDate\"><b>" + std::to_string(day.month) + texts::kMonth +
          std::to_string(day.day) + texts::kDay + " " + texts::kTodaysNewBooks +
          "</b></td></tr>\r\n";
  html += std::string("<tr><td class=\"genre\">") + texts::kTriangleDown +
          (page == 1 ? texts::kCategoryPaperback : texts::kCategoryComic) + "</td></tr>\r\n";
  for (int i = 0; i < kTitlesPerPage; ++i) {
    const std::string link = DetailLink(Yyyymmdd(day) + std::to_string(page) + std::to_string(i));
    html += "<tr><td class=\"photo\"><a href=\"" + link + "\"><img src=\"" + kBase +
            "/img/s.jpg\"></a></td><td class=\"title\"><a href=\"" + link +
            "\">\x8f\x74\x82\xcc\x95\xa8\x8c\xea</a><br><span>\x8e\x52\x93\x63\x91\xbe\x98\x59"
            "</span></td><td class=\"price\">1,540\x89~</td></tr>\r\n";
  }
  if (page == 1) {
    html += std::string("<tr><td><a href=\"") + kBase + "/next\">" + texts::kNextPage +
            " &gt;&gt;</a></td></tr>\r\n";
  }
  html += "</table>\r\n<p><a href=\"/cal\">" + std::string(texts::kByDateLink) + "</a></p>\r\n";
  Pad(html, size);
  return html + "</body></html>\r\n";
}

std::string DetailPage(const std::string& code, std::size_t size) {
  auto row = [](const std::string& label, const std::string& value) {
    return "<tr><th>" + label + "</th><td>" + value + "</td></tr>\r\n";
  };
  std::string html = "<html><head><title>kivo</title></head><body>\r\n";
  Pad(html, size / 2);
  html += "<div class=\"mainItemLayout\"><img src=\"" + std::string(kBase) + "/img/" + code +
          ".jpg\">\r\n<p class=\"itemTitle\">\x8f\x74\x82\xcc\x95\xa8\x8c\xea " + code +
          "</p>\r\n<ul class=\"authorsName\"><li>\x8e\x52\x93\x63\x91\xbe\x98\x59</li></ul>\r\n"
          "<div class=\"mainItemTable\"><table>\r\n" +
          row(texts::kLabelPublisher, "\x90\xc2\x97\x74\x8f\x91\x96\x5b") +
          row(texts::kLabelIsbn, "978-4-91-" + code.substr(code.size() - 6) + "-0") +
          row(texts::kLabelPrice, std::string("1,540") + texts::kYen) +
          row(texts::kLabelPages, "256P 15cm") + "</table></div></div>\r\n";
  Pad(html, size);
  return html + "</body></html>\r\n";
}

// The address and output file of a served command line.
void ParseCommand(const std::string& line, std::string& address, std::string& path) {
  const std::string head = "powershell wget '";
  const std::string middle = "' -O '";
  const std::size_t cut = line.find(middle);
  address.clear();
  path.clear();
  if (line.rfind(head, 0) != 0 || cut == std::string::npos) return;
  for (char c : line.substr(head.size(), cut - head.size())) {
    if (c != '"') address += c;
  }
  path = line.substr(cut + middle.size(), line.size() - cut - middle.size() - 1);
}

class BenchShop {
 public:
  explicit BenchShop(std::size_t page_size) {
    const int today = EncodeDate(kStart.date);
    for (int back = 0; back <= kBeforeDays; ++back) {
      const CivilDate day = DecodeDate(today - back);
      for (int page = 1; page <= 2; ++page) {
        pages_[ListingUrl(day, page)] = ListingPage(day, page, page_size);
        for (int i = 0; i < kTitlesPerPage; ++i) {
          const std::string code = Yyyymmdd(day) + std::to_string(page) + std::to_string(i);
          pages_[DetailLink(code)] = DetailPage(code, page_size);
          pages_[std::string(kBase) + "/img/" + code + ".jpg"] = std::string(450, '\xff');
        }
      }
    }
  }
  // Writes the answer as the download command would; returns the seconds
  // spent, which are the command's and not the program's.
  double Serve(const std::string& command_line) {
    const auto start = Clock::now();
    std::string address, path;
    ParseCommand(command_line, address, path);
    const auto it = pages_.find(address);
    if (it != pages_.end() && !path.empty()) {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << it->second;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
  }

 private:
  std::map<std::string, std::string> pages_;
};

void BM_HarvestRunBeyondTheWaits(benchmark::State& state) {
  const std::size_t page_size = static_cast<std::size_t>(state.range(0)) * 1024;
  BenchShop shop(page_size);
  // Each run points TMPDIR into its own folder; the folder itself goes
  // where the system's temporary files go.
  static const fs::path temp = fs::temp_directory_path();
  const fs::path root = temp / ("kivo-bench-run-" + std::to_string(getpid()));
  double waits_s = 0;
  double own_s = 0;
  std::size_t commands = 0;
  for (auto _ : state) {
    fs::remove_all(root);
    fs::create_directories(root / "host" / "plugin");
    fs::create_directories(root / "tmp");
    setenv("TMPDIR", (root / "tmp").c_str(), 1);
    std::ofstream(root / "host" / "Quillcast.ini", std::ios::binary)
        << "[kivo]\r\nDLBeforeDays=" << kBeforeDays << "\r\nBaseURL=" << kBase << "\r\n";

    testing::FakeView view;
    testing::FakeRunHost host(kStart);
    host.process_ms = 0;  // the command's own time is not a wait the program makes
    double serve_s = 0;
    host.serve = [&](const std::string& line) { serve_s += shop.Serve(line); };
    TFormDLL form(view, host, {}, (root / "host" / "plugin" / "kivo").string());
    view.Attach(form);
    form.FormCreate();

    // The first activation switches the log on and runs the harvest.
    const auto start = Clock::now();
    form.FormActivate();
    const double wall_s = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(wall_s - serve_s);
    own_s += wall_s - serve_s;
    waits_s += static_cast<double>(host.slept_ms) / 1000.0;
    commands += host.commands.size();
  }
  fs::remove_all(root);
  setenv("TMPDIR", temp.c_str(), 1);
  const double n = static_cast<double>(state.iterations());
  state.counters["fetches"] = static_cast<double>(commands) / n;
  state.counters["waits_s"] = waits_s / n;
  state.counters["own_ms"] = own_s / n * 1000.0;
  state.counters["overhead_pct"] = own_s / waits_s * 100.0;
}
BENCHMARK(BM_HarvestRunBeyondTheWaits)
    ->Arg(16)
    ->Arg(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kivo

BENCHMARK_MAIN();
