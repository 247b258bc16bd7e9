// Which titles a run must not fetch, and the recording of those it is done
// with. A title is known by the page its link names (canonical_link.h):
// - in the history (the fast index of what was fetched);
// - in the catalogue as the run began: the host's file has the last word,
//   so a title whose line is there is never written again, whatever became
//   of its history entry, and the entry is put back;
// - kept for the next run: a fetch that failed in a way that may pass, a
//   title whose line could not be written, a page read empty.
#pragma once

#include <string>
#include <unordered_set>

#include "harvest/run_state.h"
#include "harvest/unread_pages.h"

namespace kivo {

class TKnownTitles {
 public:
  explicit TKnownTitles(TRunState& state) : state_(state) {}

  // Reads the links of the catalogue's lines and the record of pages read
  // empty. Throws TCatalogueReadError when the catalogue exists but cannot
  // be read: unread, every title in it would be written again.
  void Load();
  // True when the run must not fetch `link` (whose canonical form is
  // `canonical`). A title found only in the catalogue gets its history entry
  // back (THistoryWriteError when that cannot be written).
  bool Known(const std::string& link, const std::string& canonical, double now);
  // The same question without putting an entry back.
  bool IsKnown(const std::string& canonical) const;
  // The title is done: its entry goes into the history file and list.
  // Throws THistoryWriteError when it cannot be written.
  void Record(const std::string& link, double now);
  // Not asked for again in this run; the next run tries it.
  void KeepForNextRun(const std::string& link);
  bool KeptForNextRun(const std::string& link) const;
  // A page read whole that held neither a title nor an ISBN, found so by
  // one run more. True when this is the kEmptyPageRuns-th run to find it
  // so: the link is then recorded. Otherwise it is kept for the next run.
  bool FoundEmpty(const std::string& link, double now);
  // Saves the record of pages read empty (pruned); a failure costs its
  // pages one more try at most.
  void Save(double now);

 private:
  TRunState& state_;
  std::unordered_set<std::string> catalogue_links_;
  std::unordered_set<std::string> kept_;
  TUnreadPages unread_pages_;
};

}  // namespace kivo
