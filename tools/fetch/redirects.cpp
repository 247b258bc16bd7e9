#include "redirects.h"

#include <utility>

#include "protocol/command_line.h"
#include "text/bytes.h"

namespace kivo::fetch {

std::string AddressHost(std::string_view address) {
  const std::size_t scheme_end = address.find("://");
  if (scheme_end == std::string_view::npos) return std::string();
  std::string_view authority = address.substr(scheme_end + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  const std::size_t bracket = authority.rfind(']');
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    authority = authority.substr(0, colon);
  }
  return ascii::Lowered(authority);
}

bool IsLoopbackHost(std::string_view host) {
  return host == "localhost" || host == "127.0.0.1" || host == "[::1]";
}

Redirects::Redirects(const std::string& address, int max_redirects)
    : start_(address),
      start_host_(AddressHost(address)),
      url_(address),
      max_redirects_(max_redirects) {}

bool Redirects::Follow(long status, const std::string& location, DownloadStatus& failure,
                       std::string& error) {
  failure = DownloadStatus::kFailed;
  if (!IsFollowedRedirect(status)) {
    error = "HTTP status " + std::to_string(status) + " from " + url_;
    if (IsGoneStatus(status)) failure = DownloadStatus::kGone;
    if (status == 407) failure = DownloadStatus::kProxyAuth;
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
    return Refuse(location, why, failure, error);
  }
  // The host is compared as written: a host that only decodes to the same
  // name (percent escapes, a trailing dot) is another one here, which
  // refuses more, never less.
  if (AddressHost(next) != start_host_) {
    return Refuse(next, "another host than " + start_host_, failure, error);
  }
  if (ascii::StartsWithNoCase(url_, "https://") && !ascii::StartsWithNoCase(next, "https://")) {
    return Refuse(next, "from https to http", failure, error);
  }
  url_ = std::move(next);
  ++followed_;
  return true;
}

bool Redirects::Refuse(const std::string& next, const std::string& why, DownloadStatus& failure,
                       std::string& error) {
  failure = DownloadStatus::kRedirectRefused;
  refused_host_ = AddressHost(next);
  error = "redirect refused (" + why + ") from " + url_ + " to " + next;
  return false;
}

}  // namespace kivo::fetch
