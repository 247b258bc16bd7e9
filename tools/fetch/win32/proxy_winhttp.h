// The proxy a download goes through on Windows: the one the user set in
// Internet Options, as a browser on the same machine would use it, and the
// system's automatic mode only where the user set nothing.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

namespace kivo::fetch {

class SystemProxy {
 public:
  // Reads the user's settings (WinHttpGetIEProxyConfigForCurrentUser) and
  // opens the session: with the named proxy and its bypass list when the
  // user named one; otherwise in automatic mode (Windows 8.1 and later),
  // or, where the system lacks it (Windows 7), with the machine-wide
  // WinHTTP setting. This machine itself is never reached through the
  // named proxy. nullptr when no session could be opened.
  HINTERNET OpenSession(const std::wstring& agent);

  // When the user's settings ask for an automatic configuration (a
  // script's address, or automatic detection), asks it for `url` and sets
  // the proxy it gives on `request`; the script goes first, as in Internet
  // Options. When it gives none, or fails, the session's own choice
  // stands (the named proxy, else the automatic mode). Not for this
  // machine's own addresses (`loopback`).
  void Apply(HINTERNET session, HINTERNET request, const std::wstring& url, bool loopback) const;

  // What the session was opened with, for the helper's messages.
  const std::string& described() const { return described_; }

 private:
  bool auto_detect_ = false;
  std::wstring script_url_;
  std::string described_;
};

}  // namespace kivo::fetch
