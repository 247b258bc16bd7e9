// The proxy a download goes through on Windows: the one the user set in
// Internet Options, as a browser on the same machine would use it, and the
// system's automatic mode only where the user set nothing.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

namespace kivo::fetch {

// Opens the session of a download that begins at `url` (redirects never
// leave its host, so its proxy is the whole download's), with the proxy
// the user's settings give (WinHttpGetIEProxyConfigForCurrentUser):
//  1. an automatic configuration, when set: the script at its address,
//     then automatic detection, asked for `url`; the proxy it names, or
//     none when it says DIRECT;
//  2. else, or when that fails, the named proxy and its bypass list;
//  3. else the system's automatic mode (Windows 8.1 and later), or, where
//     the system lacks it (Windows 7), the machine-wide WinHTTP setting.
// This machine itself (`loopback`) is never reached through a proxy.
// `described` says which it was, for the helper's messages. nullptr when
// no session could be opened.
HINTERNET OpenProxiedSession(const std::wstring& agent, const std::wstring& url, bool loopback,
                             std::string& described);

}  // namespace kivo::fetch
