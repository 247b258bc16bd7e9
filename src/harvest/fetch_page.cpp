// The page fetcher: runs the download command for one address, keeps all
// fetches of the process 900 ms apart and keeps the window responsive while
// it waits.
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "harvest/fetch.h"
#include "harvest/shop_address.h"
#include "harvest/texts.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "protocol/exit_code.h"
#include "shell/form_dll.h"

namespace kivo {
namespace {

constexpr std::int64_t kFetchSpacingMs = 900;
constexpr int kPollMs = 100;
constexpr int kSettleRounds = 5;
// Fetches from the shop in a row that got no answer at all, after which the
// shop is taken to be down.
constexpr int kNoAnswerLimit = 3;
// The download helper's temporary file: the target's path and this.
constexpr char kPartialSuffix[] = ".part";

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The folder part of a path, with its trailing separator (or drive colon
// on Windows); a 0x5C second byte of a Shift-JIS character is not a
// separator.
std::string FolderOf(const std::string& path) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    // A lead byte takes only a byte that can complete it: never "/" or ":".
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size() &&
        static_cast<unsigned char>(path[i + 1]) >= 0x40) {
      ++i;
      continue;
    }
#ifdef _WIN32
    if (path[i] == ':') end = i + 1;
#endif
    if (path[i] == platform::PathSeparator() || path[i] == '/') end = i + 1;
  }
  return path.substr(0, end);
}

// The command runs in the program's folder, so that the download helper
// beside the program is the one found. With `stop` given, a stop requested
// meanwhile ends the command at once. Returns the process's exit code; -1
// when it could not be started or was ended.
int RunAndWaitIn(RunHost& host, const std::string& command_line, const std::string& folder,
                 const bool* stop = nullptr) {
  const auto process = host.StartProcess(command_line, folder);
  if (!process) return -1;
  bool ended;
  do {
    ended = process->Ended();
    host.Sleep(kPollMs);
    host.HandleMessages();
    if (!ended && stop != nullptr && *stop) {
      process->Kill();
      return -1;
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
  if (exit_code == -1) return FetchOutcome::kNotRun;
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

int TFormDLL::FetchPage(const std::string& address, const std::string& file) {
  FLastFetchOutcome = FetchOutcome::kNotRun;
  if (FStopRequested) return 0;

  // A clock set back would hold every fetch until it caught up again; the
  // spacing is then counted from now instead.
  if (Host.Now() < FLastFetch) FLastFetch = Host.Now();
  while (MillisecondsBetween(FLastFetch, Host.Now()) < kFetchSpacingMs) {
    PumpMessages(Host);
    if (FStopRequested) return 0;
    Host.Sleep(kPollMs);
  }
  FLastFetch = Host.Now();

  // An address or path that cannot be passed safely starts nothing; the
  // file is measured all the same, as after a command that wrote nothing.
  const std::string command_line = protocol::BuildFetchCommandLine(address, file);
  if (command_line.empty()) {
    FLastFetchOutcome = FetchOutcome::kNotFound;
  } else {
    const int exit_code = RunAndWaitIn(Host, command_line, FolderOf(ProgramPath), &FStopRequested);
    FLastFetchOutcome = OutcomeOfExitCode(exit_code);
    // A helper ended part way leaves its temporary file beside the target
    // (on Windows it gets no chance to remove it itself).
    if (exit_code == -1) platform::DeleteFile(file + kPartialSuffix);
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
  if (FLastFetchOutcome == FetchOutcome::kComplete && result == 0) {
    FLastFetchOutcome = FetchOutcome::kFailed;
  }
  NoteShopAnswer(address);
  if (FStopRequested) return result;

  PumpMessages(Host);
  for (int i = 0; i < kSettleRounds && !FStopRequested; ++i) {
    PumpMessages(Host);
    Host.Sleep(kPollMs);
  }
  return result;
}

void TFormDLL::NoteShopAnswer(const std::string& address) {
  // Only the shop's own pages tell whether the shop answers; a cover on
  // another host neither counts nor breaks the count.
  if (!SameOrigin(address, BaseUrl)) return;
  if (FLastFetchOutcome == FetchOutcome::kNotRun) return;
  if (FLastFetchOutcome != FetchOutcome::kNoAnswer) {
    FNoAnswerCount = 0;
    return;
  }
  if (++FNoAnswerCount < kNoAnswerLimit || FShopDown) return;
  // Every further fetch would wait out its time limit as well: end the run
  // as Stop does, so the history is still saved, and let the next run try.
  FShopDown = true;
  FStopRequested = true;
  LogFile1.WriteLog(texts::kShopNotAnswering, true);
}

}  // namespace kivo
