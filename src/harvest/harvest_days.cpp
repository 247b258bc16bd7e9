// The days of a run: the window as it stood when the run began and the days
// earlier runs left unfinished, each walked page by page.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "harvest/fetch_page.h"
#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/listing_archive.h"
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
// The earliest day the calendar can name; the day loop ends there.
constexpr CivilDate kFirstDay{1, 1, 1};
// Listing pages of one day that are walked at most: far beyond any real day,
// so that a shop offering a next page for ever cannot hold the run.
constexpr int kMaxListingPages = 100;

std::string ListingAddress(const std::string& base, const CivilDate& day, int page) {
  return base + kListingPath + FormatYYYYMMDD(day) + kListingPageParam + std::to_string(page);
}

// "12月7日": a day as the window names it.
std::string DayName(const CivilDate& day) {
  return std::to_string(day.month) + texts::kMonth + std::to_string(day.day) + texts::kDay;
}

// "12月7日ダウンロード": the title label, and the log line, of a day.
std::string DayText(const CivilDate& day) { return DayName(day) + texts::kDownload; }

// A page's bytes, to tell a page the shop repeats from the pages before it.
std::size_t PageHash(const std::string& file) {
  std::string bytes;
  platform::ReadFile(file, bytes);
  return std::hash<std::string>{}(bytes);
}

}  // namespace

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
  const std::int64_t oldest = std::max(OldestDay(), first_day);
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
  const std::set<std::int64_t> archived = ArchivedDays(state_.FHostDir);
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

std::int64_t THarvest::OldestDay() const {
  return static_cast<std::int64_t>(DateOf(run_start_)) - state_.FBeforeDays;
}

bool THarvest::HarvestDay(bool archived) {
  const std::string listing_file = GetTempDir() + kListingFileName;
  state_.FSkipRequested = false;
  day_ = DayWalk{};
  ++tally_.DaysWalked;
  platform::DeleteFile(listing_file);
  const std::string day_text = DayText(Run.ListingDay);
  view_.SetTitleText(day_text);
  log_.WriteLog(day_text, false);
  progress_.DayBegins(++day_number_, archived, host_.Now());
  ReportProgress();

  Run.NextPageFound = true;
  for (int page = 1; Run.NextPageFound && !state_.FStopRequested; ++page) {
    if (page > kMaxListingPages) {
      // The shop offers more pages than any real day has: the rest is left
      // to the next run, which starts the day again from its first page.
      view_.ShowError(DayName(Run.ListingDay) + texts::kListingOf +
                      std::to_string(kMaxListingPages) + texts::kPagesCapped);
      day_.Intact = false;
      break;
    }
    Run.NextPageFound = false;
    WalkListingPage(page, listing_file);
    ReportProgress();
    PumpMessages(host_);
    WaitSeconds(host_, politeness::kListingPauseMs / 1000.0);
  }
  progress_.DayEnds(day_.Analysed, host_.Now());
  // Stopped before the day's pages ran out: not complete either.
  return day_.Intact && !Run.NextPageFound;
}

void THarvest::WalkListingPage(int page, const std::string& listing_file) {
  const std::string address = ListingAddress(base_url_, Run.ListingDay, page);
  // Each page starts from nothing, so that a fetch that brings nothing is
  // seen as such and never mistaken for the page before.
  if (page > 1) platform::DeleteFile(listing_file);
  const FetchResult fetched = Fetch(address, listing_file);
  if (fetched.Size < 1 || !BroughtPage(fetched.Outcome)) {
    if (fetched.Outcome != FetchOutcome::kNotRun) ++tally_.PageFailures;
    if (fetched.Outcome != FetchOutcome::kNotRun && fetched.Outcome != FetchOutcome::kStopped) {
      ++tally_.ListingFailures;
    }
    log_.WriteLog(address + texts::kFailedDash + kListingFileName, false);
    // The rest of the day is unknown: the next run walks it again.
    day_.Intact = false;
    return;
  }
  ++tally_.ListingPagesFetched;
  const std::string archive_file = ArchiveFile(state_.FHostDir, Run.ListingDay);
  if (!day_.PagesSeen.insert(PageHash(listing_file)).second) {
    // The shop sends a page of this day again: the day has nothing more. It
    // ends here, complete, as at its last page.
    if (day_.Intact) platform::CopyFileReplace(listing_file, archive_file);
    return;
  }
  // An unchanged page leaves NextPageFound false: the day ends here.
  if (SameFileContents(listing_file, archive_file)) return;
  day_.PageBroughtNewLink = false;
  day_.Analysed = true;
  AnalyzeListing();
  if (state_.FSkipRequested || state_.FStopRequested) day_.Intact = false;
  // A page whose links the day's earlier pages all held (none at all, as
  // after the real pages of a shop that offers a next page for ever) ends
  // the day as its last page does.
  if (!day_.PageBroughtNewLink) Run.NextPageFound = false;
  // Only a day walked to its last page with nothing cut short is archived:
  // the archive then stands for "every title of this day is in", and the
  // next run takes the short path. A page cut short, a title to try again
  // or a line not written leave the day to be walked again from its first
  // page. A failed copy has the same effect.
  if (!Run.NextPageFound && day_.Intact) platform::CopyFileReplace(listing_file, archive_file);
}

}  // namespace kivo
