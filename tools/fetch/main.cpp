// The download helper, installed as "powershell" / "powershell.exe" beside
// the program, where the program's process search finds it before any real
// PowerShell. It answers the one command line the page fetcher sends,
//     powershell wget '<address>' -O '<file>'
// and nothing else: the line is read as PowerShell would read it, but never
// run by a shell.
//
// It ends with one of the exit codes of protocol/exit_code.h, the plugin's
// reason to try a page again or not, and leaves the failure note beside the
// output file where the code alone does not tell enough. A signal (SIGTERM, SIGINT, SIGHUP,
// SIGQUIT) ends it at once with 128 + the signal's number.
//
// A 429 or 503 answer whose Retry-After asks for at most 30 seconds (as
// seconds or as an HTTP date) is waited out and asked once more; anything
// else about it is ExitCode::kFailed. The whole download, the wait
// included, has 60 s.
//
// Tests shorten the limits through the environment, in seconds:
// KIVO_FETCH_CONNECT_TIMEOUT (15), KIVO_FETCH_TIMEOUT (60) and
// KIVO_FETCH_LOW_SPEED_TIME (15).
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "command_words.h"
#include "download.h"
#include "failure_note.h"
#include "output_file.h"
#include "parent.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "protocol/exit_code.h"
#include "protocol/retry_after.h"

#ifndef KIVO_FETCH_VERSION
#define KIVO_FETCH_VERSION "0"
#endif

namespace kivo::fetch {
namespace {

using protocol::ExitCode;

// The longest Retry-After that is waited out; a shop that asks for more is
// left for the next run.
constexpr long kMaxRetryAfterSeconds = 30;

// Pages and cover images are far smaller; the cap only keeps a hostile or
// broken server from filling the disk within the time limit.
constexpr std::uint64_t kMaxBodyBytes = 256ull * 1024 * 1024;

void Complain(const std::string& message) {
  std::fprintf(stderr, "kivo fetch: %s\n", message.c_str());
}

// A time limit in seconds from the environment (tests shorten them), or the
// fallback when the variable is unset or not a positive number.
long TimeLimitMs(const char* variable, long fallback_ms) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return fallback_ms;
  char* end = nullptr;
  errno = 0;
  const double seconds = std::strtod(value, &end);
  if (end == value || *end != '\0' || errno != 0 || !(seconds > 0) || seconds > 86400) {
    Complain(std::string("ignoring ") + variable + ": not a number of seconds");
    return fallback_ms;
  }
  const long ms = std::lround(seconds * 1000);
  return ms < 1 ? 1 : ms;
}

class CappedSink : public BodySink {
 public:
  CappedSink(BodySink& inner, std::uint64_t limit) : inner_(inner), limit_(limit) {}
  bool Write(const char* data, std::size_t size) override {
    if (size > limit_ - written_) {
      too_large_ = true;
      return false;
    }
    written_ += size;
    return inner_.Write(data, size);
  }
  bool too_large() const { return too_large_; }

 private:
  BodySink& inner_;
  std::uint64_t limit_;
  std::uint64_t written_ = 0;
  bool too_large_ = false;
};

long ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - since)
                               .count());
}

// Download, but a shop that asks us to come back shortly (429 or 503 with a
// short Retry-After) is given that time and asked once more, within the
// same total time limit.
DownloadStatus DownloadPolitely(const std::string& address, DownloadOptions options, BodySink& sink,
                                DownloadAnswer& answer, std::string& error) {
  const auto started = std::chrono::steady_clock::now();
  const DownloadStatus status = Download(address, options, sink, answer, error);
  if (status != DownloadStatus::kFailed || (answer.status != 429 && answer.status != 503)) {
    return status;
  }
  const std::optional<std::int64_t> wait_s = protocol::RetryAfterSeconds(
      answer.retry_after, static_cast<std::int64_t>(std::time(nullptr)));
  if (!wait_s) {
    error += answer.retry_after.empty() ? ", no Retry-After" : ", unreadable Retry-After";
    return status;
  }
  if (*wait_s > kMaxRetryAfterSeconds) {
    error += ", Retry-After of " + std::to_string(*wait_s) + " s is too long to wait";
    return status;
  }
  const long wait_ms = static_cast<long>(*wait_s) * 1000;
  const long left_ms = options.total_timeout_ms - ElapsedMs(started) - wait_ms;
  if (left_ms <= 0) {
    error += ", Retry-After of " + std::to_string(*wait_s) + " s is beyond the time limit";
    return status;
  }
  Complain(error + "; asking again in " + std::to_string(*wait_s) + " s, as the shop asks");
  if (wait_ms > 0) platform::SleepMilliseconds(static_cast<int>(wait_ms));
  options.total_timeout_ms = options.total_timeout_ms - ElapsedMs(started);
  if (options.total_timeout_ms < 1) options.total_timeout_ms = 1;
  error.clear();
  return Download(address, options, sink, answer, error);
}

ExitCode Run(int argc, char** argv) {
  RememberParent();
  const std::string command = protocol::JoinCommandWords(CommandWords(argc, argv));
  protocol::DownloadCommand request;
  std::string error;
  if (!protocol::ParseDownloadCommand(command, request, error)) {
    Complain("refused command line: " + error);
    Complain("usage: powershell wget '<address>' -O '<file>'");
    return ExitCode::kRefused;
  }
  std::string address;
  if (!protocol::NormalizeDownloadAddress(request.address, address, error)) {
    Complain("refused address: " + error);
    return ExitCode::kRefused;
  }

  DownloadOptions options;
  options.user_agent = "kivo/" KIVO_FETCH_VERSION " (+Quillcast plugin)";
  options.connect_timeout_ms = TimeLimitMs("KIVO_FETCH_CONNECT_TIMEOUT", 15000);
  options.total_timeout_ms = TimeLimitMs("KIVO_FETCH_TIMEOUT", 60000);
  options.low_speed_bytes = 1024;
  options.low_speed_window_ms = TimeLimitMs("KIVO_FETCH_LOW_SPEED_TIME", 15000);
  options.max_redirects = 10;

  OutputFile output;
  if (!output.Open(request.output_path, error)) {
    Complain(error);
    return ExitCode::kLocal;
  }
  // A note of an earlier download goes now: whatever this one tells is new.
  LeaveFailureNote(request.output_path, std::string());
  CappedSink sink(output, kMaxBodyBytes);
  DownloadAnswer answer;
  const DownloadStatus status = DownloadPolitely(address, options, sink, answer, error);
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
