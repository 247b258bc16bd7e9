// The time limits of one download on WinHTTP, and the words for its
// errors.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>

#include "download.h"

namespace kivo::fetch {

// "<step>: <what went wrong> (WinHTTP error <code>)".
std::string Describe(const char* step, DWORD code);

// Sets a number option of a WinHTTP handle.
void SetNumber(HINTERNET handle, DWORD option, DWORD value);

// The time limits of one download. WinHTTP itself only limits single waits,
// so each wait is given what is left of the total limit, and no more than
// the low-speed rule allows: in each window of `window_ms` (fixed windows,
// from the first request on) at least `bytes_per_window` bytes must arrive,
// the wait for the answer included.
class Limits {
 public:
  Limits(const DownloadOptions& options, ULONGLONG now);

  void Received(std::uint64_t bytes) { bytes_in_window_ += bytes; }

  // Lets the next wait on `request` last only as long as the limits allow.
  // False with `error` when a limit has been reached.
  bool LimitWait(HINTERNET request, std::string& error);

  // Why a wait failed with `code`: a time-out before the total limit is the
  // low-speed rule's (or, while connecting, the connect limit's).
  std::string Explain(const char* step, DWORD code) const;

 private:
  bool TooSlow(std::string& error) const;

  ULONGLONG deadline_;
  ULONGLONG window_ms_;
  std::uint64_t bytes_per_window_;
  ULONGLONG window_start_;
  std::uint64_t bytes_in_window_ = 0;
};

}  // namespace kivo::fetch
