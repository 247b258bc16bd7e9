// One harvest: the purge of old archived listing pages, the walk over the
// days and their listing pages, and the pruned history saved at the end.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "harvest/fetch_page.h"
#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/history.h"
#include "harvest/unfinished_days.h"
#include "platform/datetime.h"
#include "platform/platform.h"
#include "protocol/politeness.h"
#include "settings/settings.h"

namespace kivo {
namespace {

// The listing page of one day, before its date and page number.
constexpr char kListingPath[] = "/bec/SE/Genre?dcode=01&ccode=01&taishongpi=";
constexpr char kListingPageParam[] = "&Genre_id=010100&listcnt=";
// Archived listing pages: "kivod" + yymmdd + ".html" in the archive folder.
constexpr char kArchivePrefix[] = "kivod";
constexpr char kArchiveSuffix[] = ".html";
// The day given to an archived page whose name holds no date.
constexpr CivilDate kNoArchiveDate{1970, 1, 1};
// The earliest day the calendar can name; the day loop ends there.
constexpr CivilDate kFirstDay{1, 1, 1};
// Listing pages of one day that are walked at most: far beyond any real day,
// so that a shop offering a next page for ever cannot hold the run.
constexpr int kMaxListingPages = 100;

std::string ListingAddress(const std::string& base, const CivilDate& day, int page) {
  return base + kListingPath + FormatYYYYMMDD(day) + kListingPageParam + std::to_string(page);
}

std::string ArchiveFolder(const std::string& host_dir) {
  return HostFile(host_dir, kArchiveFolderName);
}

std::string ArchiveFile(const std::string& host_dir, const CivilDate& day) {
  return ArchiveFolder(host_dir) + platform::PathSeparator() + kArchivePrefix + FormatYYMMDD(day) +
         kArchiveSuffix;
}

// "12月7日": a day as the window names it.
std::string DayName(const CivilDate& day) {
  return std::to_string(day.month) + texts::kMonth + std::to_string(day.day) + texts::kDay;
}

// "12月7日ダウンロード": the title label, and the log line, of a day.
std::string DayText(const CivilDate& day) { return DayName(day) + texts::kDownload; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The day an archived page's name gives: the six characters after "kivod"
// as two-digit year (from 2000), month and day.
CivilDate ArchivedPageDay(const std::string& name) {
  const std::size_t start = sizeof kArchivePrefix - 1;
  if (name.size() < start + 6) return kNoArchiveDate;
  for (std::size_t i = start; i < start + 6; ++i) {
    if (!IsDigit(name[i])) return kNoArchiveDate;
  }
  auto two = [&](std::size_t at) { return (name[at] - '0') * 10 + (name[at + 1] - '0'); };
  const CivilDate day{2000 + two(start), two(start + 2), two(start + 4)};
  return IsValidDate(day.year, day.month, day.day) ? day : kNoArchiveDate;
}

// The first day of the window: today minus `before_days` days. Whole days in
// 64 bits, so no days value from the settings can overflow it.
std::int64_t OldestDay(double now, int before_days) {
  return static_cast<std::int64_t>(DateOf(now)) - before_days;
}

// A page's bytes, to tell a page the shop repeats from the pages before it.
std::size_t PageHash(const std::string& file) {
  std::string bytes;
  platform::ReadFile(file, bytes);
  return std::hash<std::string>{}(bytes);
}

}  // namespace

THarvest::THarvest(TRunState& state, HarvestView& view, TLogFile& log, RunHost& host,
                   std::string program_path)
    : state_(state),
      view_(view),
      log_(log),
      host_(host),
      program_path_(std::move(program_path)),
      base_url_(ShopBaseUrl(state.FHostDir)),
      known_(state),
      fetcher_(state, host, program_path_),
      outcomes_(state, view, log, base_url_) {}

void THarvest::HarvestRun() {
  // An archive folder that cannot be made costs only the short path for
  // unchanged days: the comparison then never finds an archived page.
  platform::CreateFolder(ArchiveFolder(state_.FHostDir));
  RemoveLeftovers();
  state_.FStopRequested = false;
  state_.FSkipRequested = false;
  Run = RunValues{};
  tally_ = TRunTally{};
  run_start_ = host_.Now();
  Run.ListingDay = DecodeDate(run_start_);
  // Read before anything can end the run, which writes the record back.
  unfinished_days_ = ParseUnfinishedDays(ReadPluginValue(state_.FHostDir, kUnfinishedDaysKey));
  view_.SetTitleText(texts::kDownloadKivo);

  // An error that ends the run with nothing recorded wrong (a history that
  // cannot take an entry, a catalogue that cannot be read) is the error the
  // user is shown, once what can be saved is saved.
  std::exception_ptr run_error;
  try {
    // The catalogue has the last word on what was written: a title whose
    // line is there (written by a run killed before its entry, or by one
    // whose history was lost, pruned or damaged since) is not written again.
    known_.Load();
    PurgeArchive();
    HarvestDays();
  } catch (const TRunError&) {
    run_error = std::current_exception();
    log_.WriteLog(texts::kKivoFailed, true);
  } catch (...) {
    log_.WriteLog(texts::kKivoFailed, true);
  }

  // The history is saved however the days ended; an error in saving it goes
  // to the caller, after the buttons are off.
  std::exception_ptr save_error;
  try {
    SaveHistory(state_, host_.Now());
  } catch (...) {
    save_error = std::current_exception();
  }
  SaveUnfinishedDays(unfinished_days_);
  known_.Save(host_.Now());
  view_.DisableRunButtons();
  ReportRunResult();
  if (save_error) std::rethrow_exception(save_error);
  if (run_error) std::rethrow_exception(run_error);
}

void THarvest::RemoveLeftovers() {
  // A run killed while it replaced a file leaves the temporary file it was
  // writing; one killed while a download ran may leave the helper's. No
  // other copy of the plugin runs now, so none of them is being written.
  for (const char* name :
       {kHistoryFileName, kUnreadPagesFileName, kSettingsFileName, kPlacementFileName}) {
    platform::RemoveOwnTemporaries(state_.FHostDir, name);
  }
  platform::RemoveOwnTemporaries(ArchiveFolder(state_.FHostDir),
                                 std::string(kArchivePrefix) + "*" + kArchiveSuffix);
  const std::string temp_dir = GetTempDir();
  for (const char* name : {kListingFileName, kDetailFileName}) {
    platform::DeleteFile(temp_dir + name + kPartialSuffix);
  }
}

void THarvest::SaveProgress() {
  try {
    // Every title committed so far has its line and its entry on disk
    // already; this saves the pruned history whole, as a run's end does.
    SaveHistory(state_, host_.Now());
  } catch (const std::exception& e) {
    view_.ShowError(e.what());
  }
  SaveUnfinishedDays(unfinished_days_);
}

void THarvest::SaveUnfinishedDays(const std::set<std::int64_t>& days) {
  try {
    WritePluginValue(state_.FHostDir, kUnfinishedDaysKey,
                     FormatUnfinishedDays(days, DateOf(host_.Now())));
  } catch (const std::exception& e) {
    // The run goes on: only a title that fails again on a day about to
    // leave the window could be lost. Said once: the next write would fail
    // the same way.
    if (!unfinished_days_unwritable_) view_.ShowError(e.what());
    unfinished_days_unwritable_ = true;
  }
}

void THarvest::ReportRunResult() {
  // The helper's own failure is said already, and so is a shop that cannot
  // be verified or a proxy that wants credentials.
  for (const std::string& warning : tally_.Warnings(outcomes_.EndedTheRun())) {
    view_.ShowError(warning);
  }
  outcomes_.ReportRedirectedDetails();
  // The summary is the run's last line.
  log_.WriteLog(tally_.SummaryLine(), false);
}

void THarvest::PurgeArchive() {
  const std::string folder = ArchiveFolder(state_.FHostDir);
  const std::vector<std::string> names = platform::FindFiles(folder + platform::PathSeparator() +
                                                             kArchivePrefix + "*" + kArchiveSuffix);
  for (const std::string& name : names) {
    if (state_.FStopRequested) break;
    const std::int64_t day = EncodeDate(ArchivedPageDay(name));
    if (day < OldestDay(run_start_, state_.FBeforeDays)) {
      platform::DeleteFile(folder + platform::PathSeparator() + name);
    }
  }
}

void THarvest::HarvestDays() {
  view_.MemoClear();
  log_.WriteLog(texts::kDllBanner, false);
  // The days of the window as it stood when the run began: a run that
  // passes midnight walks them all, and keeps what it did not finish.
  const std::int64_t today = DateOf(run_start_);
  if (state_.FBeforeDays < 0) {
    // Not even the days earlier runs left unfinished: the user has asked
    // for nothing, and should hear why nothing came.
    view_.ShowError(texts::kNegativeDays);
    return;
  }
  const std::int64_t first_day = EncodeDate(kFirstDay);
  const std::int64_t oldest = std::max(OldestDay(run_start_, state_.FBeforeDays), first_day);
  // Until this run has walked them, the window's days count as unfinished
  // too: a run killed part way leaves them to the next, even once they have
  // left its window.
  {
    std::set<std::int64_t> until_walked = unfinished_days_;
    for (std::int64_t day = today; day >= oldest && day > today - kUnfinishedDaysSpan; --day) {
      until_walked.insert(day);
    }
    if (until_walked != unfinished_days_) SaveUnfinishedDays(until_walked);
  }

  // The days this run walks: the window's, then those that earlier runs
  // left incomplete and the window does not hold (older ones, and later
  // ones recorded before the clock was set back), newest first, while the
  // history still covers their titles.
  const std::int64_t newest = NewestDay(unfinished_days_, today);
  std::vector<std::int64_t> extra_days;
  for (auto it = unfinished_days_.rbegin(); it != unfinished_days_.rend(); ++it) {
    if ((*it < oldest || *it > today) && StillWalked(*it, newest)) extra_days.push_back(*it);
  }
  const std::set<std::int64_t> archived = ArchivedDays();
  int archived_in_plan = 0;
  for (const std::int64_t day : archived) {
    archived_in_plan += (day >= oldest && day <= today) ? 1 : 0;
  }
  for (const std::int64_t day : extra_days) archived_in_plan += archived.count(day) != 0 ? 1 : 0;
  progress_.Begin(static_cast<int>(today - oldest + 1) + static_cast<int>(extra_days.size()),
                  archived_in_plan, host_.Now());
  day_number_ = 0;

  for (std::int64_t day = today; day >= oldest && !state_.FStopRequested; --day) {
    HarvestDayOnce(day, archived);
  }
  for (auto it = extra_days.begin(); it != extra_days.end() && !state_.FStopRequested; ++it) {
    HarvestDayOnce(*it, archived);
  }
}

void THarvest::HarvestDayOnce(std::int64_t day, const std::set<std::int64_t>& archived) {
  Run.ListingDay = DecodeDate(static_cast<double>(day));
  unfinished_days_.insert(day);
  if (HarvestDay(archived.count(day) != 0)) unfinished_days_.erase(day);
}

std::set<std::int64_t> THarvest::ArchivedDays() const {
  std::set<std::int64_t> days;
  const std::string folder = ArchiveFolder(state_.FHostDir);
  for (const std::string& name : platform::FindFiles(folder + platform::PathSeparator() +
                                                     kArchivePrefix + "*" + kArchiveSuffix)) {
    days.insert(EncodeDate(ArchivedPageDay(name)));
  }
  return days;
}

void THarvest::ReportProgress() {
  const double now = host_.Now();
  view_.ShowProgress({progress_.Text(now, tally_.TitlesAdded), progress_.Day(), progress_.Days(),
                      progress_.Permille(now)});
}

bool THarvest::HarvestDay(bool archived) {
  const std::string listing_file = GetTempDir() + kListingFileName;
  state_.FSkipRequested = false;
  day_.Intact = true;
  day_.Links.clear();
  ++tally_.DaysWalked;
  platform::DeleteFile(listing_file);
  const std::string day_text = DayText(Run.ListingDay);
  view_.SetTitleText(day_text);
  log_.WriteLog(day_text, false);
  progress_.DayBegins(++day_number_, archived, host_.Now());
  ReportProgress();
  bool walked = false;

  const std::string archive_file = ArchiveFile(state_.FHostDir, Run.ListingDay);
  // The pages of the day so far, to tell one the shop repeats.
  std::set<std::size_t> pages_seen;
  Run.NextPageFound = true;
  int page = 1;
  while (Run.NextPageFound && !state_.FStopRequested) {
    if (page > kMaxListingPages) {
      // The shop offers more pages than any real day has: the rest is left
      // to the next run, which starts the day again from its first page.
      view_.ShowError(DayName(Run.ListingDay) + texts::kListingOf +
                      std::to_string(kMaxListingPages) + texts::kPagesCapped);
      day_.Intact = false;
      break;
    }
    Run.NextPageFound = false;
    const std::string address = ListingAddress(base_url_, Run.ListingDay, page);
    // Each page starts from nothing, so that a fetch that brings nothing
    // is seen as such and never mistaken for the page before.
    if (page > 1) platform::DeleteFile(listing_file);
    const FetchResult fetched = Fetch(address, listing_file);
    if (fetched.Size < 1 || !BroughtPage(fetched.Outcome)) {
      if (fetched.Outcome != FetchOutcome::kNotRun) ++tally_.PageFailures;
      if (fetched.Outcome != FetchOutcome::kNotRun && fetched.Outcome != FetchOutcome::kStopped) {
        ++tally_.ListingFailures;
      }
      log_.WriteLog(address + texts::kFailedDash + kListingFileName, false);
      // The rest of the day is unknown: the next run walks it again.
      Run.NextPageFound = false;
      day_.Intact = false;
    } else {
      ++tally_.ListingPagesFetched;
      const bool repeated = !pages_seen.insert(PageHash(listing_file)).second;
      if (repeated) {
        // The shop sends a page of this day again: the day has nothing
        // more. It ends here, complete, as at its last page.
        if (day_.Intact) platform::CopyFileReplace(listing_file, archive_file);
      } else if (!SameFileContents(listing_file, archive_file)) {
        day_.PageBroughtNewLink = false;
        walked = true;
        AnalyzeListing();
        if (state_.FSkipRequested || state_.FStopRequested) day_.Intact = false;
        // A page whose links the day's earlier pages all held (none at all,
        // as after the real pages of a shop that offers a next page for
        // ever) ends the day as its last page does.
        if (!day_.PageBroughtNewLink) Run.NextPageFound = false;
        // Only a day walked to its last page with nothing cut short is
        // archived: the archive then stands for "every title of this day is
        // in", and the next run takes the short path. A page cut short, a
        // title to try again or a line not written leave the day to be
        // walked again from its first page. A failed copy has the same
        // effect.
        if (!Run.NextPageFound && day_.Intact) {
          platform::CopyFileReplace(listing_file, archive_file);
        }
      }
    }
    ReportProgress();
    // An unchanged page leaves NextPageFound false: the day ends here.
    ++page;
    PumpMessages(host_);
    WaitSeconds(host_, politeness::kListingPauseMs / 1000.0);
  }
  progress_.DayEnds(walked, host_.Now());
  // Stopped before the day's pages ran out: not complete either.
  return day_.Intact && !Run.NextPageFound;
}

}  // namespace kivo
