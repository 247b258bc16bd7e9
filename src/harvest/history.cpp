#include "harvest/history.h"

#include <climits>
#include <functional>
#include <stdexcept>
#include <utility>

#include "harvest/harvest_texts.h"
#include "platform/datetime.h"
#include "platform/file_messages.h"
#include "platform/platform.h"

namespace kivo {
namespace {

// How long an entry lasts at least: one made this many days ago is dropped.
constexpr int kHistoryDays = 90;
// The date at the front of every entry, "YYYYMMDD".
constexpr std::size_t kDateLength = 8;

// The index's size when the first entry comes; a power of two.
constexpr std::size_t kFirstSlots = 64;

std::string_view LinkPart(std::string_view entry) {
  return entry.size() > kDateLength ? entry.substr(kDateLength) : std::string_view();
}

std::uint64_t HashLink(std::string_view link) { return std::hash<std::string_view>{}(link); }

}  // namespace

void THistory::Add(std::string entry) {
  // Make room first: if that fails, nothing has changed.
  Grow(indexed_ + 1);
  entries_.push_back(std::move(entry));
  Index(entries_.size() - 1);
}

void THistory::RemoveLast() {
  if (entries_.empty()) return;
  entries_.pop_back();
  slots_.clear();
  indexed_ = 0;
  Grow(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) Index(i);
}

void THistory::Clear() {
  entries_.clear();
  slots_.clear();
  indexed_ = 0;
}

void THistory::LoadFromFile(const std::string& path) {
  THistory loaded;
  std::string bytes;
  if (!platform::ReadFile(path, bytes))
    throw std::runtime_error(
        "\x8e\x9f\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf"
        "\x82\xdc\x82\xb9\x82\xf1: " +
        path);
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", i);
    if (end == std::string::npos) {
      loaded.ends_mid_line_ = true;  // cut short: left out
      break;
    }
    loaded.entries_.emplace_back(bytes, i, end - i);
    i = end + 1;
    if (bytes[end] == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
  }
  loaded.Grow(loaded.entries_.size());
  for (std::size_t i = 0; i < loaded.entries_.size(); ++i) loaded.Index(i);
  *this = std::move(loaded);
}

bool THistory::IsInHistory(std::string_view link) const {
  // Whether any entry matches is all a scan from the first entry could
  // tell; which one matched first is never used.
  if (slots_.empty()) return false;
  return slots_[Find(link, HashLink(link))].entry != 0;
}

std::size_t THistory::Find(std::string_view link, std::uint64_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.entry == 0) return i;
    if (slot.hash == hash && LinkPart(entries_[slot.entry - 1]) == link) return i;
  }
}

void THistory::Index(std::size_t position) {
  const std::string_view link = LinkPart(entries_[position]);
  const std::uint64_t hash = HashLink(link);
  Slot& slot = slots_[Find(link, hash)];
  if (slot.entry != 0) return;  // an earlier entry holds the same link
  slot = {hash, static_cast<std::uint32_t>(position + 1)};
  ++indexed_;
}

void THistory::Grow(std::size_t links) {
  std::size_t size = slots_.empty() ? kFirstSlots : slots_.size();
  while (size < 2 * links) size *= 2;
  if (size == slots_.size()) return;
  std::vector<Slot> bigger(size);
  const std::size_t mask = size - 1;
  for (const Slot& slot : slots_) {
    if (slot.entry == 0) continue;
    std::size_t i = slot.hash & mask;
    while (bigger[i].entry != 0) i = (i + 1) & mask;
    bigger[i] = slot;
  }
  slots_.swap(bigger);
}

std::string MakeHistoryEntry(double date_time, const std::string& link) {
  return FormatYYYYMMDD(DecodeDate(date_time)) + link;
}

int HistoryKeepDays(int before_days) {
  // The oldest day walked is `before_days` back; its titles were fetched on
  // that day or later, so one day more keeps all of them.
  return before_days >= kHistoryDays ? (before_days == INT_MAX ? INT_MAX : before_days + 1)
                                     : kHistoryDays;
}

std::string HistoryCutDate(double now, int keep_days) {
  const std::int64_t cut = static_cast<std::int64_t>(DateOf(now)) - keep_days;
  const std::int64_t first = EncodeDate(CivilDate{1, 1, 1});
  return FormatYYYYMMDD(DecodeDate(static_cast<double>(cut < first ? first : cut)));
}

std::vector<std::string> PruneHistory(const std::vector<std::string>& entries, double now,
                                      int keep_days) {
  const std::string cut = HistoryCutDate(now, keep_days);
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
