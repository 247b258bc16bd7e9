#include "win32/proxy_winhttp.h"

namespace kivo::fetch {
namespace {

// The strings of an Internet Options configuration, freed with it.
struct UserConfig {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie = {};
  bool read = false;
  UserConfig() { read = WinHttpGetIEProxyConfigForCurrentUser(&ie) != FALSE; }
  ~UserConfig() {
    if (ie.lpszAutoConfigUrl != nullptr) GlobalFree(ie.lpszAutoConfigUrl);
    if (ie.lpszProxy != nullptr) GlobalFree(ie.lpszProxy);
    if (ie.lpszProxyBypass != nullptr) GlobalFree(ie.lpszProxyBypass);
  }
  UserConfig(const UserConfig&) = delete;
  UserConfig& operator=(const UserConfig&) = delete;
};

bool IsSet(const wchar_t* text) { return text != nullptr && *text != L'\0'; }

// The proxy a configuration script or automatic detection gives for `url`.
bool AskAutomatic(HINTERNET session, const std::wstring& url, DWORD flags,
                  const std::wstring& script, WINHTTP_PROXY_INFO& info) {
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  options.dwFlags = flags;
  if (flags & WINHTTP_AUTOPROXY_AUTO_DETECT) {
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.lpszAutoConfigUrl = script.empty() ? nullptr : script.c_str();
  // A script served by an intranet server may ask for the user's logon.
  options.fAutoLogonIfChallenged = TRUE;
  info = {};
  return WinHttpGetProxyForUrl(session, url.c_str(), &options, &info) != FALSE;
}

void FreeInfo(WINHTTP_PROXY_INFO& info) {
  if (info.lpszProxy != nullptr) GlobalFree(info.lpszProxy);
  if (info.lpszProxyBypass != nullptr) GlobalFree(info.lpszProxyBypass);
  info = {};
}

}  // namespace

HINTERNET SystemProxy::OpenSession(const std::wstring& agent) {
  const UserConfig user;
  if (user.read) {
    auto_detect_ = user.ie.fAutoDetect != FALSE;
    if (IsSet(user.ie.lpszAutoConfigUrl)) script_url_ = user.ie.lpszAutoConfigUrl;
    if (IsSet(user.ie.lpszProxy)) {
      // This machine itself is never reached through the proxy.
      std::wstring bypass = IsSet(user.ie.lpszProxyBypass) ? user.ie.lpszProxyBypass : L"";
      if (!bypass.empty()) bypass += L";";
      bypass += L"localhost;127.0.0.1;[::1]";
      HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                      user.ie.lpszProxy, bypass.c_str(), 0);
      if (session != nullptr) {
        described_ = "the proxy set in Internet Options";
        return session;
      }
    }
  }
  // Nothing named by the user: the system's own choice. Automatic mode
  // (Windows 8.1 and later) reads the same settings and more; Windows 7
  // refuses it and has the machine-wide setting (netsh winhttp).
  HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  described_ = "the system's automatic proxy mode";
  if (session != nullptr) return session;
  described_ = "the machine's WinHTTP proxy setting";
  return WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                     WINHTTP_NO_PROXY_BYPASS, 0);
}

void SystemProxy::Apply(HINTERNET session, HINTERNET request, const std::wstring& url,
                        bool loopback) const {
  if (loopback || (!auto_detect_ && script_url_.empty())) return;
  WINHTTP_PROXY_INFO info = {};
  bool found = !script_url_.empty() &&
               AskAutomatic(session, url, WINHTTP_AUTOPROXY_CONFIG_URL, script_url_, info);
  if (!found && auto_detect_) {
    found = AskAutomatic(session, url, WINHTTP_AUTOPROXY_AUTO_DETECT, std::wstring(), info);
  }
  if (found) {
    WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
    FreeInfo(info);
  }
}

}  // namespace kivo::fetch
