// The plugin window's logic: run state, life-cycle handlers, the run
// controls, and the harvest operations that use them. It talks to the screen
// only through FormView and to the system through RunHost and the platform
// seam, so the Win32 window, the terminal front-end and the tests share it.
//
// Where the members are defined:
//   shell/form_dll.cpp        life cycle, controls, LimitBeforeDays, ReportException
//   shell/session_end.cpp     FormEndSession
//   harvest/fetch_page.cpp    FetchPage
//   harvest/harvest_run.cpp   HarvestRun, PurgeArchive, HarvestDays
//   harvest/listing.cpp       AnalyzeListing
//   harvest/detail.cpp        AnalyzeDetail
#pragma once

#include <cstddef>
#include <exception>
#include <cstdint>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "harvest/fetch.h"
#include "harvest/history.h"
#include "log/log_file.h"
#include "placement/form_placement.h"
#include "platform/datetime.h"
#include "platform/run_host.h"
#include "shell/view.h"

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

class TFormDLL {
 public:
  // `args` are the command-line arguments after the program name;
  // `program_path` the running program file (it locates the host folder).
  TFormDLL(FormView& view, RunHost& host, std::vector<std::string> args, std::string program_path);

  // Runs an event handler; an error escaping it goes to ReportException.
  void Invoke(const std::function<void()>& handler) noexcept;

  // Window life.
  void FormCreate();
  void FormActivate();
  void FormClose();
  void FormDestroy();
  // The window is about to be shown (placement restored once more).
  void FormShow();
  // Closing was asked and is allowed: the placement is stored.
  void FormCloseQuery();
  // The user's session is ending and the process will be ended as soon as
  // this returns: stops a run, stores the days value and the placement
  // (through the window's close), saves the history of a run that has
  // started and writes the log's end line. Later calls do nothing.
  void FormEndSession();

  // Controls.
  void ButtonStopClick();
  void ButtonPauseClick();
  void ButtonPlayClick();
  void ButtonSkipClick();
  void BeforeDaysExit();
  void SpeedButtonURLClick();
  void SpeedButtonAboutClick();

  // The days value capped by the host's data deletion days.
  int LimitBeforeDays(int days);
  // Shows the message in the status bar and logs it as an error line.
  void ReportException(const std::string& message);

  // True in configuration mode (first argument exactly "/c").
  bool ConfigurationMode() const;

  // Harvest.
  void HarvestRun();
  void PurgeArchive();
  void HarvestDays();
  // Fetches `address` into `file`; the file's size afterwards, 0 when absent
  // or when a stop was requested.
  int FetchPage(const std::string& address, const std::string& file);
  void AnalyzeListing();
  void AnalyzeDetail(const std::string& link);
  // Walks the listing pages of Run.ListingDay from page 1; true when the day
  // was walked to its last page with nothing cut short (it is then
  // archived).
  bool HarvestDay();
  // HarvestDay, with the day marked unfinished until it has been walked
  // completely.
  void HarvestDayOnce();
  // A title that was not brought whole: not recorded, not asked for again
  // in this run, and its day is left for the next run.
  void KeepForNextRun(const std::string& link);

  // Titles are committed one by one: the catalogue line first, then the
  // history entry, each flushed. Appends the entries of `links` to the
  // history file and to FHistory; throws THistoryWriteError when the file
  // cannot take them (FHistory is then left as it was).
  void CommitHistory(const std::vector<std::string>& links);
  // Treats as fetched the shop's titles whose catalogue lines stand after
  // the last one the history knows of (a run ended between a line and its
  // entry); they are committed to the history at once.
  void RecoverCommittedLinks();
  // Counts a fetch from the shop that got no answer; the third in a row ends
  // the run as Stop does.
  void NoteShopAnswer(const std::string& address);
  // The run's summary line in the log, and a warning when the shop's pages
  // no longer look as the analyses expect.
  void ReportRunResult();
  // Removes what a killed run left: the temporary files of a replace in the
  // host folder and the archive, and the helper's partial downloads.
  void RemoveLeftovers();
  // Prunes the history (HistoryKeepDays of the days back) and replaces the
  // history file with it; throws std::runtime_error when it cannot be
  // written.
  void SaveHistory();
  // Stores Run.UnfinishedDays, those of the last 90 days, in the settings;
  // a failure is reported and the run goes on.
  void SaveUnfinishedDays(const std::set<std::int64_t>& days);

  // Run state.
  bool FActivated = false;
  bool FStopRequested = false;
  bool FSkipRequested = false;
  bool FPauseRequested = false;
  std::string FHostDir;
  int FBeforeDays = 0;
  double FLastFetch = 0;
  // Why the last FetchPage ended as it did.
  FetchOutcome FLastFetchOutcome = FetchOutcome::kNotRun;
  int FNoAnswerCount = 0;
  bool FShopDown = false;
  // The download helper could not be started: the run was ended.
  bool FHelperMissing = false;
  // The history file ends in a line cut short: the next append starts a
  // new line first.
  bool FHistoryEndsMidLine = false;
  THistory FHistory;
  // The history file existed but could not be read at creation: the run
  // must not save its few entries over the months the file still holds.
  bool FHistoryUnread = false;
  TLogFile LogFile1;
  placement::TFormPlacement FormPlacement1;
  // A harvest has begun in this process; the history count it began with.
  bool FRunStarted = false;
  std::size_t FHistoryCountAtStart = 0;
  bool FSessionEnded = false;
  RunValues Run;
  // The shop's base address for this run (settings "BaseURL" or default).
  std::string BaseUrl;

  FormView& View;
  RunHost& Host;
  const std::vector<std::string> Args;
  const std::string ProgramPath;
};

// An error that ends the run and reaches the window's handler once the
// history is saved.
class TRunError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// The history file cannot take an entry.
class THistoryWriteError : public TRunError {
 public:
  using TRunError::TRunError;
};
// The catalogue exists but cannot be read, so the run cannot tell which
// titles an earlier run wrote without recording them.
class TCatalogueReadError : public TRunError {
 public:
  using TRunError::TRunError;
};

// Hands a target to the desktop shell's "open" verb; the default folder is
// the target cut after its last "\" or ":". The result is not looked at.
void OpenDocument(const std::string& target, const std::string& parameters);

}  // namespace kivo
