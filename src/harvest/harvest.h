// One harvest run: the purge of old archived listing pages, the walk over the
// days and their listing pages, the listing and detail analyses, and the
// history saved at the end. A THarvest lives for one run; what outlives the
// run (the flags, the history, the last fetch's start) is the window's
// TRunState, which the run is handed by reference.
//
// Where the operations are defined:
//   harvest_run.cpp      HarvestRun, PurgeArchive, HarvestDays, the run's report
//   fetch_page.cpp       FetchPage
//   analyze_listing.cpp  AnalyzeListing
//   analyze_detail.cpp   AnalyzeDetail
#pragma once

#include <cstdint>
#include <exception>
#include <set>
#include <string>
#include <unordered_set>

#include "harvest/fetch_page.h"
#include "harvest/harvest_view.h"
#include "harvest/run_errors.h"
#include "harvest/run_state.h"
#include "log/log_file.h"
#include "platform/datetime.h"
#include "platform/platform.h"
#include "platform/run_host.h"

namespace kivo {

// Values one harvest run owns and shares with the page analyses.
struct RunValues {
  CivilDate ListingDay;
  bool NextPageFound = false;
  int CategoryCode = 0;
  std::string CategoryText;

  // The day on show has been walked with nothing cut short so far: no
  // stop, skip, failed page, title to try again, or line that could not be
  // written. Only such a day's last page is archived.
  bool DayIntact = true;
  // Links not recorded in the history that this run will not ask for again:
  // a fetch that may succeed later, or a title whose line could not be
  // written. The next run tries them.
  std::unordered_set<std::string> RetryLinks;
  // Listing days walked incompletely, by this run or earlier ones, as
  // EncodeDate day numbers: walked again, after the window's days, by every
  // run until they are complete.
  std::set<std::int64_t> UnfinishedDays;
  bool UnfinishedDaysUnwritable = false;

  // For the summary at the end of the run.
  int TitlesAdded = 0;
  // Page fetches, listing and detail, that did not bring the page.
  int PageFailures = 0;
  int DaysWalked = 0;
  // Listing pages that came, and listing fetches that failed for another
  // reason than a stop: a run in which none came says so.
  int ListingPagesFetched = 0;
  int ListingFailures = 0;
  // For telling that the shop's pages have changed beyond recognition.
  int ListingsAnalysed = 0;
  int ListingsWithList = 0;
  int DetailsAnalysed = 0;
  int DetailsWithValues = 0;
  // Links in the lists that are the shop's detail pages, and links that hold
  // the detail path but are not (another host, no host at all).
  int UsableLinks = 0;
  int UnusableDetailLinks = 0;
};

class THarvest {
 public:
  // `program_path` is the running program file: the download command runs
  // in its folder, where the helper is found first.
  THarvest(TRunState& state, HarvestView& view, TLogFile& log, RunHost& host,
           std::string program_path);

  // The whole run. Errors of the purge and the day loop are logged as
  // "kivo失敗." and end them; the history is saved however they ended. An
  // error saving it, or a TRunError, passes to the caller afterwards.
  void HarvestRun();
  void PurgeArchive();
  void HarvestDays();
  // Fetches `address` into `file`; the file's size afterwards, 0 when absent
  // or when a stop was requested. LastFetchOutcome() tells why it ended.
  int FetchPage(const std::string& address, const std::string& file);
  void AnalyzeListing();
  void AnalyzeDetail(const std::string& link);
  // What a run's end saves, now: the history and the record of unfinished
  // days. For a session that ends while the run is still on the stack.
  void SaveProgress();

  FetchOutcome LastFetchOutcome() const { return last_fetch_outcome_; }
  bool ShopDown() const { return shop_down_; }

  // The run values, shared by the day loop and the analyses.
  RunValues Run;

 private:
  class ListingWalk;

  // Walks the listing pages of Run.ListingDay from page 1; true when the day
  // was walked to its last page with nothing cut short (it is then
  // archived). HarvestDayOnce keeps the day unfinished until then.
  bool HarvestDay();
  void HarvestDayOnce();
  // A title that was not brought whole: not recorded, not asked for again
  // in this run, and its day is left for the next run.
  void KeepForNextRun(const std::string& link);
  // Counts a fetch from the shop that got no answer; the third in a row ends
  // the run as Stop does.
  void NoteShopAnswer(const std::string& address);
  // Names a failed fetch of `address` into `file` in the log (with what its
  // failure note said), ends the run when no fetch from the shop can
  // succeed, and counts the detail pages sent to another host.
  void NoteFailure(const std::string& address, const std::string& file, bool unfetchable,
                   const FailureNote& note);
  void RemoveLeftovers();
  void SaveUnfinishedDays(const std::set<std::int64_t>& days);
  // The warnings of a run that found nothing, then its summary line.
  void ReportRunResult();
  // Reads and finishes the detail page just fetched and fetches its cover:
  // the title's catalogue line, or "" when the page gave neither a title
  // nor an ISBN; `title` gets the title as far as it was read.
  std::string ReadDetailPage(const std::string& detail_file, const std::string& link,
                             std::string& title);
  // Appends the line to the open catalogue, then commits the link. Returns
  // the error of a line that could not be written; throws
  // THistoryWriteError, with the line taken back, when the entry cannot be.
  std::exception_ptr WriteTitle(platform::AppendFile& catalogue_file, const std::string& catalogue,
                                const std::string& link, std::string line);
  // Memo1 gets the title (cleared first when it holds over 100 lines).
  void ListTitle(const std::string& title);

  TRunState& State;
  HarvestView& View;
  TLogFile& LogFile1;
  RunHost& Host;
  const std::string ProgramPath;
  // The shop's base address for this run (settings "BaseURL" or default).
  std::string BaseUrl;
  FetchOutcome last_fetch_outcome_ = FetchOutcome::kNotRun;
  int no_answer_count_ = 0;
  bool shop_down_ = false;
  // The download helper could not be started: the run was ended.
  bool helper_missing_ = false;
  // What the run's fetches met that its end must tell.
  FetchTally fetch_tally_;
};

}  // namespace kivo
