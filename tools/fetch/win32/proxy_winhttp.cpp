#include "win32/proxy_winhttp.h"

namespace kivo::fetch {
namespace {

// This machine's own names, never sent through a proxy.
constexpr wchar_t kLoopback[] = L"localhost;127.0.0.1;[::1]";

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

// What an automatic configuration gives for a URL, freed with it.
struct ProxyInfo {
  WINHTTP_PROXY_INFO info = {};
  ~ProxyInfo() {
    if (info.lpszProxy != nullptr) GlobalFree(info.lpszProxy);
    if (info.lpszProxyBypass != nullptr) GlobalFree(info.lpszProxyBypass);
  }
};

bool IsSet(const wchar_t* text) { return text != nullptr && *text != L'\0'; }

HINTERNET OpenNamed(const std::wstring& agent, const wchar_t* proxy, const wchar_t* bypass) {
  std::wstring full = IsSet(bypass) ? std::wstring(bypass) + L";" : std::wstring();
  full += kLoopback;
  return WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy, full.c_str(), 0);
}

// Asks a configuration script (`script`) or automatic detection (`script`
// null) for the proxy of `url`.
bool AskAutomatic(HINTERNET session, const std::wstring& url, const wchar_t* script,
                  ProxyInfo& found) {
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (script != nullptr) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = script;
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  // A script served by an intranet server may ask for the user's logon.
  options.fAutoLogonIfChallenged = TRUE;
  return WinHttpGetProxyForUrl(session, url.c_str(), &options, &found.info) != FALSE;
}

// The session the automatic configuration calls for, or nullptr when it
// gives no answer. The proxy is set when the session is opened: Wine does
// not take one set on a session or request later.
HINTERNET FromAutomaticConfiguration(const std::wstring& agent, const std::wstring& url,
                                     const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& ie,
                                     std::string& described) {
  HINTERNET probe = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
  if (probe == nullptr) return nullptr;
  ProxyInfo found;
  bool answered =
      IsSet(ie.lpszAutoConfigUrl) && AskAutomatic(probe, url, ie.lpszAutoConfigUrl, found);
  if (!answered && ie.fAutoDetect) answered = AskAutomatic(probe, url, nullptr, found);
  WinHttpCloseHandle(probe);
  if (!answered) return nullptr;
  if (found.info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && IsSet(found.info.lpszProxy)) {
    described = "the proxy the automatic configuration gives";
    return OpenNamed(agent, found.info.lpszProxy, found.info.lpszProxyBypass);
  }
  described = "no proxy, as the automatic configuration says";
  return WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                     WINHTTP_NO_PROXY_BYPASS, 0);
}

}  // namespace

HINTERNET OpenProxiedSession(const std::wstring& agent, const std::wstring& url, bool loopback,
                             std::string& described) {
  if (loopback) {
    described = "no proxy, for this machine itself";
    return WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                       WINHTTP_NO_PROXY_BYPASS, 0);
  }
  const UserConfig user;
  if (user.read && (user.ie.fAutoDetect || IsSet(user.ie.lpszAutoConfigUrl))) {
    HINTERNET session = FromAutomaticConfiguration(agent, url, user.ie, described);
    if (session != nullptr) return session;
  }
  if (user.read && IsSet(user.ie.lpszProxy)) {
    HINTERNET session = OpenNamed(agent, user.ie.lpszProxy, user.ie.lpszProxyBypass);
    described = "the proxy set in Internet Options";
    if (session != nullptr) return session;
  }
  // Nothing the user set: the system's own choice. Automatic mode (Windows
  // 8.1 and later) reads the same settings and more; Windows 7 refuses it
  // and has the machine-wide setting (netsh winhttp).
  HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  described = "the system's automatic proxy mode";
  if (session != nullptr) return session;
  described = "the machine's WinHTTP proxy setting";
  return WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                     WINHTTP_NO_PROXY_BYPASS, 0);
}

}  // namespace kivo::fetch
