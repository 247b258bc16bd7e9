// A download that honours a shop's request to come back shortly: a 429 or
// 503 answer whose Retry-After asks for at most 30 seconds (as seconds or as
// an HTTP date) is waited out and asked once more, within the same total
// time limit. Anything else about such an answer is the download's failure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "download.h"
#include "protocol/politeness.h"

namespace kivo::fetch {

// The longest Retry-After that is waited out; a shop that asks for more is
// left for the next run.
inline constexpr long kMaxRetryAfterSeconds = politeness::kMaxRetryAfterSeconds;

// What the polite download needs of the system: the download itself (the
// platform's Download), a wait, the clock, and a place for what it says.
struct DownloadSystem {
  std::function<DownloadStatus(const std::string& address, const DownloadOptions& options,
                               BodySink& sink, DownloadAnswer& answer, std::string& error)>
      download;
  std::function<void(long ms)> sleep;
  std::function<std::int64_t()> now_utc_seconds;  // for a Retry-After date
  std::function<std::int64_t()> elapsed_ms;       // a steady clock, any start
  std::function<void(const std::string&)> complain;
};

// Downloads `address` as `system.download` does, but asks once more after a
// short Retry-After. `answer` and `error` are those of the last attempt
// (`error` with the reason when a Retry-After was not waited out).
DownloadStatus DownloadPolitely(const DownloadSystem& system, const std::string& address,
                                DownloadOptions options, BodySink& sink, DownloadAnswer& answer,
                                std::string& error);

}  // namespace kivo::fetch
