// Waiting and comparing operations of the page fetcher. FetchPage itself is
// an operation of the plugin window (TFormDLL), since it keeps the run
// state's last fetch time.
#pragma once

#include <string>
#include <vector>

#include "harvest/harvest_view.h"
#include "platform/run_host.h"

namespace kivo {

// Why the last fetch ended as it did, read from the download helper's exit
// code. Only kNotFound is the shop's own word that the page does not exist;
// every other failure may go away, so the title is asked for again later.
enum class FetchOutcome {
  kComplete,         // the file holds the whole answer
  kNotFound,         // the shop answered 404 or 410, or the address cannot be fetched at all
  kFailed,           // the shop answered but not with the page (an error status, an empty answer)
  kNoAnswer,         // no answer at all: no connection, or none before the time limit
  kStopped,          // a stop ended the download part way
  kNotStarted,       // the download helper could not be started
  kNotRun,           // nothing was fetched: a stop had been requested before
  kCutBody,          // the answer's body was cut short
  kTooSlow,          // the answer came too slowly, or not within the helper's time limit
  kCertificate,      // the shop's secure connection could not be verified
  kProxyAuth,        // the proxy wants credentials
  kRedirectRefused,  // the shop sent the fetch to another host, which was not asked
  kTimedOut,         // the helper ran past its time limit and the margin, and was ended
  kNotWritten,       // the page could not be written into its file
};

// True when the fetch brought the page: the file holds the whole answer.
// Every other outcome but kNotRun is a fetch that failed.
inline bool BroughtPage(FetchOutcome outcome) { return outcome == FetchOutcome::kComplete; }

// How long the plugin lets the helper run before it ends it: the helper's
// own limit (60 s, a Retry-After wait included) and a margin. A helper that
// overruns it is stuck (stopped by the system, a name lookup that ignores
// its time limit) and must not hold the run for ever.
inline constexpr int kHelperTimeLimitMs = 90000;

// What the failure note the helper leaves beside a failed fetch's file says
// (protocol/exit_code.h), as far as it may be shown.
struct FailureNote {
  int status = 0;    // the answer's status, 100 to 599; 0 when the note gives none
  std::string host;  // a refused redirect's host, when ShowableHost allows it; else ""
};

// What the fetches of one run have met that the run's end must tell.
struct FetchTally {
  // A fetch from the shop failed in a way every further one would (a
  // certificate that cannot be verified, a proxy that wants credentials):
  // the run was ended and the user told why.
  bool fetching_blocked = false;
  // Detail pages asked for, and those of them whose redirect to another
  // host was refused, with the hosts they were sent to (each once).
  int detail_fetches = 0;
  int detail_redirects = 0;
  std::vector<std::string> redirect_hosts;
};

// The download helper writes the page into the target's path and this, and
// renames it over the target once it is complete.
inline constexpr char kPartialSuffix[] = ".part";

// The outcome the helper's exit code (protocol/exit_code.h) stands for.
FetchOutcome OutcomeOfExitCode(int exit_code);

// When every detail page the run asked for was sent to another host, says
// so in the status bar and the log, naming the hosts.
void ReportRedirectedDetails(const FetchTally& tally, HarvestView& view);

// The host named by a failure note's "host=" value when it is one that may
// be shown: a name of ASCII letters, digits, "-" and "." or an address (an
// IPv6 one in brackets), at most 253 bytes, in lower case; else "".
std::string ShowableHost(const std::string& value);

// Starts the command in the program's folder and returns when it has ended,
// handling window messages at least every 100 ms meanwhile. A command that
// cannot be started returns at once.
void RunAndWait(RunHost& host, const std::string& command_line, int show_mode);

// Waits `seconds` in 10 ms slices, handling window messages after each.
void WaitSeconds(RunHost& host, double seconds);

// True when both files exist and have the same bytes. Throws
// std::runtime_error when a file exists but cannot be read.
bool SameFileContents(const std::string& x, const std::string& y);

}  // namespace kivo
