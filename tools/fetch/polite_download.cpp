#include "polite_download.h"

#include <optional>

#include "protocol/retry_after.h"

namespace kivo::fetch {

DownloadStatus DownloadPolitely(const DownloadSystem& system, const std::string& address,
                                DownloadOptions options, BodySink& sink, DownloadAnswer& answer,
                                std::string& error) {
  const std::int64_t started = system.elapsed_ms();
  const DownloadStatus status = system.download(address, options, sink, answer, error);
  if (status != DownloadStatus::kFailed || (answer.status != 429 && answer.status != 503)) {
    return status;
  }
  const std::optional<std::int64_t> wait_s =
      protocol::RetryAfterSeconds(answer.retry_after, system.now_utc_seconds());
  if (!wait_s) {
    error += answer.retry_after.empty() ? ", no Retry-After" : ", unreadable Retry-After";
    return status;
  }
  if (*wait_s > kMaxRetryAfterSeconds) {
    error += ", Retry-After of " + std::to_string(*wait_s) + " s is too long to wait";
    return status;
  }
  const long wait_ms = static_cast<long>(*wait_s) * 1000;
  const long left_ms =
      options.total_timeout_ms - static_cast<long>(system.elapsed_ms() - started) - wait_ms;
  if (left_ms <= 0) {
    error += ", Retry-After of " + std::to_string(*wait_s) + " s is beyond the time limit";
    return status;
  }
  system.complain(error + "; asking again in " + std::to_string(*wait_s) + " s, as the shop asks");
  if (wait_ms > 0) system.sleep(wait_ms);
  options.total_timeout_ms -= static_cast<long>(system.elapsed_ms() - started);
  if (options.total_timeout_ms < 1) options.total_timeout_ms = 1;
  error.clear();
  return system.download(address, options, sink, answer, error);
}

}  // namespace kivo::fetch
