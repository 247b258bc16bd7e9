// libFuzzer target for the listing page analysis: the input is written as
// the listing file and THarvest::AnalyzeListing walks it, with a fake view
// and a fake run host whose shop answers every detail link with a tiny page.
// Besides the sanitizers' findings it checks what must hold after every
// analysis: the detail file is gone, each detail link is fetched at most once
// and recorded once in the history, and the run values keep their ranges.
//
//   fuzz_listing -dict=fuzz/fuzz_listing.dict -max_len=65536 [corpus]
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "harvest/fetch_page.h"
#include "harvest/harvest.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "settings/settings.h"
#include "support/fake_harvest_view.h"
#include "support/fake_run_host.h"

namespace {

namespace fs = std::filesystem;

constexpr char kBase[] = "http://s";
constexpr char kDetailPrefix[] = "http://s/bec/SA/Detail?refShinCode=";

struct Folders {
  Folders() {
    root = fs::temp_directory_path() / ("kivo-fuzz-listing-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "host" / "plugin");
    fs::create_directories(root / "tmp");
    setenv("TMPDIR", (root / "tmp").c_str(), 1);
    std::ofstream(root / "host" / "Quillcast.ini", std::ios::binary)
        << "[kivo]\r\nBaseURL=" << kBase << "\r\n";
    temp = kivo::GetTempDir();
    std::atexit([] { fs::remove_all(Get().root); });
  }
  static Folders& Get() {
    static Folders folders;
    return folders;
  }
  fs::path root;
  std::string temp;
};

// The address and output file of "powershell wget '<address>' -O '<file>'".
bool ParseCommand(const std::string& line, std::string& address, std::string& path) {
  const std::string head = "powershell wget '";
  const std::string middle = "' -O '";
  const std::size_t cut = line.find(middle);
  if (line.rfind(head, 0) != 0 || cut == std::string::npos) return false;
  address.clear();
  for (char c : line.substr(head.size(), cut - head.size())) {
    if (c != '"') address += c;
  }
  path.clear();
  const std::string quoted =
      line.substr(cut + middle.size(), line.size() - cut - middle.size() - 1);
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    path += quoted[i];
    if (quoted[i] == '\'' && i + 1 < quoted.size() && quoted[i + 1] == '\'') ++i;
  }
  return true;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Folders& folders = Folders::Get();
  const std::string listing = folders.temp + kivo::kListingFileName;
  const std::string detail = folders.temp + kivo::kDetailFileName;
  {
    std::ofstream out(listing, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  kivo::testing::FakeRunHost host;
  kivo::TLogFile log(host);
  kivo::testing::FakeHarvestView view(log);
  host.process_ms = 0;
  std::set<std::string> commands;
  bool bad_fetch = false;
  host.serve = [&](const std::string& line) {
    std::string address, path;
    if (!ParseCommand(line, address, path) || path != detail) {
      bad_fetch = true;
      return;
    }
    bad_fetch |= !commands.insert(line).second;  // the same link twice
    std::ofstream(path, std::ios::binary) << "<p class=\"itemTitle\">y</p>";
  };
  kivo::TRunState state;
  state.FHostDir = (folders.root / "host").string();
  kivo::THarvest form(state, view, log, host, (folders.root / "host" / "plugin" / "kivo").string());
  form.Run.ListingDay = {2026, 12, 7};
  form.Run.CategoryCode = 0;

  form.AnalyzeListing();

  Check(!bad_fetch);
  Check(!kivo::platform::FileExists(detail));
  // Every link is recorded once, and fetched once unless it cannot be passed
  // to the download command.
  std::set<std::string> recorded;
  std::size_t passed = 0;
  for (const std::string& entry : state.FHistory.Entries()) {
    Check(entry.compare(0, 8, "20261207") == 0);
    const std::string link = entry.substr(8);
    Check(link.find(kDetailPrefix) != std::string::npos);
    Check(recorded.insert(link).second);
    const std::string line = kivo::protocol::BuildFetchCommandLine(link, detail);
    if (!line.empty()) {
      Check(commands.count(line) == 1);
      ++passed;
    }
  }
  Check(passed == commands.size());
  Check(form.Run.CategoryCode >= 0 && form.Run.CategoryCode <= 2);
  return 0;
}
