// An in-memory shop for harvest runs on the fake platform: a host folder and
// a temporary folder in a fresh directory, a FakeRunHost whose started
// commands the shop answers (reading each command line back the way the
// download helper does), and small Shift-JIS listing and detail pages.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "harvest/harvest_texts.h"
#include "platform/cmdline.h"
#include "platform/datetime.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "support/fake_run_host.h"
#include "support/temp_folder.h"

namespace kivo::testing {

inline constexpr char kShopBase[] = "http://shop.test";

inline std::string DetailLink(const std::string& code) {
  return std::string(kShopBase) + "/bec/SA/Detail?refShinCode=" + code;
}

inline std::string ListingUrl(const CivilDate& day, int page) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", day.year, day.month, day.day);
  return std::string(kShopBase) + "/bec/SE/Genre?dcode=01&ccode=01&taishongpi=" + buffer +
         "&Genre_id=010100&listcnt=" + std::to_string(page);
}

// The address and output file of "powershell wget '<address>' -O '<file>'",
// read back the way the download helper reads them.
struct ServedCommand {
  std::string address;
  std::string path;
};

inline ServedCommand ParseCommand(const std::string& line) {
  ServedCommand c;
  std::vector<std::string> words = platform::SplitCommandLine(line);
  if (words.empty() || words[0] != "powershell") return c;
  words.erase(words.begin());
  protocol::DownloadCommand command;
  std::string error;
  if (!protocol::ParseDownloadCommand(protocol::JoinCommandWords(words), command, error)) return c;
  c.address = command.address;
  c.path = command.output_path;
  return c;
}

// "結果: 追加 N件、取得失敗 M件、日数 D": the run's summary line.
inline std::string Summary(int added, int failed, int days) {
  return "\x8c\x8b\x89\xca: \x92\xc7\x89\xc1 " + std::to_string(added) +
         "\x8c\x8f\x81\x41\x8e\xe6\x93\xbe\x8e\xb8\x94s " + std::to_string(failed) +
         "\x8c\x8f\x81\x41\x93\xfa\x90\x94 " + std::to_string(days);
}

// A listing page, built piece by piece (Shift-JIS, CR LF).
class ListingPage {
 public:
  ListingPage& Raw(const std::string& html) {
    html_ += html;
    return *this;
  }
  ListingPage& Text(const std::string& text) { return Raw("<p>" + text + "</p>\r\n"); }
  // "12月7日 本日の新刊": opens the list.
  ListingPage& Start() {
    return Text(std::string("12") + texts::kMonth + "7" + texts::kDay + " " +
                texts::kTodaysNewBooks);
  }
  // "[日付別新刊ページ]": closes it.
  ListingPage& End() { return Text(texts::kByDateLink); }
  // "▼" + the heading's words.
  ListingPage& Heading(const std::string& words) { return Text(texts::kTriangleDown + words); }
  // A title as the shop links it: the cover and the title, both to the same
  // detail page.
  ListingPage& Title(const std::string& code) {
    const std::string link = DetailLink(code);
    return Raw("<a href=\"" + link + "\"><img src=\"" + kShopBase + "/img/" + code +
               ".jpg\"></a>\r\n<a href=\"" + link + "\">T" + code + "</a>\r\n");
  }
  ListingPage& Next() {
    return Raw(std::string("<a href=\"") + kShopBase + "/next\">" + texts::kNextPage +
               " &gt;&gt;</a>\r\n");
  }
  std::string Html() const { return "<html><body>\r\n" + html_ + "</body></html>\r\n"; }

 private:
  std::string html_;
};

// A day's list of the titles `codes`, with a next-page link when `next`.
inline ListingPage Titles(const std::vector<std::string>& codes, bool next = false) {
  ListingPage page = ListingPage().Start();
  for (const auto& code : codes) page.Title(code);
  if (next) page.Next();
  return page.End();
}

// A detail page that gives a catalogue line with the title "T" + code.
inline std::string DetailPage(const std::string& code) {
  return "<html><body><p class=\"itemTitle\">T" + code + "</p></body></html>\r\n";
}

