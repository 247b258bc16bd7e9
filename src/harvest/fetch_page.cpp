// The page fetcher: runs the download command for one address, keeps all
// fetches of the process 900 ms apart and keeps the window responsive while
// it waits.
#include "harvest/fetch_page.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "harvest/shop_address.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "protocol/exit_code.h"
#include "text/bytes.h"

namespace kivo {
namespace {

constexpr std::int64_t kFetchSpacingMs = 900;
constexpr int kPollMs = 100;
constexpr int kSettleRounds = 5;
// Fetches from the shop in a row that got no answer at all, after which the
// shop is taken to be down.
constexpr int kNoAnswerLimit = 3;

// The folder part of a path, with its trailing separator (or drive colon
// on Windows).
std::string FolderOf(const std::string& path) {
  return path.substr(0, FolderPartLength(path, platform::PathDelimiters()));
}

// Exit codes of RunAndWaitIn beyond the command's own.
constexpr int kNotStarted = -2;
constexpr int kKilled = -1;

// The command runs in the program's folder, so that the download helper
// beside the program is the one found. With `stop` given, a stop requested
// meanwhile ends the command at once. Returns the process's exit code,
// kNotStarted or kKilled.
int RunAndWaitIn(RunHost& host, const std::string& command_line, const std::string& folder,
                 const bool* stop = nullptr) {
  const auto process = host.StartProcess(command_line, folder);
  if (!process) return kNotStarted;
  bool ended;
  do {
    ended = process->Ended();
    host.Sleep(kPollMs);
    host.HandleMessages();
    if (!ended && stop != nullptr && *stop) {
      process->Kill();
      return kKilled;
    }
  } while (!ended);
  return process->ExitCode();
}

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
  switch (static_cast<protocol::ExitCode>(exit_code)) {
    case protocol::ExitCode::kComplete:
      return FetchOutcome::kComplete;
    // The helper refused the line: it would refuse it every time.
    case protocol::ExitCode::kRefused:
    case protocol::ExitCode::kGone:
      return FetchOutcome::kNotFound;
    case protocol::ExitCode::kNoAnswer:
      return FetchOutcome::kNoAnswer;
    default:
      return FetchOutcome::kFailed;
  }
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
  if (command_line.empty()) {
    last_fetch_outcome_ = FetchOutcome::kNotFound;
  } else {
    const int exit_code =
        RunAndWaitIn(Host, command_line, FolderOf(ProgramPath), &State.FStopRequested);
    last_fetch_outcome_ = OutcomeOfExitCode(exit_code);
    // A helper ended part way leaves its temporary file beside the target
    // (on Windows it gets no chance to remove it itself).
    if (exit_code == kKilled) platform::DeleteFile(file + kPartialSuffix);
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
  if (last_fetch_outcome_ != FetchOutcome::kNoAnswer) {
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

}  // namespace kivo
