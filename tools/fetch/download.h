// One HTTP(S) download into a sink, implemented with libcurl on POSIX
// (posix/download_curl.cpp) and WinHTTP on Windows (win32/download_winhttp.cpp).
// Both classify failures the same way, so that the helper's exit code means
// the same on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/politeness.h"

namespace kivo::fetch {

struct DownloadOptions {
  std::string user_agent;
  long connect_timeout_ms = politeness::kConnectTimeoutMs;  // name lookup and connection
  long total_timeout_ms = politeness::kTransferTimeoutMs;  // the whole transfer, redirects included
  // A transfer that moves fewer than `low_speed_bytes` bytes a second for
  // `low_speed_window_ms` is ended. This includes the wait for the answer.
  long low_speed_bytes = politeness::kLowSpeedBytes;
  long low_speed_window_ms = politeness::kLowSpeedWindowMs;
  int max_redirects = 10;
};

// Receives the body of the final answer, piece by piece. Only a 2xx answer's
// body reaches the sink; the bodies of redirects and of error answers do not.
class BodySink {
 public:
  virtual ~BodySink() = default;
  // False stops the transfer (Download then returns kSinkFailure).
  virtual bool Write(const char* data, std::size_t size) = 0;
};

// The redirect statuses that are followed when they name a Location. Other
// 3xx answers (300 Multiple Choices, 304 Not Modified, 305) end the download
// as failures.
inline bool IsFollowedRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A page that does not exist, as opposed to one that cannot be had now.
inline bool IsGoneStatus(long status) { return status == 404 || status == 410; }

enum class DownloadStatus {
  kComplete,         // a 2xx answer, its body complete and in the sink
  kFailed,           // the shop answered, but not with a 2xx body it could
                     // use: an error status (not 404, 410, 407), too many
                     // redirects, a body that cannot be decoded, ...
  kGone,             // the (final) answer was 404 or 410
  kNoAnswer,         // no answer at all: no name, no connection, a connection
                     // closed or a time limit reached before any status line
  kSinkFailure,      // the sink refused a piece
  kCutBody,          // a 2xx body that ended before its end
  kTooSlow,          // a time limit reached after the answer began
  kCertificate,      // the secure connection could not be verified
  kProxyAuth,        // a proxy wants credentials (407) that were not given
  kRedirectRefused,  // a redirect that leaves the host, or https, or http(s)
};

// What the last answer said, for the caller's retry decision and the
// failure note.
struct DownloadAnswer {
  long status = 0;           // the status of the last answer; 0 when there was none
  std::string retry_after;   // that answer's Retry-After header, empty when it had none
  std::string refused_host;  // kRedirectRefused: the host the redirect led to
};

// Fetches `address` (an http:// or https:// address, already checked), at
// most `max_redirects` redirects deep, following them only on the host of
// `address` and never from https down to http (redirects.h). TLS is always
// verified against the system's certificate store; the system's proxy
// settings apply (the environment on POSIX, as curl reads it; the user's
// Internet Options on Windows), except to this machine itself. On failure
// `error` says why in English.
DownloadStatus Download(const std::string& address, const DownloadOptions& options, BodySink& sink,
                        DownloadAnswer& answer, std::string& error);

}  // namespace kivo::fetch
