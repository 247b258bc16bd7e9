// One HTTP(S) download into a sink, implemented with libcurl on POSIX
// (posix/download_curl.cpp) and WinHTTP on Windows (win32/download_winhttp.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kivo::fetch {

struct DownloadOptions {
  std::string user_agent;
  long connect_timeout_ms = 15000;  // name lookup and connection
  long total_timeout_ms = 120000;   // the whole transfer, redirects included
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

enum class DownloadStatus {
  kComplete,        // a 2xx answer, its body complete and in the sink
  kNetworkFailure,  // no answer, an error status, a truncated body, a time limit, ...
  kSinkFailure,     // the sink refused a piece
};

// Fetches `address` (an http:// or https:// address, already checked), at
// most `max_redirects` redirects deep, never leaving http and https and never
// going from https down to http. On failure `error` says why in English.
DownloadStatus Download(const std::string& address, const DownloadOptions& options, BodySink& sink,
                        std::string& error);

}  // namespace kivo::fetch
