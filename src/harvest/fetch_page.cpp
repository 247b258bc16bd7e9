// The page fetcher: runs the download command for one address, keeps all
// fetches of the process 900 ms apart and keeps the window responsive while
// it waits.
#include "harvest/fetch_page.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/shop_address.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "protocol/exit_code.h"
#include "settings/settings.h"
#include "text/bytes.h"

namespace kivo {
namespace {

constexpr std::int64_t kFetchSpacingMs = 900;
constexpr int kPollMs = 100;
constexpr int kSettleRounds = 5;
// Fetches from the shop in a row that got no answer at all, after which the
// shop is taken to be down.
constexpr int kNoAnswerLimit = 3;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsWith(const std::string& text, const char* end) {
  const std::string_view tail(end);
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The folder part of a path, with its trailing separator (or drive colon
// on Windows).
std::string FolderOf(const std::string& path) {
  return path.substr(0, FolderPartLength(path, platform::PathDelimiters()));
}

// Exit codes of RunAndWaitIn beyond the command's own.
constexpr int kOverran = -3;
constexpr int kNotStarted = -2;
constexpr int kKilled = -1;

// The command runs in the program's folder, so that the download helper
// beside the program is the one found. With `stop` given, a stop requested
// meanwhile ends the command at once; with `limit_ms`, a command that has
// not ended after that long is ended. The time is the sum of the waits
// between the looks, each of which lasts at least its time, so a clock that
// is set meanwhile changes nothing. Returns the process's exit code,
// kNotStarted, kKilled or kOverran.
int RunAndWaitIn(RunHost& host, const std::string& command_line, const std::string& folder,
                 const bool* stop = nullptr, std::int64_t limit_ms = 0) {
  const auto process = host.StartProcess(command_line, folder);
  if (!process) return kNotStarted;
  std::int64_t waited_ms = 0;
  bool ended;
  do {
    ended = process->Ended();
    host.Sleep(kPollMs);
    waited_ms += kPollMs;
    host.HandleMessages();
    if (!ended && stop != nullptr && *stop) {
      process->Kill();
      return kKilled;
    }
    if (!ended && limit_ms > 0 && waited_ms >= limit_ms) {
      process->Kill();
      return kOverran;
    }
  } while (!ended);
  return process->ExitCode();
}

// Reads and removes the note. Only the first lines of a note are read: the
// helper writes a few bytes.
FailureNote TakeFailureNote(const std::string& file) {
  const std::string path = file + protocol::kFailureNoteSuffix;
  FailureNote note;
  std::string text;
  if (!platform::ReadFile(path, text)) return note;
  platform::DeleteFile(path);
  text.resize(std::min<std::size_t>(text.size(), 1024));
  const std::string status_key = std::string(protocol::kNoteStatusKey) + "=";
  const std::string host_key = std::string(protocol::kNoteHostKey) + "=";
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.rfind(status_key, 0) == 0) {
      const std::string digits = line.substr(status_key.size());
      if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(), IsDigit)) {
        const int status = std::stoi(digits);
        if (status >= 100 && status <= 599) note.status = status;
      }
    } else if (line.rfind(host_key, 0) == 0) {
      note.host = ShowableHost(line.substr(host_key.size()));
    }
    start = end + 1;
  }
  return note;
}

