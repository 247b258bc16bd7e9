// One harvest: the purge of old archived listing pages, the walk over the
// days and their listing pages, and the pruned history saved at the end.
#include <cstdint>
#include <exception>
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
#include "harvest/recovery.h"
#include "harvest/unfinished_days.h"
#include "platform/datetime.h"
#include "platform/platform.h"
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

// "12月7日ダウンロード": the title label, and the log line, of a day.
std::string DayText(const CivilDate& day) {
  return std::to_string(day.month) + texts::kMonth + std::to_string(day.day) + texts::kDay +
         texts::kDownload;
}

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

}  // namespace

THarvest::THarvest(TRunState& state, HarvestView& view, TLogFile& log, RunHost& host,
                   std::string program_path)
    : State(state),
      View(view),
      LogFile1(log),
      Host(host),
      ProgramPath(std::move(program_path)),
      BaseUrl(ShopBaseUrl(state.FHostDir)) {}

void THarvest::HarvestRun() {
  // An archive folder that cannot be made costs only the short path for
  // unchanged days: the comparison then never finds an archived page.
  platform::CreateFolder(ArchiveFolder(State.FHostDir));
  RemoveLeftovers();
  State.FStopRequested = false;
  State.FSkipRequested = false;
  Run = RunValues{};
  Run.ListingDay = DecodeDate(Host.Now());
  // Read before anything can end the run, which writes the record back.
  Run.UnfinishedDays = ParseUnfinishedDays(ReadPluginValue(State.FHostDir, kUnfinishedDaysKey));
  View.SetTitleText(texts::kDownloadKivo);

  // An error that ends the run with nothing recorded wrong (a history that
  // cannot take an entry, a catalogue that cannot be read) is the error the
  // user is shown, once what can be saved is saved.
  std::exception_ptr run_error;
  try {
    RecoverCommittedLinks(State, BaseUrl, Host.Now());
    PurgeArchive();
    HarvestDays();
  } catch (const TRunError&) {
    run_error = std::current_exception();
    LogFile1.WriteLog(texts::kKivoFailed, true);
  } catch (...) {
    LogFile1.WriteLog(texts::kKivoFailed, true);
  }

  // The history is saved however the days ended; an error in saving it goes
  // to the caller, after the buttons are off.
  std::exception_ptr save_error;
  try {
    SaveHistory(State, Host.Now());
  } catch (...) {
    save_error = std::current_exception();
  }
  SaveUnfinishedDays(Run.UnfinishedDays);
  View.DisableRunButtons();
  ReportRunResult();
  if (save_error) std::rethrow_exception(save_error);
  if (run_error) std::rethrow_exception(run_error);
}

void THarvest::RemoveLeftovers() {
  // A run killed while it replaced a file leaves the temporary file it was
  // writing; one killed while a download ran may leave the helper's. No
  // other copy of the plugin runs now, so none of them is being written.
  for (const char* name : {kHistoryFileName, kSettingsFileName, kPlacementFileName}) {
    platform::RemoveOwnTemporaries(State.FHostDir, name);
  }
  platform::RemoveOwnTemporaries(ArchiveFolder(State.FHostDir),
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
    SaveHistory(State, Host.Now());
  } catch (const std::exception& e) {
    View.ShowError(e.what());
  }
  SaveUnfinishedDays(Run.UnfinishedDays);
}

void THarvest::SaveUnfinishedDays(const std::set<std::int64_t>& days) {
  try {
    WritePluginValue(State.FHostDir, kUnfinishedDaysKey,
                     FormatUnfinishedDays(days, DateOf(Host.Now())));
  } catch (const std::exception& e) {
    // The run goes on: only a title that fails again on a day about to
    // leave the window could be lost. Said once: the next write would fail
    // the same way.
    if (!Run.UnfinishedDaysUnwritable) View.ShowError(e.what());
    Run.UnfinishedDaysUnwritable = true;
  }
}

void THarvest::ReportRunResult() {
  // A run that could fetch no listing page at all found nothing for a
  // reason the user must hear of (the helper's own failure is said already).
  if (Run.ListingPagesFetched == 0 && Run.ListingFailures > 0 && !helper_missing_ &&
      !fetch_tally_.fetching_blocked) {
    View.ShowError(texts::kNoListingPage);
  }
  // Pages that come and go but never hold what the plugin looks for: the
  // shop has most likely changed them, and the plugin finds nothing at all
  // without a word. Say so where the user sees it.
  if ((Run.ListingsAnalysed > 0 && Run.ListingsWithList == 0) ||
      (Run.UsableLinks == 0 && Run.UnusableDetailLinks > 0) ||
      (Run.DetailsAnalysed > 0 && Run.DetailsWithValues == 0)) {
    View.ShowError(texts::kPagesChanged);
  }
  ReportRedirectedDetails(fetch_tally_, View);
  // The summary is the run's last line.
  LogFile1.WriteLog(texts::kResultAdded + std::to_string(Run.TitlesAdded) + texts::kResultFailed +
                        std::to_string(Run.PageFailures) + texts::kResultDays +
                        std::to_string(Run.DaysWalked),
                    false);
}

