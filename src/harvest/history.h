// The history of fetched detail pages: entries "YYYYMMDD" + link, in the
// order they were added, and the pruning and saving of the history file.
// Lookups go through an index of the links in their canonical form
// (canonical_link.h), so the same page written another way is found, and a
// run against months of history stays fast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
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
  // end a line; empty lines are kept as empty entries). A UTF-8 byte-order
  // mark that an editor put in front is not part of the first entry. A last
  // line with no line end is a write cut short (entries are appended whole,
  // each with its CR LF): it is left out, and EndsMidLine() tells the next
  // append to start a new line. Throws std::runtime_error, leaving the
  // entries as they were, when the file cannot be read.
  void LoadFromFile(const std::string& path);
  // The newest "YYYYMMDD" date among the entries loaded from the file (not
  // those added since), or "" when none holds a date.
  const std::string& NewestLoadedDate() const { return newest_loaded_; }
  // The file ends in the middle of a line: the next append starts a new
  // line first, and then says so.
  bool EndsMidLine() const { return ends_mid_line_; }
  void SetEndsMidLine(bool ends_mid_line) { ends_mid_line_ = ends_mid_line; }
  // True when some entry, from its 9th character on, names the same page as
  // `link`: their canonical forms are equal. An entry of 8 characters or
  // fewer only names an empty link.
  bool IsInHistory(std::string_view link) const;
  // The same for a link already in its canonical form.
  bool HasPage(const std::string& canonical) const { return links_.count(canonical) != 0; }

 private:
  void Index(const std::string& entry);

  std::vector<std::string> entries_;
  // The canonical links of the entries.
  std::unordered_set<std::string> links_;
  std::string newest_loaded_;
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

// The day number (EncodeDate) of a "YYYYMMDD" text: false unless it is
// exactly eight digits that form a valid date.
bool ReadYYYYMMDD(std::string_view text, std::int64_t& day);

// How long an entry lasts at least, in days; a day left unfinished is
// walked again for as long, since the history still holds its titles.
inline constexpr int kHistoryDays = 90;

// How many days an entry lasts for a run that walks `before_days` days
// back: kHistoryDays, or longer when the window is: an entry must outlive
// every day whose listing is still walked, or its title would be fetched
// again.
int HistoryKeepDays(int before_days);

// "YYYYMMDD" of the local date `keep_days` days before `now`: entries dated
// this day or earlier are dropped by PruneHistory. Never before 1 January
// of the year 1. With `newest_loaded` (a "YYYYMMDD" date, or "") a `now`
// so far ahead of it that even that entry would go is taken as that day:
// a clock set far ahead, even once, must not drop every entry the history
// holds.
std::string HistoryCutDate(double now, int keep_days, std::string_view newest_loaded = {});

// The entries, in order, whose first eight characters (fewer for a shorter
// entry) compare greater, byte by byte, than the cut date above. Empty
// entries and entries made `keep_days` or more days before the date pruned
// against are left out.
std::vector<std::string> PruneHistory(const std::vector<std::string>& entries, double now,
                                      int keep_days, std::string_view newest_loaded = {});

// Writes the lines, each followed by CR LF, to a temporary file beside
// `path` and renames it over `path` (no lines: an empty file). A crash or a
// full disk leaves the old file or the new one, never a torn one. Throws
// std::runtime_error("<path> に書き込めません") when the file cannot be
// written; the old file is then left as it was.
void SaveHistoryFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace kivo