// The log line of a fetch that failed: its kind in words, whether the next
// run tries again, and the address.
std::string FailureLine(FetchOutcome outcome, bool unfetchable, const FailureNote& note,
                        const std::string& address) {
  std::string kind;
  bool retried = true;
  switch (outcome) {
    case FetchOutcome::kNotFound:
      kind = unfetchable ? texts::kFailUnfetchable : texts::kFailGone;
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

bool IsHostByte(char c) { return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' || c == '.'; }

// Milliseconds between two date-times, rounded: the clock counts whole
// milliseconds, and rounding keeps a wait of exactly 900 ms from reading as
// 899.9999.
std::int64_t MillisecondsBetween(double earlier, double later) {
  return std::llround((later - earlier) * kMillisecondsPerDay);
}

}  // namespace

FetchOutcome OutcomeOfExitCode(int exit_code) {
  if (exit_code == kKilled) return FetchOutcome::kStopped;
  if (exit_code == kNotStarted) return FetchOutcome::kNotStarted;
  if (exit_code == kOverran) return FetchOutcome::kTimedOut;
  switch (static_cast<protocol::ExitCode>(exit_code)) {
    case protocol::ExitCode::kComplete:
      return FetchOutcome::kComplete;
    // The helper refused the line: it would refuse it every time.
    case protocol::ExitCode::kRefused:
    case protocol::ExitCode::kGone:
      return FetchOutcome::kNotFound;
    case protocol::ExitCode::kNoAnswer:
      return FetchOutcome::kNoAnswer;
    case protocol::ExitCode::kLocal:
      return FetchOutcome::kNotWritten;
    case protocol::ExitCode::kCutBody:
      return FetchOutcome::kCutBody;
    case protocol::ExitCode::kTooSlow:
      return FetchOutcome::kTooSlow;
    case protocol::ExitCode::kCertificate:
      return FetchOutcome::kCertificate;
    case protocol::ExitCode::kProxyAuth:
      return FetchOutcome::kProxyAuth;
    case protocol::ExitCode::kRedirectRefused:
      return FetchOutcome::kRedirectRefused;
    default:
      return FetchOutcome::kFailed;
  }
}

std::string ShowableHost(const std::string& value) {
  std::string host = ascii::Lowered(value);
  if (host.empty() || host.size() > 253) return std::string();
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    const bool address = std::all_of(host.begin() + 1, host.end() - 1, [](char c) {
      return IsDigit(c) || (c >= 'a' && c <= 'f') || c == ':' || c == '.';
    });
    return address ? host : std::string();
  }
  return std::all_of(host.begin(), host.end(), IsHostByte) ? host : std::string();
}

void ReportRedirectedDetails(const FetchTally& tally, HarvestView& view) {
  if (tally.detail_fetches == 0 || tally.detail_redirects < tally.detail_fetches) return;
  std::string hosts;
  for (const std::string& host : tally.redirect_hosts) {
    if (!hosts.empty()) hosts += ", ";
    hosts += host;
  }
  view.ShowError(texts::kDetailsRedirected + (hosts.empty() ? std::string("?") : hosts));
}

void RunAndWait(RunHost& host, const std::string& command_line, int /*show_mode*/) {
  // The process layer starts every command hidden; the show mode has
  // nothing left to choose.
  RunAndWaitIn(host, command_line, FolderOf(platform::ProgramPath()));
}

void WaitSeconds(RunHost& host, double seconds) {
  const double slices = std::floor(seconds * 100.0);
  if (!(slices >= 1)) return;  // also NaN
  const std::int64_t n =
      slices > 1e9 ? std::int64_t{1000000000} : static_cast<std::int64_t>(slices);
  for (std::int64_t i = 0; i < n; ++i) {
    host.Sleep(10);
    host.HandleMessages();
  }
}

bool SameFileContents(const std::string& x, const std::string& y) {
  if (!platform::FileExists(x) || !platform::FileExists(y)) return false;
  // Files are read through the platform seam, which opens Shift-JIS paths
  // on every system; the listing pages compared here are small.
  std::string a, b;
  if (!platform::ReadFile(x, a)) throw std::runtime_error(x);
  if (!platform::ReadFile(y, b)) throw std::runtime_error(y);
  return a == b;
}

int THarvest::FetchPage(const std::string& address, const std::string& file) {
  last_fetch_outcome_ = FetchOutcome::kNotRun;
  if (State.FStopRequested) return 0;

  // A clock set back would hold every fetch until it caught up again; the
  // spacing is then counted from now instead.
  if (Host.Now() < State.FLastFetch) State.FLastFetch = Host.Now();
  while (MillisecondsBetween(State.FLastFetch, Host.Now()) < kFetchSpacingMs) {
    PumpMessages(Host);
    if (State.FStopRequested) return 0;
    Host.Sleep(kPollMs);
  }
  State.FLastFetch = Host.Now();

  // An address or path that cannot be passed safely starts nothing; the
  // file is measured all the same, as after a command that wrote nothing.
  const std::string command_line = protocol::BuildFetchCommandLine(address, file);
  FailureNote note;
  if (command_line.empty()) {
    last_fetch_outcome_ = FetchOutcome::kNotFound;
  } else {
    // A note left by a helper that was ended would be read as this one's.
    platform::DeleteFile(file + protocol::kFailureNoteSuffix);
    const int exit_code = RunAndWaitIn(Host, command_line, FolderOf(ProgramPath),
                                       &State.FStopRequested, kHelperTimeLimitMs);
    last_fetch_outcome_ = OutcomeOfExitCode(exit_code);
    // A helper ended part way leaves its temporary file beside the target
    // (on Windows it gets no chance to remove it itself).
    if (exit_code == kKilled || exit_code == kOverran) {
      platform::DeleteFile(file + kPartialSuffix);
    }
    note = TakeFailureNote(file);
  }

  const std::int64_t size = platform::FileSize(file);
  int result = 0;
  if (size > std::numeric_limits<std::int32_t>::max()) {
    result = std::numeric_limits<std::int32_t>::max();
  } else if (size > 0) {
    result = static_cast<int>(size);
  }
  // A helper that says it succeeded but left nothing has not brought the
  // page: that is worth another try, not a mark as fetched.
  if (last_fetch_outcome_ == FetchOutcome::kComplete && result == 0) {
    last_fetch_outcome_ = FetchOutcome::kFailed;
  }
  NoteShopAnswer(address);
  NoteFailure(address, file, command_line.empty(), note);
  if (last_fetch_outcome_ == FetchOutcome::kNotStarted && !helper_missing_) {
    // Nothing at all can be fetched: say so where the user looks, and end
    // the run as Stop does rather than fail every page in silence.
    helper_missing_ = true;
    State.FStopRequested = true;
    View.ShowError(texts::kHelperNotStarted);
  }
  if (State.FStopRequested) return result;

  PumpMessages(Host);
  for (int i = 0; i < kSettleRounds && !State.FStopRequested; ++i) {
    PumpMessages(Host);
    Host.Sleep(kPollMs);
  }
  return result;
}

void THarvest::NoteShopAnswer(const std::string& address) {
  // Only the shop's own pages tell whether the shop answers; a cover on
  // another host neither counts nor breaks the count.
  if (!OnShopHost(address, BaseUrl)) return;
  if (last_fetch_outcome_ == FetchOutcome::kNotRun ||
      last_fetch_outcome_ == FetchOutcome::kStopped ||
      last_fetch_outcome_ == FetchOutcome::kNotStarted) {
    return;
  }
  // A helper that had to be ended heard nothing in a minute and a half:
  // as silent a shop as one that does not answer at all.
  if (last_fetch_outcome_ != FetchOutcome::kNoAnswer &&
      last_fetch_outcome_ != FetchOutcome::kTimedOut) {
    no_answer_count_ = 0;
    return;
  }
  if (++no_answer_count_ < kNoAnswerLimit || shop_down_) return;
  // Every further fetch would wait out its time limit as well: end the run
  // as Stop does, so the history is still saved, and let the next run try.
  shop_down_ = true;
  State.FStopRequested = true;
  LogFile1.WriteLog(texts::kShopNotAnswering, true);
}

void THarvest::NoteFailure(const std::string& address, const std::string& file, bool unfetchable,
                           const FailureNote& note) {
  const FetchOutcome outcome = last_fetch_outcome_;
  if (EndsWith(file, kDetailFileName) && outcome != FetchOutcome::kNotRun) {
    ++fetch_tally_.detail_fetches;
    if (outcome == FetchOutcome::kRedirectRefused) {
      ++fetch_tally_.detail_redirects;
      auto& hosts = fetch_tally_.redirect_hosts;
      if (!note.host.empty() && hosts.size() < 3 &&
          std::find(hosts.begin(), hosts.end(), note.host) == hosts.end()) {
        hosts.push_back(note.host);
      }
    }
  }
  if (BroughtPage(outcome) || outcome == FetchOutcome::kNotRun ||
      outcome == FetchOutcome::kNotStarted) {
    return;  // the helper's own absence is told once, where it is found
  }
  LogFile1.WriteLog(FailureLine(outcome, unfetchable, note, address), false);
  // Every further fetch from the shop would fail the same way: end the run
  // as Stop does, and say why where the user looks. Another host's
  // certificate costs only what it serves (a cover).
  if ((outcome == FetchOutcome::kCertificate || outcome == FetchOutcome::kProxyAuth) &&
      OnShopHost(address, BaseUrl) && !fetch_tally_.fetching_blocked) {
    fetch_tally_.fetching_blocked = true;
    State.FStopRequested = true;
    View.ShowError(outcome == FetchOutcome::kCertificate ? texts::kCertificateUnverified
                                                         : texts::kProxyAuthRequired);
  }
}

}  // namespace kivo
