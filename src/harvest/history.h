// The history of fetched detail pages: entries "YYYYMMDD" + link, in the
// order they were added. Lookups go through an index of the links, so a run
// against months of history stays fast, with the same answers as a scan.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kivo {

class THistory {
 public:
  const std::vector<std::string>& Entries() const { return entries_; }
  std::size_t Count() const { return entries_.size(); }
  void Add(std::string entry);
  void Clear();
  // Replaces the entries with the lines of `path`. Throws std::runtime_error
  // when the file exists but cannot be read.
  void LoadFromFile(const std::string& path);
  // True when some entry, from its 9th character on, equals `link` byte for
  // byte. An entry of 8 characters or fewer only equals an empty link.
  bool IsInHistory(std::string_view link) const;

 private:
  std::vector<std::string> entries_;
  // Link part -> number of entries holding it.
  std::unordered_map<std::string, std::size_t> index_;
};

// "YYYYMMDD" of the local date `date_time` followed by the link.
std::string MakeHistoryEntry(double date_time, const std::string& link);

}  // namespace kivo
