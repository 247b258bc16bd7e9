// Detail pages that answered but held neither a title nor an ISBN. Such a
// page may be a maintenance page, worth another try, or the shop's "this
// item does not exist" for good, which no later run will read either. So
// each run that finds a page so adds a line to a record beside the history
// (its format: "YYYYMMDD" + link); the run that finds it so for the
// kEmptyPageRuns-th time records the link as fetched instead, and its day
// can be archived.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kivo {

// Runs that may find a page empty before it is recorded as fetched.
inline constexpr int kEmptyPageRuns = 3;

class TUnreadPages {
 public:
  // Reads the record at `path` (in the host folder). A missing file is an
  // empty record; one that cannot be read is taken as empty too: its pages
  // are then only tried more often.
  void Load(const std::string& path);
  // How many runs, this one included, have found `link` empty: the runs
  // recorded in the file and, when `found_now`, this one. Links are compared
  // in their canonical form.
  int RunsFoundEmpty(std::string_view link, bool found_now) const;
  // Adds this run's finding to the file at once ("YYYYMMDD" of `now`
  // followed by the link). False when it could not be written: the page is
  // then tried by one run more.
  bool Note(double now, const std::string& link);
  // Replaces the file with the lines made within the history's span of
  // `now` (kHistoryDays), atomically; a record left empty removes the file.
  // False when it could not be written.
  bool Save(double now) const;

 private:
  std::string path_;
  std::vector<std::string> lines_;
  std::unordered_map<std::string, int> runs_;
};

}  // namespace kivo
