// One harvest: its start, the purge of old archived listing pages, the
// days (harvest_days.cpp), and what is saved and said at the end.
#include <exception>
#include <set>
#include <string>
#include <utility>

#include "harvest/fetch_page.h"
#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/history.h"
#include "harvest/listing_archive.h"
#include "harvest/unfinished_days.h"
#include "platform/datetime.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace kivo {

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
  platform::RemoveOwnTemporaries(ArchiveFolder(state_.FHostDir), kArchiveNames);
  const std::string temp_dir = GetTempDir();
  for (const char* name : {kListingFileName, kDetailFileName}) {
    platform::DeleteFile(temp_dir + name + kPartialSuffix);
  }
}

void THarvest::SaveProgress() {
  session_ended_ = true;
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
  for (const std::string& name : platform::FindFiles(ArchivePattern(state_.FHostDir))) {
    if (state_.FStopRequested) break;
    if (EncodeDate(ArchivedPageDay(name)) < OldestDay()) {
      platform::DeleteFile(folder + platform::PathSeparator() + name);
    }
  }
}

void THarvest::ReportProgress() {
  const double now = host_.Now();
  view_.ShowProgress({progress_.Text(now, tally_.TitlesAdded), progress_.Day(), progress_.Days(),
                      progress_.Permille(now)});
}

}  // namespace kivo
