// Fuzzes the detail page analysis end to end: the input is written as the
// detail file and THarvest::AnalyzeDetail runs on it with a fake view and a
// fake run host (no process is started, the clock is fake). Beyond crashes
// and sanitizer reports it checks what the host relies on: at most one
// catalogue line, ending in the only CR LF; field 1 empty or 13 bytes;
// the cover file directly inside the temporary folder; one line in the
// window's list.
//
// The page is read through its encoding first, so the same input also
// checks that reading: a page found to be Shift-JIS is left byte for byte,
// any other comes out as Shift-JIS throughout, and the test for UTF-8 by
// the bytes agrees with iconv's UTF-8 decoder. fuzz_detail.dict holds the
// declarations.
#include <errno.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "harvest/harvest.h"
#include "harvest/page_encoding.h"
#include "harvest/page_text.h"
#include "platform/encoding_rules.h"
#include "settings/settings.h"
#include "support/fake_harvest_view.h"
#include "support/fake_run_host.h"

namespace {

namespace fs = std::filesystem;

struct Folders {
  std::string host;
  std::string temp;  // ends in a separator
};

const Folders& Setup() {
  static const Folders folders = [] {
    // tmpfs when there is one: every call appends to the catalogue with a
    // flush to disk.
    fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path root = base / ("kivo-fuzz-detail-" + std::to_string(getpid()));
    fs::create_directories(root / "host");
    fs::create_directories(root / "tmp");
    Folders f{(root / "host").string(), (root / "tmp").string() + "/"};
    setenv("TMPDIR", f.temp.c_str(), 1);
    return f;
  }();
  return folders;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Check(bool ok, const char* what, const std::string& detail) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_detail: %s\n%s\n", what, detail.c_str());
  std::abort();
}

// iconv's word on whether `bytes` is UTF-8 throughout.
bool IconvReadsUtf8(const std::string& bytes) {
  static const iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  while (in_left > 0) {
    char buffer[4096];
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1) &&
        errno != E2BIG) {
      return false;
    }
  }
  return true;
}

void CheckPageReading(const std::string& page) {
  const kivo::TPageEncoding found = kivo::DetectPageEncoding(page);
  const std::string text = kivo::PageTextInShiftJis(page);
  if (found.encoding == kivo::platform::TEncoding::kShiftJis) {
    Check(text == page, "a Shift-JIS page was changed", page);
  } else {
    std::string mended = text;
    kivo::platform::encoding_internal::KeepShiftJis(mended);
    Check(mended == text, "a converted page is not Shift-JIS throughout", page);
  }
  // Without "<" there is no declaration, so the bytes alone decide.
  std::string bare;
  for (char c : page) {
    if (c != '<') bare += c;
  }
  if (bare.rfind("\xef\xbb\xbf", 0) == 0) return;
  const bool non_ascii =
      std::any_of(bare.begin(), bare.end(), [](char c) { return (c & 0x80) != 0; });
  const bool utf8 = kivo::DetectPageEncoding(bare).encoding == kivo::platform::TEncoding::kUtf8;
  Check(utf8 == (non_ascii && IconvReadsUtf8(bare)), "UTF-8 by the bytes disagrees with iconv",
        bare);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Folders& folders = Setup();
  const std::string catalogue = folders.host + "/" + kivo::kCatalogueFileName;
  const std::string detail = folders.temp + kivo::kDetailFileName;
  std::remove(catalogue.c_str());
  CheckPageReading(std::string(reinterpret_cast<const char*>(data), size));
  {
    std::ofstream out(detail, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  kivo::testing::FakeRunHost host;
  kivo::TLogFile log(host);
  kivo::testing::FakeHarvestView view(log);
  kivo::TRunState state;
  state.FHostDir = folders.host;
  kivo::THarvest form(state, view, log, host, "/opt/host/plugin/kivo");
  form.Run.ListingDay = {2026, 12, 7};
  form.Run.CategoryCode = 2;
  form.Run.CategoryText = "c";
  form.AnalyzeDetail("/bec/SE/Detail?isbn=x");

  Check(view.memo.size() == 1, "not exactly one line in the list", "");
  const std::string line = ReadAll(catalogue);
  if (line.empty()) return 0;
  Check(line.size() >= 2 && line.find_first_of("\r\n") == line.size() - 2 &&
            line.compare(line.size() - 2, 2, "\r\n") == 0,
        "the catalogue does not hold one CR LF line", line);
  // Field 1 is empty or 13 bytes; they are written unchanged, quotes and all.
  Check(line.compare(0, 3, "\"\",") == 0 ||
            (line.size() > 16 && line[0] == '"' && line.compare(14, 3, "\",\"") == 0),
        "field 1 is not 0 or 13 bytes", line);
  // Field 17 is the last quoted value: the temporary folder and one name.
  const std::size_t cover_start = line.rfind(",\"" + folders.temp);
  Check(cover_start != std::string::npos, "the cover file is not in the temporary folder", line);
  const std::string name = line.substr(cover_start + 2 + folders.temp.size(),
                                       line.size() - 3 - (cover_start + 2 + folders.temp.size()));
  // A leading dot is a title's own (".hack"); dots and blanks alone would
  // name the folder or its parent.
  Check(name.find_first_not_of(". ") != std::string::npos && name.find('/') == std::string::npos,
        "the cover file name leaves the temporary folder", line);
  return 0;
}
