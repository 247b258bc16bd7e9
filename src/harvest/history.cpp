#include "harvest/history.h"

#include <climits>
#include <stdexcept>
#include <utility>

#include "harvest/canonical_link.h"
#include "harvest/harvest_texts.h"
#include "platform/datetime.h"
#include "platform/file_messages.h"
#include "platform/platform.h"

namespace kivo {
namespace {

// The date at the front of every entry, "YYYYMMDD".
constexpr std::size_t kDateLength = 8;
// What an editor may put in front of a file saved as UTF-8.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view LinkPart(std::string_view entry) {
  return entry.size() > kDateLength ? entry.substr(kDateLength) : std::string_view();
}

}  // namespace

bool ReadYYYYMMDD(std::string_view text, std::int64_t& day) {
  if (text.size() != kDateLength) return false;
  int value[3] = {0, 0, 0};
  for (std::size_t i = 0; i < kDateLength; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    int& part = value[i < 4 ? 0 : i < 6 ? 1 : 2];
    part = part * 10 + (text[i] - '0');
  }
  if (!IsValidDate(value[0], value[1], value[2])) return false;
  day = EncodeDate(CivilDate{value[0], value[1], value[2]});
  return true;
}

void THistory::Add(std::string entry) {
  // The index first: if that fails, nothing has changed.
  Index(entry);
  entries_.push_back(std::move(entry));
}

void THistory::RemoveLast() {
  if (entries_.empty()) return;
  entries_.pop_back();
  links_.clear();
  for (const auto& entry : entries_) Index(entry);
}

void THistory::Clear() {
  entries_.clear();
  links_.clear();
  newest_loaded_.clear();
}

void THistory::LoadFromFile(const std::string& path) {
  THistory loaded;
  std::string bytes;
  if (!platform::ReadFile(path, bytes)) throw std::runtime_error(path + messages::kCannotRead);
  std::size_t i = std::string_view(bytes).substr(0, 3) == kByteOrderMark ? 3 : 0;
  while (i < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", i);
    if (end == std::string::npos) {
      loaded.ends_mid_line_ = true;  // cut short: left out
      break;
    }
    loaded.Add(bytes.substr(i, end - i));
    std::int64_t day;
    const std::string_view date = std::string_view(loaded.entries_.back()).substr(0, kDateLength);
    if (ReadYYYYMMDD(date, day) && date > loaded.newest_loaded_) {
      loaded.newest_loaded_ = std::string(date);
    }
    i = end + 1;
    if (bytes[end] == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
  }
  *this = std::move(loaded);
}

bool THistory::IsInHistory(std::string_view link) const { return HasPage(CanonicalLink(link)); }

void THistory::Index(const std::string& entry) { links_.insert(CanonicalLink(LinkPart(entry))); }

std::string MakeHistoryEntry(double date_time, const std::string& link) {
  return FormatYYYYMMDD(DecodeDate(date_time)) + link;
}

int HistoryKeepDays(int before_days) {
  // The oldest day walked is `before_days` back; its titles were fetched on
  // that day or later, so one day more keeps all of them.
  return before_days >= kHistoryDays ? (before_days == INT_MAX ? INT_MAX : before_days + 1)
                                     : kHistoryDays;
}

std::string HistoryCutDate(double now, int keep_days, std::string_view newest_loaded) {
  std::int64_t reference = DateOf(now);
  std::int64_t newest;
  // A clock far ahead of every entry (set wrong by hand, a dead battery)
  // would drop them all, and the clock put right again would find nothing
  // of the weeks it still walks. A run long after the last one cannot be
  // told from it, so neither drops the newest entry loaded: they prune as
  // that entry's day would, and the rest goes once runs add entries of their
  // own. In daily use the newest entry is recent and nothing changes.
  if (ReadYYYYMMDD(newest_loaded, newest) && keep_days > 0 && reference - newest >= keep_days) {
    reference = newest;
  }
  const std::int64_t cut = reference - keep_days;
  const std::int64_t first = EncodeDate(CivilDate{1, 1, 1});
  return FormatYYYYMMDD(DecodeDate(static_cast<double>(cut < first ? first : cut)));
}

std::vector<std::string> PruneHistory(const std::vector<std::string>& entries, double now,
                                      int keep_days, std::string_view newest_loaded) {
  const std::string cut = HistoryCutDate(now, keep_days, newest_loaded);
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

void AppendHistoryEntries(const std::string& path, const std::vector<std::string>& entries,
                          bool new_line_first) {
  if (entries.empty()) return;
  std::string bytes = new_line_first ? "\r\n" : "";
  for (const auto& entry : entries) {
    bytes += entry;
    bytes += "\r\n";
  }
  // A flush that fails after the whole write still leaves the entries in
  // the file, which is what the next run reads: they count as written.
  const auto file = platform::OpenAppendFile(path);
  if (!file || file->Append(bytes) == platform::AppendStatus::kFailed) {
    throw std::runtime_error(path + messages::kCannotWrite);
  }
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
  if (!platform::SaveAtomically(path, bytes))
    throw std::runtime_error(path + messages::kCannotWrite);
}

}  // namespace kivo
