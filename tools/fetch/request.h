// What one run of the helper is asked to do: the words of its command line
// read as the page fetcher wrote them, and the time limits, which tests
// shorten through the environment.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "download.h"

namespace kivo::fetch {

// The environment variables that shorten the limits, in seconds, and what
// they stand in for: KIVO_FETCH_CONNECT_TIMEOUT (15), KIVO_FETCH_TIMEOUT (60)
// and KIVO_FETCH_LOW_SPEED_TIME (15).
inline constexpr char kConnectTimeoutVariable[] = "KIVO_FETCH_CONNECT_TIMEOUT";
inline constexpr char kTimeoutVariable[] = "KIVO_FETCH_TIMEOUT";
inline constexpr char kLowSpeedTimeVariable[] = "KIVO_FETCH_LOW_SPEED_TIME";

struct FetchRequest {
  std::string address;      // checked and percent-encoded (protocol::NormalizeDownloadAddress)
  std::string output_path;  // as written, quotes removed
  DownloadOptions options;  // the limits; the user agent is the caller's
};

// A variable's value, or nullptr when it is not set (std::getenv).
using Environment = std::function<const char*(const char*)>;

// Reads the words after the program name (split by the Windows argument
// rules) as powershell.exe would: joined with single spaces and parsed as
// one "wget '<address>' -O '<file>'" command (protocol/command_line.h), its
// address checked. False with `error` when the line is refused: nothing is
// then to be fetched or written. The limits come from `environment`, in
// seconds; a value that is not a number of seconds from 0 to a day is
// ignored, with a line for it in `warnings`.
bool ReadRequest(const std::vector<std::string>& words, const Environment& environment,
                 FetchRequest& request, std::string& error, std::vector<std::string>& warnings);

}  // namespace kivo::fetch
