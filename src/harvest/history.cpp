#include "harvest/history.h"

#include <stdexcept>

#include "harvest/texts.h"
#include "platform/datetime.h"
#include "platform/platform.h"

namespace kivo {
namespace {

// How long an entry lasts: one made this many days ago is dropped.
constexpr int kHistoryDays = 90;
// The date at the front of every entry, "YYYYMMDD".
constexpr std::size_t kDateLength = 8;

std::string_view LinkPart(std::string_view entry) {
  return entry.size() > kDateLength ? entry.substr(kDateLength) : std::string_view();
}

}  // namespace

void THistory::Add(std::string entry) {
  // Insert first: if it throws, the entry is in neither list, and the two
  // never disagree.
  links_.emplace(LinkPart(entry));
  entries_.push_back(std::move(entry));
}

void THistory::Clear() {
  entries_.clear();
  links_.clear();
}

void THistory::LoadFromFile(const std::string& path) {
  std::vector<std::string> lines;
  if (!platform::LoadLines(path, lines)) {
    throw std::runtime_error("cannot read " + path);
  }
  std::unordered_set<std::string, LinkHash, std::equal_to<>> links;
  links.reserve(lines.size());
  for (const auto& line : lines) links.emplace(LinkPart(line));
  entries_.swap(lines);
  links_.swap(links);
}

bool THistory::IsInHistory(std::string_view link) const {
  // A set of the link parts answers exactly what a scan from the first entry
  // would: whether any entry matches. Which one matched first is never used.
  return links_.find(link) != links_.end();
}

std::string MakeHistoryEntry(double date_time, const std::string& link) {
  return FormatYYYYMMDD(DecodeDate(date_time)) + link;
}

std::string HistoryCutDate(double now) { return FormatYYYYMMDD(DecodeDate(now - kHistoryDays)); }

std::vector<std::string> PruneHistory(const std::vector<std::string>& entries, double now) {
  const std::string cut = HistoryCutDate(now);
  std::vector<std::string> kept;
  kept.reserve(entries.size());
  for (const auto& entry : entries) {
    // std::string compares bytes as unsigned values, and a proper beginning
    // of the other text as the smaller, so a short or empty entry, or one
    // whose date is not digits, falls out unless it sorts after the cut.
    if (std::string_view(entry).substr(0, kDateLength) > cut) kept.push_back(entry);
  }
  return kept;
}

void SaveHistoryFile(const std::string& path, const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const auto& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  // Replacing the file in place would leave a torn history after a crash or
  // a full disk, and the next run would fetch every title again and append
  // them to the host's catalogue a second time.
  if (!platform::SaveAtomically(path, bytes)) throw std::runtime_error(path + texts::kCannotWrite);
}

}  // namespace kivo
