// The history of fetched detail pages: entries "YYYYMMDD" + link, in the
// order they were added, and the pruning and saving of the history file.
// Lookups go through an index of the links, so a run against months of
// history stays fast, with the same answers as a scan from the first entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

class THistory {
 public:
  const std::vector<std::string>& Entries() const { return entries_; }
  std::size_t Count() const { return entries_.size(); }
  void Add(std::string entry);
  // Takes the newest entry back (a title whose line could not be written,
  // so that the next run fetches it again). Rebuilds the index: rare.
  void RemoveLast();
  void Clear();
  // Replaces the entries with the lines of `path` (CR LF, LF or a lone CR
  // end a line; empty lines are kept as empty entries). A last line with no
  // line end is a write cut short (entries are appended whole, each with its
  // CR LF): it is left out, and EndsMidLine() tells the next append to start
  // a new line. Throws std::runtime_error, leaving the entries as they were,
  // when the file cannot be read.
  void LoadFromFile(const std::string& path);
  // The file ends in the middle of a line: the next append starts a new
  // line first, and then says so.
  bool EndsMidLine() const { return ends_mid_line_; }
  void SetEndsMidLine(bool ends_mid_line) { ends_mid_line_ = ends_mid_line; }
  // True when some entry, from its 9th character on, equals `link` byte for
  // byte. An entry of 8 characters or fewer only equals an empty link.
  bool IsInHistory(std::string_view link) const;

 private:
  // One slot of the index: the hash of an entry's link part and the entry's
  // position plus one (0: an empty slot). Links already present are not
  // indexed again: the first entry with a link stands for all of them.
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t entry = 0;
  };

  // The slot holding `link`, or the empty slot where it would go.
  std::size_t Find(std::string_view link, std::uint64_t hash) const;
  void Index(std::size_t position);
  void Grow(std::size_t entries);

  std::vector<std::string> entries_;
  // Open addressing with linear probing; a power of two in size, at most
  // half full. The links stay in `entries_`: nothing is copied.
  std::vector<Slot> slots_;
  std::size_t indexed_ = 0;
  bool ends_mid_line_ = false;
};

// Appends `entries` to the history file at `path` in one write, each
// followed by CR LF, and flushes; with `new_line_first` a CR LF goes in
// front (the file ends in a line cut short). Throws
// std::runtime_error("<path> に書き込めません") when the file cannot be
// opened or written; the file then holds no part of them.
void AppendHistoryEntries(const std::string& path, const std::vector<std::string>& entries,
                          bool new_line_first);

// "YYYYMMDD" of the local date `date_time` followed by the link.
std::string MakeHistoryEntry(double date_time, const std::string& link);

// How many days an entry lasts for a run that walks `before_days` days
// back: 90, or longer when the window is: an entry must outlive every day
// whose listing is still walked, or its title would be fetched and written
// again.
int HistoryKeepDays(int before_days);

// "YYYYMMDD" of the local date `keep_days` days before `now`: entries dated
// this day or earlier are dropped by PruneHistory. Never before 1 January
// of the year 1.
std::string HistoryCutDate(double now, int keep_days);

// The entries, in order, whose first eight characters (fewer for a shorter
// entry) compare greater, byte by byte, than HistoryCutDate(now, keep_days).
// Empty entries and entries made `keep_days` or more days before `now` are
// left out.
std::vector<std::string> PruneHistory(const std::vector<std::string>& entries, double now,
                                      int keep_days);

// Writes the lines, each followed by CR LF, to a temporary file beside
// `path` and renames it over `path` (no lines: an empty file). A crash or a
// full disk leaves the old file or the new one, never a torn one. Throws
// std::runtime_error("<path> に書き込めません") when the file cannot be
// written; the old file is then left as it was.
void SaveHistoryFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace kivo
