// The page fetcher's words and its waiting and comparing operations: why a
// fetch ended as it did, RunAndWait, WaitSeconds and SameFileContents.
// FetchPage itself is an operation of the run (THarvest::FetchPage, over
// fetcher.h and fetch_outcomes.h).
#pragma once

#include <string>

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

// The download helper writes the page into the target's path and this, and
// renames it over the target once it is complete.
inline constexpr char kPartialSuffix[] = ".part";

// The outcome the helper's exit code (protocol/exit_code.h) stands for.
FetchOutcome OutcomeOfExitCode(int exit_code);

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
