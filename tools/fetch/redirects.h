// The redirect rules of one download, the same for both downloaders. They
// follow redirects themselves rather than leave it to libcurl or WinHTTP, so
// that every hop's address is checked like the first one, https never leads
// to http, and a relative Location resolves the same everywhere.
#pragma once

#include <string>

#include "download.h"

namespace kivo::fetch {

class Redirects {
 public:
  // For a download that begins at `address` (checked already) and follows
  // at most `max_redirects` redirects.
  Redirects(const std::string& address, int max_redirects);

  // The address to ask now: the first one, then each redirect's.
  const std::string& url() const { return url_; }
  // How many redirects have been followed.
  int followed() const { return followed_; }

  // Decides on an answer to url() that is not 2xx: its `status`, and its
  // Location resolved against url() (empty when it had none that could be
  // read). True when the download goes on at the new url(): the status is
  // one that is followed (301, 302, 303, 307, 308), fewer than
  // `max_redirects` have been followed, and the Location is an address that
  // protocol::NormalizeDownloadAddress accepts and that does not lead from
  // https to http. Otherwise false, with `error` saying why and `failure`
  // the download's end: kGone for 404 and 410, kFailed for all else.
  bool Follow(long status, const std::string& location, DownloadStatus& failure,
              std::string& error);

 private:
  std::string start_;
  std::string url_;
  int max_redirects_;
  int followed_ = 0;
};

}  // namespace kivo::fetch
