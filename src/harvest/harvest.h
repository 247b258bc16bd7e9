// One harvest run: the purge of old archived listing pages, the walk over the
// days and their listing pages, the listing and detail analyses, and the
// history saved at the end. A THarvest lives for one run; what outlives the
// run (the flags, the history, the last fetch's start) is the window's
// TRunState, which the run is handed by reference.
//
// Where the operations are defined:
//   harvest_run.cpp      HarvestRun, PurgeArchive, the run's report
//   harvest_days.cpp     HarvestDays and the walk of each day
//   fetch_page.cpp       FetchPage
//   analyze_listing.cpp  AnalyzeListing: the walk over a page (listing_page.h
//                        reads it) and each detail link it takes
//   analyze_detail.cpp   AnalyzeDetail (detail_page.h reads the page)
// The parts they share: the counts (run_tally.h), which titles are known
// and how they are recorded (known_titles.h), the catalogue's line
// (catalogue.h), the timings (protocol/politeness.h).
#pragma once

#include <cstdint>
#include <exception>
#include <set>
#include <string>
#include <unordered_set>

#include "harvest/fetch_outcomes.h"
#include "harvest/fetch_page.h"
#include "harvest/fetcher.h"
#include "harvest/harvest_view.h"
#include "harvest/known_titles.h"
#include "harvest/listing_page.h"
#include "harvest/run_errors.h"
#include "harvest/run_progress.h"
#include "harvest/run_state.h"
#include "harvest/run_tally.h"
#include "html/html_parser.h"
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
};

// The walk of the day on show.
struct DayWalk {
  // Walked with nothing cut short so far: no stop, skip, failed page, title
  // to try again, or line that could not be written. Only such a day's last
  // page is archived.
  bool Intact = true;
  // The canonical forms of the shop's detail links met on the day's pages so
  // far, and whether the page just walked brought one not met before: a
  // page that brings none ends the day.
  std::unordered_set<std::string> Links;
  bool PageBroughtNewLink = false;
  // The pages of the day so far, to tell one the shop repeats.
  std::set<std::size_t> PagesSeen;
  // A page of the day was analysed (not only found equal to the archive).
  bool Analysed = false;
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
  // or when a stop was requested.
  int FetchPage(const std::string& address, const std::string& file);
  // The same fetch with why it ended: the fetcher's result, taken by the
  // run's outcomes (a failure named, the run ended when no fetch can
  // succeed), then the settling. `detail`: a detail page of the list.
  FetchResult Fetch(const std::string& address, const std::string& file, bool detail = false);
  void AnalyzeListing();
  void AnalyzeDetail(const std::string& link);
  // What a run's end saves, now: the history and the record of unfinished
  // days. For a session that ends while the run is still on the stack: the
  // system may end the process at any moment after, so from then on the run
  // writes no catalogue line (a title fetched meanwhile is left to the next
  // run) and only unwinds.
  void SaveProgress();

  bool ShopDown() const { return outcomes_.ShopDown(); }
  const TRunTally& Tally() const { return tally_; }
  const DayWalk& Day() const { return day_; }
  const TKnownTitles& KnownTitles() const { return known_; }

  // The run values, shared by the day loop and the analyses.
  RunValues Run;

 private:
  // Walks the listing pages of Run.ListingDay from page 1; true when the day
  // was walked to its end with nothing cut short (it is then archived). The
  // end is a page without a next-page link, a page that brings no detail
  // link the day's earlier pages did not, or a page that repeats an earlier
  // one; a day that goes on past kMaxListingPages is left unfinished.
  // HarvestDayOnce keeps the day unfinished until then.
  bool HarvestDay(bool archived);
  // One listing page of the day: fetched and, unless it failed, repeats an
  // earlier page of the day or equals the day's archived page, analysed;
  // the day's last page is archived when the day is intact.
  void WalkListingPage(int page, const std::string& listing_file);
  void HarvestDayOnce(std::int64_t day, const std::set<std::int64_t>& archived);
  // A title that was not brought whole: not recorded, not asked for again
  // in this run, and its day is left for the next run.
  void KeepForNextRun(const std::string& link);
  // AnalyzeListing's walk over the nodes from `index` on, until the end, a
  // stop or a skip; `index` counts the nodes walked, also when the walk ends
  // in an error.
  void WalkListing(const THTMLNodeList& nodes, std::size_t& index);
  // One detail link of the list: fetched unless known, then analysed and
  // committed, recorded as gone, or kept for the next run.
  void TakeLink(const ListingEvent& event, const std::string& detail_file);
  void Attempted(const std::string& link, const FetchResult& fetched,
                 const std::string& detail_file);
  void RemoveLeftovers();
  void SaveUnfinishedDays(const std::set<std::int64_t>& days);
  // The warnings of a run that found nothing, then its summary line.
  void ReportRunResult();
  // Shows where the run stands.
  void ReportProgress();
  // The first day of the window as it stood when the run began: today
  // minus the days back, in whole days of 64 bits, so no days value from the
  // settings can overflow it.
  std::int64_t OldestDay() const;
  // Reads and finishes the detail page just fetched and fetches its cover:
  // the title's catalogue line, or "" when the page gave neither a title
  // nor an ISBN; `title` gets the title as far as it was read, `read` tells
  // whether the file could be read at all.
  std::string ReadDetailPage(const std::string& detail_file, const std::string& link,
                             std::string& title, bool& read);

  // Appends the line to the open catalogue, then commits the link. Returns
  // the error of a line that could not be written; throws
  // THistoryWriteError, with the line taken back, when the entry cannot be.
  std::exception_ptr WriteTitle(platform::AppendFile& catalogue_file, const std::string& catalogue,
                                const std::string& link, std::string line);
  // Memo1 gets the title (cleared first when it holds over 100 lines).
  void ListTitle(const std::string& title);

  TRunState& state_;
  HarvestView& view_;
  TLogFile& log_;
  RunHost& host_;
  const std::string program_path_;
  // The shop's base address for this run (settings "BaseURL" or default).
  std::string base_url_;
  // The run's start: its days are the window as it stood then, whatever
  // the clock does meanwhile.
  double run_start_ = 0;
  TRunTally tally_;
  TRunProgress progress_;
  int day_number_ = 0;
  TKnownTitles known_;
  DayWalk day_;
  // Listing days walked incompletely, by this run or earlier ones, as
  // EncodeDate day numbers: walked again, after the window's days, by every
  // run until they are complete.
  std::set<std::int64_t> unfinished_days_;
  bool unfinished_days_unwritable_ = false;
  // The session has ended (SaveProgress): nothing more is written.
  bool session_ended_ = false;
  TFetcher fetcher_;
  TFetchOutcomes outcomes_;
};

}  // namespace kivo
