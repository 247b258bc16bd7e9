#include "request.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "protocol/command_line.h"
#include "protocol/politeness.h"

namespace kivo::fetch {
namespace {

// A time limit in seconds from the environment, or the fallback when the
// variable is unset or not a positive number of seconds.
long TimeLimitMs(const Environment& environment, const char* variable, long fallback_ms,
                 std::vector<std::string>& warnings) {
  const char* value = environment(variable);
  if (value == nullptr || *value == '\0') return fallback_ms;
  char* end = nullptr;
  errno = 0;
  const double seconds = std::strtod(value, &end);
  if (end == value || *end != '\0' || errno != 0 || !(seconds > 0) || seconds > 86400) {
    warnings.push_back(std::string("ignoring ") + variable + ": not a number of seconds");
    return fallback_ms;
  }
  const long ms = std::lround(seconds * 1000);
  return ms < 1 ? 1 : ms;
}

}  // namespace

bool ReadRequest(const std::vector<std::string>& words, const Environment& environment,
                 FetchRequest& request, std::string& error, std::vector<std::string>& warnings) {
  protocol::DownloadCommand command;
  std::string why;
  if (!protocol::ParseDownloadCommand(protocol::JoinCommandWords(words), command, why)) {
    error = "refused command line: " + why;
    return false;
  }
  if (!protocol::NormalizeDownloadAddress(command.address, request.address, why)) {
    error = "refused address: " + why;
    return false;
  }
  request.output_path = command.output_path;
  DownloadOptions& options = request.options;
  options.connect_timeout_ms =
      TimeLimitMs(environment, kConnectTimeoutVariable, politeness::kConnectTimeoutMs, warnings);
  options.total_timeout_ms =
      TimeLimitMs(environment, kTimeoutVariable, politeness::kTransferTimeoutMs, warnings);
  options.low_speed_bytes = politeness::kLowSpeedBytes;
  options.low_speed_window_ms =
      TimeLimitMs(environment, kLowSpeedTimeVariable, politeness::kLowSpeedWindowMs, warnings);
  options.max_redirects = 10;
  return true;
}

}  // namespace kivo::fetch
