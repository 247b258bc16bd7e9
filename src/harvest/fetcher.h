// One fetch: the spacing from the fetch before, the download helper started
// in the program's folder and waited for, its failure note read, and the
// file measured. It knows nothing of runs, days or titles: what a fetch's
// outcome means for the run is fetch_outcomes.h's.
#pragma once

#include <cstdint>
#include <string>

#include "harvest/fetch_page.h"
#include "harvest/run_state.h"
#include "platform/run_host.h"

namespace kivo {

// What the failure note the helper leaves beside a failed fetch's file says
// (protocol/exit_code.h), as far as it may be shown.
struct FailureNote {
  int status = 0;    // the answer's status, 100 to 599; 0 when the note gives none
  std::string host;  // a refused redirect's host, when ShowableHost allows it; else ""
};

struct FetchResult {
  // The file's size afterwards (clamped to 32 bits), 0 when it is absent.
  int Size = 0;
  FetchOutcome Outcome = FetchOutcome::kNotRun;
  FailureNote Note;
  // The address or path could not be passed to the helper: nothing started.
  bool Unfetchable = false;
};

class TFetcher {
 public:
  // The helper is started in the folder of `program_path`, where it is found
  // first. The run state gives the stop flag and the last fetch's start.
  TFetcher(TRunState& state, RunHost& host, std::string program_path);

  // A stop already requested: kNotRun, nothing else. Otherwise waits until
  // politeness::kFetchSpacingMs have passed since the last fetch began
  // (counted from now when the clock was set back), handling messages; a
  // stop meanwhile gives kNotRun. Then starts the helper for `address` into
  // `file` and polls it every politeness::kPollMs, handling messages: a stop
  // ends it at once (kStopped), and so does a helper that overruns
  // (kTimedOut after politeness::kHelperTimeLimitMs). A helper that reports success but leaves no
  // file is kFailed. The size is measured in every case but kNotRun.
  FetchResult Fetch(const std::string& address, const std::string& file);
  // The settling after a fetch: the window is kept responsive for
  // politeness::kSettleMs, unless a stop is requested.
  void Settle();

 private:
  TRunState& state_;
  RunHost& host_;
  const std::string folder_;
};

// Exit codes of RunCommand beyond the command's own.
inline constexpr int kCommandOverran = -3;
inline constexpr int kCommandNotStarted = -2;
inline constexpr int kCommandKilled = -1;

// Starts `command_line` in `folder` and polls it every politeness::kPollMs,
// handling messages, until it ends. With `stop`, a stop requested meanwhile
// ends it at once; with `limit_ms`, so does that much polling (the sum of
// the waits, so a clock set meanwhile changes nothing). Returns the
// process's exit code, kCommandNotStarted, kCommandKilled or
// kCommandOverran.
int RunCommand(RunHost& host, const std::string& command_line, const std::string& folder,
               const bool* stop = nullptr, std::int64_t limit_ms = 0);

// The folder part of a path, with its trailing separator (or drive colon
// on Windows).
std::string FolderOf(const std::string& path);

// The host named by a failure note's "host=" value when it is one that may
// be shown: a name of ASCII letters, digits, "-" and "." or an address (an
// IPv6 one in brackets), at most 253 bytes, in lower case; else "".
std::string ShowableHost(const std::string& value);

}  // namespace kivo