// The shop and the folders a run uses.
class ShopFolders {
 protected:
  ShopFolders() {
    std::filesystem::create_directories(PluginFolder());
    std::filesystem::create_directories(temp_dir_);
    WriteAll(HostFile("Quillcast.ini"),
             std::string("[kivo]\r\nDLBeforeDays=0\r\nBaseURL=") + kShopBase + "\r\n");
    host_.serve = [this](const std::string& line) { Serve(line); };
  }

  // The shop's answers: address -> body. An address without one gets
  // nothing written, as after a failed download.
  void Page(const std::string& address, const std::string& body) { pages_[address] = body; }
  void Day(const CivilDate& day, const std::vector<ListingPage>& pages) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      Page(ListingUrl(day, static_cast<int>(i) + 1), pages[i].Html());
    }
  }
  void Details(const std::vector<std::string>& codes) {
    for (const auto& code : codes) Page(DetailLink(code), DetailPage(code));
  }

  // Addresses of every command started, in order.
  std::vector<std::string> Fetched() const {
    std::vector<std::string> out;
    for (const auto& c : host_.commands) out.push_back(ParseCommand(c.command_line).address);
    return out;
  }
  int FetchCount(const std::string& address) const {
    int n = 0;
    for (const auto& a : Fetched()) n += a == address ? 1 : 0;
    return n;
  }
  // The log's lines without their CR LF, leaving out the log's own start,
  // version and end lines.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string text = ReadAll(HostFile("Quillcas.log"));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      const std::string line = text.substr(start, end - start);
      if (line.rfind("--- START ---", 0) == 0 || line.rfind("--- END ---", 0) == 0 ||
          line.rfind("Version ", 0) == 0) {
        continue;
      }
      lines.push_back(line);
    }
    return lines;
  }
  int CountLog(const std::string& line) const {
    int n = 0;
    for (const auto& l : LogLines()) n += l == line ? 1 : 0;
    return n;
  }

  std::string HostFile(const std::string& name) const { return host_dir_ + Sep() + name; }
  // How often `needle` stands in the host file `name`; how many catalogue
  // lines hold the title "T" + code, and history lines its link.
  int Occurrences(const std::string& name, const std::string& needle) const {
    const std::string text = ReadAll(HostFile(name));
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos;
         at = text.find(needle, at + 1)) {
      ++n;
    }
    return n;
  }
  int TitleLines(const std::string& code) const {
    return Occurrences("QuillsMas.csv", "\"T" + code + "\"");
  }
  int TitleEntries(const std::string& code) const {
    return Occurrences("kivo.txt", DetailLink(code) + "\r\n");
  }
  std::string ArchiveFile(const std::string& yymmdd) const {
    return host_dir_ + Sep() + "old" + Sep() + "kivod" + yymmdd + ".html";
  }
  std::string ListingFile() const { return temp_dir_ + "Getkivo.html"; }
  std::string DetailFile() const { return temp_dir_ + "Getkivo2.html"; }
  std::string PluginFolder() const { return host_dir_ + Sep() + "plugin"; }
  std::string ProgramPath() const { return PluginFolder() + Sep() + "kivo"; }
  // The history file's lines (CR LF each).
  static std::string HistoryText(const std::vector<std::string>& entries) {
    std::string text;
    for (const auto& e : entries) text += e + "\r\n";
    return text;
  }

  // Called for each command before the shop answers; may change pages_.
  std::function<void(const std::string& address)> on_fetch_;

  TempFolder root_{"kivo-harvest-"};
  const std::string host_dir_ = (root_.Path() / "host").string();
  const std::string temp_dir_ = (root_.Path() / "tmp").string() + Sep();
  ScopedTempDirEnv temp_env_{temp_dir_};
  std::map<std::string, std::optional<std::string>> pages_;
  // Addresses whose download fails with this exit code of the helper.
  std::map<std::string, int> exit_codes_;
  FakeRunHost host_;

 private:
  void Serve(const std::string& line) {
    const ServedCommand c = ParseCommand(line);
    if (on_fetch_) on_fetch_(c.address);
    const auto code = exit_codes_.find(c.address);
    if (code != exit_codes_.end()) {
      host_.exit_code = code->second;
      return;  // a failed download leaves its file as it was
    }
    const auto it = pages_.find(c.address);
    if (c.path.empty() || it == pages_.end() || !it->second) return;
    WriteAll(c.path, *it->second);
  }
};

}  // namespace kivo::testing
