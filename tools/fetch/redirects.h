// The redirect rules of one download, the same for both downloaders. They
// follow redirects themselves rather than leave it to libcurl or WinHTTP, so
// that every hop's address is checked like the first one, a redirect never
// leaves the host that was asked for, https never leads to http, and a
// relative Location resolves the same everywhere.
#pragma once

#include <string>
#include <string_view>

#include "download.h"

namespace kivo::fetch {

// The host of an http or https address, as the downloaders connect to it:
// what stands between "://" and the first "/", "?" or "#", after the last
// "@" and without a ":port", in ASCII lower case; an IPv6 address keeps its
// brackets. Empty when the address names none.
std::string AddressHost(std::string_view address);

// True for the hosts that are this machine itself, as a test shop's
// address names them: "localhost", "127.0.0.1" and "[::1]".
bool IsLoopbackHost(std::string_view host);

class Redirects {
 public:
  // For a download that begins at `address` (checked already) and follows
  // at most `max_redirects` redirects.
  Redirects(const std::string& address, int max_redirects);

  // The address to ask now: the first one, then each redirect's.
  const std::string& url() const { return url_; }
  // How many redirects have been followed.
  int followed() const { return followed_; }
  // The host of the last Location that was refused (see Follow); empty
  // when none was, or it named no host.
  const std::string& refused_host() const { return refused_host_; }

  // Decides on an answer to url() that is not 2xx: its `status`, and its
  // Location resolved against url() (empty when it had none that could be
  // read). True when the download goes on at the new url(): the status is
  // one that is followed (301, 302, 303, 307, 308), fewer than
  // `max_redirects` have been followed, and the Location is an address that
  // protocol::NormalizeDownloadAddress accepts, on the host of the first
  // address (AddressHost, so any port), and not from https down to http.
  // Otherwise false, with `error` saying why and `failure` the download's
  // end: kGone for 404 and 410, kProxyAuth for 407, kRedirectRefused for a
  // Location that breaks the rules (refused_host() then names its host),
  // kFailed for all else.
  bool Follow(long status, const std::string& location, DownloadStatus& failure,
              std::string& error);

 private:
  bool Refuse(const std::string& next, const std::string& why, DownloadStatus& failure,
              std::string& error);

  std::string start_;
  std::string start_host_;
  std::string url_;
  std::string refused_host_;
  int max_redirects_;
  int followed_ = 0;
};

}  // namespace kivo::fetch
