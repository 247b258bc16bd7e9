// The download helper, installed as "powershell" / "powershell.exe" beside
// the program, where the program's process search finds it before any real
// PowerShell. It answers the one command line the page fetcher sends,
//     powershell wget '<address>' -O '<file>'
// and nothing else: the line is read as PowerShell would read it, but never
// run by a shell (request.h).
//
// It ends with one of the exit codes of protocol/exit_code.h, the plugin's
// reason to try a page again or not, and leaves the failure note beside the
// output file where the code alone does not tell enough. A signal
// (SIGTERM, SIGINT, SIGHUP, SIGQUIT) ends it at once with 128 + the
// signal's number. Its portable logic is the library kivo_fetch; this file
// joins it to the system's downloader, output file and process.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "capped_sink.h"
#include "command_words.h"
#include "download.h"
#include "failure_note.h"
#include "output_file.h"
#include "parent.h"
#include "platform/platform.h"
#include "polite_download.h"
#include "protocol/exit_code.h"
#include "request.h"

#ifndef KIVO_FETCH_VERSION
#define KIVO_FETCH_VERSION "0"
#endif

namespace kivo::fetch {
namespace {

using protocol::ExitCode;

void Complain(const std::string& message) {
  std::fprintf(stderr, "kivo fetch: %s\n", message.c_str());
}

DownloadSystem TheSystem() {
  DownloadSystem system;
  system.download = Download;
  system.sleep = [](long ms) { platform::SleepMilliseconds(static_cast<int>(ms)); };
  system.now_utc_seconds = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
  system.elapsed_ms = [] {
    return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
  };
  system.complain = Complain;
  return system;
}

ExitCode Run(int argc, char** argv) {
  RememberParent();
  FetchRequest request;
  std::string error;
  std::vector<std::string> warnings;
  const auto environment = [](const char* name) -> const char* { return std::getenv(name); };
  const bool read = ReadRequest(CommandWords(argc, argv), environment, request, error, warnings);
  for (const std::string& warning : warnings) Complain(warning);
  if (!read) {
    Complain(error);
    Complain("usage: powershell wget '<address>' -O '<file>'");
    return ExitCode::kRefused;
  }
  request.options.user_agent = "kivo/" KIVO_FETCH_VERSION " (+Quillcast plugin)";

  OutputFile output;
  if (!output.Open(request.output_path, error)) {
    Complain(error);
    return ExitCode::kLocal;
  }
  // A note of an earlier download goes now: whatever this one tells is new.
  LeaveFailureNote(request.output_path, std::string());
  CappedSink sink(output, kMaxBodyBytes);
  DownloadAnswer answer;
  const DownloadStatus status =
      DownloadPolitely(TheSystem(), request.address, request.options, sink, answer, error);
  if (status == DownloadStatus::kComplete) {
    if (!output.Finish(error)) {
      Complain(error);
      return ExitCode::kLocal;
    }
    if (!ParentRuns()) {
      output.Discard();
      Complain("the program that started the helper has ended; the output file is left as it was");
      return ExitCode::kParentGone;
    }
    if (!output.Commit(error)) {
      Complain(error);
      return ExitCode::kLocal;
    }
    return ExitCode::kComplete;
  }
  output.Discard();
  Complain(error);
  if (status == DownloadStatus::kSinkFailure && sink.too_large()) {
    Complain("answer larger than the limit of " + std::to_string(kMaxBodyBytes) + " bytes");
    return ExitCode::kFailed;
  }
  const ExitCode code = ExitCodeOf(status);
  LeaveFailureNote(request.output_path, FailureNoteText(code, answer));
  return code;
}

}  // namespace
}  // namespace kivo::fetch

int main(int argc, char** argv) { return static_cast<int>(kivo::fetch::Run(argc, argv)); }
