#include "harvest/fetcher.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/datetime.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "protocol/exit_code.h"
#include "protocol/politeness.h"
#include "text/bytes.h"

namespace kivo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHostByte(char c) { return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' || c == '.'; }

// Milliseconds between two date-times, rounded: the clock counts whole
// milliseconds, and rounding keeps a wait of exactly 900 ms from reading as
// 899.9999.
std::int64_t MillisecondsBetween(double earlier, double later) {
  return std::llround((later - earlier) * kMillisecondsPerDay);
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

int ClampedSize(std::int64_t size) {
  if (size > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return size > 0 ? static_cast<int>(size) : 0;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  return path.substr(0, FolderPartLength(path, platform::PathDelimiters()));
}

int RunCommand(RunHost& host, const std::string& command_line, const std::string& folder,
               const bool* stop, std::int64_t limit_ms) {
  const auto process = host.StartProcess(command_line, folder);
  if (!process) return kCommandNotStarted;
  std::int64_t waited_ms = 0;
  bool ended;
  do {
    ended = process->Ended();
    host.Sleep(politeness::kPollMs);
    waited_ms += politeness::kPollMs;
    host.HandleMessages();
    if (!ended && stop != nullptr && *stop) {
      process->Kill();
      return kCommandKilled;
    }
    if (!ended && limit_ms > 0 && waited_ms >= limit_ms) {
      process->Kill();
      return kCommandOverran;
    }
  } while (!ended);
  return process->ExitCode();
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

TFetcher::TFetcher(TRunState& state, RunHost& host, std::string program_path)
    : state_(state), host_(host), folder_(FolderOf(program_path)) {}

FetchResult TFetcher::Fetch(const std::string& address, const std::string& file) {
  FetchResult result;
  if (state_.FStopRequested) return result;

  // A clock set back would hold every fetch until it caught up again; the
  // spacing is then counted from now instead.
  if (host_.Now() < state_.FLastFetch) state_.FLastFetch = host_.Now();
  while (MillisecondsBetween(state_.FLastFetch, host_.Now()) < politeness::kFetchSpacingMs) {
    PumpMessages(host_);
    if (state_.FStopRequested) return result;
    host_.Sleep(politeness::kPollMs);
  }
  state_.FLastFetch = host_.Now();

  // An address or path that cannot be passed safely starts nothing; the
  // file is measured all the same, as after a command that wrote nothing.
  const std::string command_line = protocol::BuildFetchCommandLine(address, file);
  if (command_line.empty()) {
    result.Outcome = FetchOutcome::kNotFound;
    result.Unfetchable = true;
  } else {
    // A note left by a helper that was ended would be read as this one's.
    platform::DeleteFile(file + protocol::kFailureNoteSuffix);
    const int exit_code = RunCommand(host_, command_line, folder_, &state_.FStopRequested,
                                     politeness::kHelperTimeLimitMs);
    result.Outcome = OutcomeOfExitCode(exit_code);
    // A helper ended part way leaves its temporary file beside the target
    // (on Windows it gets no chance to remove it itself).
    if (exit_code == kCommandKilled || exit_code == kCommandOverran) {
      platform::DeleteFile(file + kPartialSuffix);
    }
    result.Note = TakeFailureNote(file);
  }
  result.Size = ClampedSize(platform::FileSize(file));
  // A helper that says it succeeded but left nothing has not brought the
  // page: that is worth another try, not a mark as fetched.
  if (result.Outcome == FetchOutcome::kComplete && result.Size == 0) {
    result.Outcome = FetchOutcome::kFailed;
  }
  return result;
}

void TFetcher::Settle() {
  if (state_.FStopRequested) return;
  const int rounds = politeness::kSettleMs / politeness::kPollMs;
  PumpMessages(host_);
  for (int i = 0; i < rounds && !state_.FStopRequested; ++i) {
    PumpMessages(host_);
    host_.Sleep(politeness::kPollMs);
  }
}

}  // namespace kivo
