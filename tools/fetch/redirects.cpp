#include "redirects.h"

#include <utility>

#include "protocol/command_line.h"
#include "text/bytes.h"

namespace kivo::fetch {

Redirects::Redirects(const std::string& address, int max_redirects)
    : start_(address), url_(address), max_redirects_(max_redirects) {}

bool Redirects::Follow(long status, const std::string& location, DownloadStatus& failure,
                       std::string& error) {
  failure = DownloadStatus::kFailed;
  if (!IsFollowedRedirect(status)) {
    error = "HTTP status " + std::to_string(status) + " from " + url_;
    if (IsGoneStatus(status)) failure = DownloadStatus::kGone;
    return false;
  }
  if (location.empty()) {
    error = "HTTP status " + std::to_string(status) + " without a usable Location from " + url_;
    return false;
  }
  if (followed_ >= max_redirects_) {
    error = "more than " + std::to_string(max_redirects_) + " redirects from " + start_;
    return false;
  }
  std::string next;
  std::string why;
  if (!protocol::NormalizeDownloadAddress(location, next, why)) {
    error = "redirect refused (" + why + ") from " + url_;
    return false;
  }
  if (ascii::StartsWithNoCase(url_, "https://") && !ascii::StartsWithNoCase(next, "https://")) {
    error = "redirect from https to http refused: " + url_;
    return false;
  }
  url_ = std::move(next);
  ++followed_;
  return true;
}

}  // namespace kivo::fetch
