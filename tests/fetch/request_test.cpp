// The helper's reading of its command line: the page fetcher's lines come
// back as written, anything else is refused before the network is touched,
// and tests shorten the time limits through the environment.
#include "request.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "protocol/command_line.h"

namespace kivo::fetch {
namespace {

constexpr char kPage[] = "http://127.0.0.1:8080/page";
constexpr char kTarget[] = "/tmp/kivo/Getkivo.html";
constexpr char kVictim[] = "/tmp/kivo/victim";

// The words the helper is given for `line`: split by the Windows rules, as
// the plugin's process layer (or Windows) does, without the program name.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words = platform::SplitCommandLine(line);
  if (!words.empty()) words.erase(words.begin());
  return words;
}

struct Read {
  bool ok = false;
  FetchRequest request;
  std::string error;
  std::vector<std::string> warnings;
};

Read ReadLine(const std::string& line, const std::map<std::string, std::string>& variables = {}) {
  Read read;
  const auto environment = [&variables](const char* name) -> const char* {
    const auto it = variables.find(name);
    return it == variables.end() ? nullptr : it->second.c_str();
  };
  read.ok = ReadRequest(Words(line), environment, read.request, read.error, read.warnings);
  return read;
}

TEST(ReadRequest, ReadsThePageFetchersLinesBack) {
  const struct {
    std::string address;
    std::string path;
    std::string fetched;  // the address as it is asked of the server
  } cases[] = {
      {"https://www.kivo.co.jp/bec/SE/Genre?dcode=01&ccode=01&taishongpi=20261207"
       "&Genre_id=010100&listcnt=1",
       "C:\\Temp\\Getkivo.html",
       "https://www.kivo.co.jp/bec/SE/Genre?dcode=01&ccode=01&taishongpi=20261207"
       "&Genre_id=010100&listcnt=1"},
      {kPage, "/tmp/it's  two\x83\x5c.html", kPage},
      // Quotes a page put in an address stay in the address: the one named
      // file is the only output.
      {std::string(kPage) + "?q='x' -O '" + kVictim + "'", kTarget,
       std::string(kPage) + "?q=%27x%27%20-O%20%27" + kVictim + "%27"},
  };
  for (const auto& c : cases) {
    const Read read = ReadLine(protocol::BuildFetchCommandLine(c.address, c.path));
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.request.address, c.fetched);
    EXPECT_EQ(read.request.output_path, c.path);
  }
}

TEST(ReadRequest, RefusesEveryOtherLine) {
  const std::string page = kPage;
  const std::string target = kTarget;
  const std::string victim = kVictim;
  const std::string lines[] = {
      // A quote in the address that ends the quoted text early smuggles a
      // second output file or a second command in.
      "powershell wget '" + page + "?q='x' -O '" + victim + "'' -O '" + target + "'",
      "powershell wget '" + page + "'; Set-Content '" + victim + "' x; '' -O '" + target + "'",
      "powershell wget '" + page + "' -O '" + target + "'; wget '" + page + "' -O '" + victim + "'",
      "powershell wget '" + page + "' -O '" + target + "' | tee " + victim,
      "powershell wget '" + page + "' -O $(" + victim + ")",
      "powershell wget '" + page + "' -O '" + target + "' '" + victim + "'",
      "powershell wget '" + page + "'",
      "powershell wget '" + page + "' -O '" + target,
      "powershell Remove-Item '" + target + "'",
      "powershell wget 'file:///etc/passwd' -O '" + target + "'",
      "powershell wget 'ftp://127.0.0.1/page' -O '" + target + "'",
      "powershell",
  };
  for (const std::string& line : lines) {
    const Read read = ReadLine(line);
    EXPECT_FALSE(read.ok) << line;
    EXPECT_FALSE(read.error.empty()) << line;
  }
}

TEST(ReadRequest, TakesShorterTimeLimitsFromTheEnvironment) {
  const std::string line = protocol::BuildFetchCommandLine(kPage, kTarget);
  const Read defaults = ReadLine(line);
  EXPECT_EQ(defaults.request.options.connect_timeout_ms, 15000);
  EXPECT_EQ(defaults.request.options.total_timeout_ms, 60000);
  EXPECT_EQ(defaults.request.options.low_speed_window_ms, 15000);
  EXPECT_EQ(defaults.request.options.low_speed_bytes, 1024);
  EXPECT_EQ(defaults.request.options.max_redirects, 10);
  EXPECT_TRUE(defaults.warnings.empty());

  const Read shorter = ReadLine(line, {{kConnectTimeoutVariable, "1"},
                                       {kTimeoutVariable, "2.5"},
                                       {kLowSpeedTimeVariable, "0.0001"}});
  EXPECT_EQ(shorter.request.options.connect_timeout_ms, 1000);
  EXPECT_EQ(shorter.request.options.total_timeout_ms, 2500);
  EXPECT_EQ(shorter.request.options.low_speed_window_ms, 1);
  EXPECT_TRUE(shorter.warnings.empty());

  // What is no number of seconds, or none worth waiting, is ignored and said.
  for (const char* value : {"soon", "0", "-3", "90000", "2s", "nan"}) {
    const Read ignored = ReadLine(line, {{kTimeoutVariable, value}});
    EXPECT_EQ(ignored.request.options.total_timeout_ms, 60000) << value;
    EXPECT_EQ(ignored.warnings.size(), 1u) << value;
  }
}

}  // namespace
}  // namespace kivo::fetch
