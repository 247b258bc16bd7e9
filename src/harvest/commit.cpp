// Committing titles to disk one by one, and finding after a crash which
// catalogue lines never got their history entry.
#include <string>
#include <string_view>
#include <vector>

#include "harvest/history.h"
#include "harvest/shop_address.h"
#include "platform/platform.h"
#include "shell/form_dll.h"
#include "shell/settings.h"
#include "text/text.h"

namespace kivo {
namespace {

// How much of the catalogue's end is read for lines without an entry: far
// more than one run's titles between two entries could fill (one), and
// small enough that a catalogue of years costs nothing to look at.
constexpr std::size_t kCatalogueTailBytes = 64 * 1024;
// What follows the shop's base address in every detail link.
constexpr char kDetailPath[] = "/bec/SA/Detail?refShinCode=";

// The detail link a catalogue line names: its 16th field, the quoted text
// before the last one. Lines end `,"<link>","<cover file>"`; the cover
// file's name holds no double quote. Empty when the line has no such end.
std::string_view LinkOfLine(std::string_view line) {
  if (line.size() < 2 || line.back() != '"') return {};
  line.remove_suffix(1);
  const std::size_t cover = line.rfind("\",\"");
  if (cover == std::string_view::npos) return {};
  const std::size_t link = line.rfind("\",\"", cover == 0 ? 0 : cover - 1);
  if (link == std::string_view::npos || link >= cover) return {};
  return line.substr(link + 3, cover - link - 3);
}

}  // namespace

void TFormDLL::CommitHistory(const std::vector<std::string>& links) {
  if (links.empty()) return;
  std::vector<std::string> entries;
  entries.reserve(links.size());
  for (const auto& link : links) entries.push_back(MakeHistoryEntry(Host.Now(), link));
  try {
    AppendHistoryEntries(HostFile(FHostDir, kHistoryFileName), entries, FHistoryEndsMidLine);
  } catch (const std::exception& e) {
    throw THistoryWriteError(e.what());
  }
  FHistoryEndsMidLine = false;
  for (auto& entry : entries) FHistory.Add(std::move(entry));
}

void TFormDLL::RecoverCommittedLinks() {
  std::string tail;
  if (!platform::ReadFileTail(HostFile(FHostDir, kCatalogueFileName), kCatalogueTailBytes, tail)) {
    return;  // no catalogue yet, or none to read: nothing to recover
  }
  const std::string prefix = BaseUrl + kDetailPath;
  // Whole lines only: the first may have been cut by the tail's start, and
  // the last may be a line another program is writing.
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  if (platform::FileSize(HostFile(FHostDir, kCatalogueFileName)) >
      static_cast<std::int64_t>(tail.size())) {
    start = tail.find('\n');
    start = start == std::string::npos ? tail.size() : start + 1;
  }
  while (start < tail.size()) {
    const std::size_t end = tail.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.emplace_back(tail.data() + start, end - start);
    start = end + 2;
  }
  // From the newest line back to the last one the history holds; lines of
  // other programs (other shops) are passed over on the way.
  std::vector<std::string> found;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    const std::string_view link = LinkOfLine(*it);
    if (link.empty()) continue;
    if (FHistory.IsInHistory(link)) break;
    if (link.find(prefix) == std::string_view::npos || !SameOrigin(link, BaseUrl)) continue;
    found.emplace_back(link);
  }
  std::vector<std::string> links;
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    bool seen = false;
    for (const auto& l : links) seen = seen || l == *it;
    if (!seen) links.push_back(*it);
  }
  CommitHistory(links);
}

}  // namespace kivo