void THarvest::PurgeArchive() {
  const std::string folder = ArchiveFolder(State.FHostDir);
  const std::vector<std::string> names = platform::FindFiles(folder + platform::PathSeparator() +
                                                             kArchivePrefix + "*" + kArchiveSuffix);
  for (const std::string& name : names) {
    if (State.FStopRequested) break;
    const std::int64_t day = EncodeDate(ArchivedPageDay(name));
    if (day < OldestDay(Host.Now(), State.FBeforeDays)) {
      platform::DeleteFile(folder + platform::PathSeparator() + name);
    }
  }
}

void THarvest::HarvestDays() {
  View.MemoClear();
  LogFile1.WriteLog(texts::kDllBanner, false);
  Run.ListingDay = DecodeDate(Host.Now());
  // Until this run has walked them, the window's days count as unfinished
  // too: a run killed part way leaves them to the next, even once they have
  // left its window.
  {
    std::set<std::int64_t> until_walked = Run.UnfinishedDays;
    const std::int64_t today = DateOf(Host.Now());
    const std::int64_t oldest = OldestDay(Host.Now(), State.FBeforeDays);
    for (std::int64_t day = today; day >= oldest && day > today - kUnfinishedDaysSpan; --day) {
      until_walked.insert(day);
    }
    if (until_walked != Run.UnfinishedDays) SaveUnfinishedDays(until_walked);
  }

  // Today is read afresh at each test: a run that passes midnight moves the
  // oldest day of the window forward by one.
  while (EncodeDate(Run.ListingDay) >= OldestDay(Host.Now(), State.FBeforeDays) &&
         !State.FStopRequested) {
    HarvestDayOnce();
    if (EncodeDate(Run.ListingDay) <= EncodeDate(kFirstDay)) return;
    Run.ListingDay = DecodeDate(EncodeDate(Run.ListingDay) - 1);
  }
  // Then the days that earlier runs left incomplete and the window no longer
  // holds, newest first, while the history still covers their titles.
  const std::int64_t oldest = OldestDay(Host.Now(), State.FBeforeDays);
  const std::int64_t covered_after = DateOf(Host.Now()) - kUnfinishedDaysSpan;
  const std::set<std::int64_t> left = Run.UnfinishedDays;
  for (auto it = left.rbegin(); it != left.rend() && !State.FStopRequested; ++it) {
    if (*it >= oldest || *it <= covered_after) continue;
    Run.ListingDay = DecodeDate(static_cast<double>(*it));
    HarvestDayOnce();
  }
}

void THarvest::HarvestDayOnce() {
  const std::int64_t day = EncodeDate(Run.ListingDay);
  Run.UnfinishedDays.insert(day);
  if (HarvestDay()) Run.UnfinishedDays.erase(day);
}

bool THarvest::HarvestDay() {
  const std::string listing_file = GetTempDir() + kListingFileName;
  State.FSkipRequested = false;
  Run.DayIntact = true;
  ++Run.DaysWalked;
  platform::DeleteFile(listing_file);
  const std::string day_text = DayText(Run.ListingDay);
  View.SetTitleText(day_text);
  LogFile1.WriteLog(day_text, false);

  const std::string archive_file = ArchiveFile(State.FHostDir, Run.ListingDay);
  Run.NextPageFound = true;
  int page = 1;
  while (Run.NextPageFound && !State.FStopRequested) {
    Run.NextPageFound = false;
    const std::string address = ListingAddress(BaseUrl, Run.ListingDay, page);
    // Each page starts from nothing, so that a fetch that brings nothing
    // is seen as such and never mistaken for the page before.
    if (page > 1) platform::DeleteFile(listing_file);
    const int size = FetchPage(address, listing_file);
    if (size < 1 || !BroughtPage(last_fetch_outcome_)) {
      if (last_fetch_outcome_ != FetchOutcome::kNotRun) ++Run.PageFailures;
      if (last_fetch_outcome_ != FetchOutcome::kNotRun &&
          last_fetch_outcome_ != FetchOutcome::kStopped) {
        ++Run.ListingFailures;
      }
      LogFile1.WriteLog(address + texts::kFailedDash + kListingFileName, false);
      // The rest of the day is unknown: the next run walks it again.
      Run.NextPageFound = false;
      Run.DayIntact = false;
    } else {
      ++Run.ListingPagesFetched;
      if (!SameFileContents(listing_file, archive_file)) {
        AnalyzeListing();
        if (State.FSkipRequested || State.FStopRequested) Run.DayIntact = false;
        // Only a day walked to its last page with nothing cut short is
        // archived: the archive then stands for "every title of this day is
        // in", and the next run takes the short path. A page cut short, a
        // title to try again or a line not written leave the day to be
        // walked again from its first page. A failed copy has the same
        // effect.
        if (!Run.NextPageFound && Run.DayIntact) {
          platform::CopyFileReplace(listing_file, archive_file);
        }
      }
    }
    // An unchanged page leaves NextPageFound false: the day ends here.
    ++page;
    PumpMessages(Host);
    WaitSeconds(Host, 1);
  }
  // Stopped before the day's pages ran out: not complete either.
  return Run.DayIntact && !Run.NextPageFound;
}

}  // namespace kivo
