#include "harvest/fetch_outcomes.h"

#include <algorithm>
#include <utility>

#include "harvest/harvest_texts.h"
#include "harvest/shop_address.h"

namespace kivo {
namespace {

// Fetches from the shop in a row that got no answer at all, after which the
// shop is taken to be down.
constexpr int kNoAnswerLimit = 3;
// Hosts a run names at most when the shop sends its pages elsewhere.
constexpr std::size_t kHostsNamed = 3;

}  // namespace

std::string FailureLine(const FetchResult& result, const std::string& address) {
  const FailureNote& note = result.Note;
  std::string kind;
  bool retried = true;
  switch (result.Outcome) {
    case FetchOutcome::kNotFound:
      kind = result.Unfetchable ? texts::kFailUnfetchable : texts::kFailGone;
      retried = false;
      break;
    case FetchOutcome::kFailed:
      if (note.status >= 400) {
        kind = texts::kFailServerError + std::to_string(note.status) + texts::kParenClose;
      } else if (note.status >= 300) {
        kind = texts::kFailRedirectLoop + std::to_string(note.status) + texts::kParenClose;
      } else {
        kind = texts::kFailBadAnswer;
      }
      break;
    case FetchOutcome::kNoAnswer:
      kind = texts::kFailNoAnswer;
      break;
    case FetchOutcome::kStopped:
      kind = texts::kFailStopped;
      break;
    case FetchOutcome::kCutBody:
      kind = texts::kFailCutBody;
      break;
    case FetchOutcome::kTooSlow:
      kind = texts::kFailTooSlow;
      break;
    case FetchOutcome::kCertificate:
      kind = texts::kFailCertificate;
      break;
    case FetchOutcome::kProxyAuth:
      kind = texts::kFailProxyAuth;
      break;
    case FetchOutcome::kRedirectRefused:
      kind = texts::kFailRedirected;
      if (!note.host.empty()) kind += texts::kParenOpen + note.host + texts::kParenClose;
      break;
    case FetchOutcome::kTimedOut:
      kind = texts::kFailTimedOut;
      break;
    case FetchOutcome::kNotWritten:
      kind = texts::kFailNotWritten;
      break;
    case FetchOutcome::kComplete:
    case FetchOutcome::kNotStarted:
    case FetchOutcome::kNotRun:
      break;
  }
  if (retried) kind += texts::kRetriedNextRun;
  return kind + ": " + address;
}

TFetchOutcomes::TFetchOutcomes(TRunState& state, HarvestView& view, TLogFile& log,
                               std::string base_url)
    : state_(state), view_(view), log_(log), base_url_(std::move(base_url)) {}

void TFetchOutcomes::Take(const std::string& address, bool detail, const FetchResult& result) {
  const FetchOutcome outcome = result.Outcome;
  NoteShopAnswer(address, outcome);
  if (detail && outcome != FetchOutcome::kNotRun) {
    ++detail_fetches_;
    if (outcome == FetchOutcome::kRedirectRefused) {
      ++detail_redirects_;
      const std::string& host = result.Note.host;
      if (!host.empty() && redirect_hosts_.size() < kHostsNamed &&
          std::find(redirect_hosts_.begin(), redirect_hosts_.end(), host) ==
              redirect_hosts_.end()) {
        redirect_hosts_.push_back(host);
      }
    }
  }
  if (outcome == FetchOutcome::kNotStarted) {
    // Nothing at all can be fetched: say so where the user looks, and end
    // the run as Stop does rather than fail every page in silence. Told
    // once, where it is found.
    if (!helper_missing_) {
      helper_missing_ = true;
      state_.FStopRequested = true;
      view_.ShowError(texts::kHelperNotStarted);
    }
    return;
  }
  if (BroughtPage(outcome) || outcome == FetchOutcome::kNotRun) return;
  log_.WriteLog(FailureLine(result, address), false);
  // Every further fetch from the shop would fail the same way: end the run
  // as Stop does, and say why where the user looks. Another host's
  // certificate costs only what it serves (a cover).
  if ((outcome == FetchOutcome::kCertificate || outcome == FetchOutcome::kProxyAuth) &&
      OnShopHost(address, base_url_) && !fetching_blocked_) {
    fetching_blocked_ = true;
    state_.FStopRequested = true;
    view_.ShowError(outcome == FetchOutcome::kCertificate ? texts::kCertificateUnverified
                                                          : texts::kProxyAuthRequired);
  }
}

void TFetchOutcomes::NoteShopAnswer(const std::string& address, FetchOutcome outcome) {
  // Only the shop's own pages tell whether the shop answers; a cover on
  // another host neither counts nor breaks the count.
  if (!OnShopHost(address, base_url_)) return;
  if (outcome == FetchOutcome::kNotRun || outcome == FetchOutcome::kStopped ||
      outcome == FetchOutcome::kNotStarted) {
    return;
  }
  // A helper that had to be ended heard nothing in a minute and a half:
  // as silent a shop as one that does not answer at all.
  if (outcome != FetchOutcome::kNoAnswer && outcome != FetchOutcome::kTimedOut) {
    no_answer_count_ = 0;
    return;
  }
  if (++no_answer_count_ < kNoAnswerLimit || shop_down_) return;
  // Every further fetch would wait out its time limit as well: end the run
  // as Stop does, so the history is still saved, and let the next run try.
  shop_down_ = true;
  state_.FStopRequested = true;
  log_.WriteLog(texts::kShopNotAnswering, true);
}

void TFetchOutcomes::ReportRedirectedDetails() const {
  if (detail_fetches_ == 0 || detail_redirects_ < detail_fetches_) return;
  std::string hosts;
  for (const std::string& host : redirect_hosts_) {
    if (!hosts.empty()) hosts += ", ";
    hosts += host;
  }
  view_.ShowError(texts::kDetailsRedirected + (hosts.empty() ? std::string("?") : hosts));
}

}  // namespace kivo
