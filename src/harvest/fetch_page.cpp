// FetchPage: one fetch through the fetcher, its outcome taken by the run,
// then the settling; and the waiting and comparing operations.
#include "harvest/fetch_page.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "harvest/fetcher.h"
#include "harvest/harvest.h"
#include "platform/platform.h"
#include "protocol/exit_code.h"

namespace kivo {

FetchOutcome OutcomeOfExitCode(int exit_code) {
  if (exit_code == kCommandKilled) return FetchOutcome::kStopped;
  if (exit_code == kCommandNotStarted) return FetchOutcome::kNotStarted;
  if (exit_code == kCommandOverran) return FetchOutcome::kTimedOut;
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

void RunAndWait(RunHost& host, const std::string& command_line, int /*show_mode*/) {
  // The process layer starts every command hidden; the show mode has
  // nothing left to choose.
  RunCommand(host, command_line, FolderOf(platform::ProgramPath()));
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
  return Fetch(address, file).Size;
}

FetchResult THarvest::Fetch(const std::string& address, const std::string& file, bool detail) {
  const FetchResult result = fetcher_.Fetch(address, file);
  outcomes_.Take(address, detail, result);
  fetcher_.Settle();
  return result;
}

}  // namespace kivo
