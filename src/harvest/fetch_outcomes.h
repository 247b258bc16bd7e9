// What a run does about each fetch's outcome: a failure is named in the log
// in words a user can act on, and the run is ended (as Stop ends it, with
// the reason in the status bar) when no further fetch can succeed: the
// download helper missing, the shop's certificate that cannot be verified,
// a proxy that wants credentials, the shop silent three times in a row. At
// its end the run says when the shop sent every detail page elsewhere.
#pragma once

#include <string>
#include <vector>

#include "harvest/fetcher.h"
#include "harvest/harvest_view.h"
#include "harvest/run_state.h"
#include "log/log_file.h"

namespace kivo {

class TFetchOutcomes {
 public:
  // `base_url`: the shop's base address, which tells its own pages (whose
  // failures may end the run) from others (a cover elsewhere).
  TFetchOutcomes(TRunState& state, HarvestView& view, TLogFile& log, std::string base_url);

  // Takes the result of fetching `address` into `file` (a detail page when
  // `detail`).
  void Take(const std::string& address, bool detail, const FetchResult& result);
  // The run ended because the helper could not be started, or because no
  // fetch from the shop could succeed (certificate, proxy): both said
  // already, so a run that got no listing page needs no word of its own.
  bool EndedTheRun() const { return helper_missing_ || fetching_blocked_; }
  bool ShopDown() const { return shop_down_; }
  // When every detail page the run asked for was sent to another host, says
  // so in the status bar and the log, naming the hosts.
  void ReportRedirectedDetails() const;

 private:
  // Counts a fetch from the shop that got no answer; the third in a row
  // ends the run.
  void NoteShopAnswer(const std::string& address, FetchOutcome outcome);

  TRunState& state_;
  HarvestView& view_;
  TLogFile& log_;
  const std::string base_url_;
  int no_answer_count_ = 0;
  bool shop_down_ = false;
  bool helper_missing_ = false;
  bool fetching_blocked_ = false;
  // Detail pages asked for, and those of them whose redirect to another host
  // was refused, with the hosts they were sent to (each once, three at most).
  int detail_fetches_ = 0;
  int detail_redirects_ = 0;
  std::vector<std::string> redirect_hosts_;
};

// The log line of a fetch of `address` that failed: its kind in words,
// whether the next run tries again, and the address.
std::string FailureLine(const FetchResult& result, const std::string& address);

}  // namespace kivo
