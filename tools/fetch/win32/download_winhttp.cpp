#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>

#include "document_watcher.h"
#include "download.h"
#include "protocol/url_reference.h"
#include "redirects.h"
#include "text/bytes.h"
#include "win32/proxy_winhttp.h"
#include "win32/winhttp_answer.h"
#include "win32/winhttp_limits.h"

namespace kivo::fetch {
namespace {

std::wstring Ascii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The errors WinHTTP gives when the secure connection cannot be verified or
// made. Windows reports most certificate faults as 12175 with the reason in
// the status callback, older ones by their own codes; Wine reports every
// one of them as 12157.
bool IsSecureFailure(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
      return true;
    default:
      return false;
  }
}

// The reasons the status callback gives for a secure failure, in words.
std::string SecureReasons(DWORD flags) {
  static const struct {
    DWORD flag;
    const char* words;
  } kReasons[] = {
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, "untrusted authority"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, "expired or not yet valid"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, "for another name"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, "revoked"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, "revocation not checked"},
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, "invalid certificate"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE, "certificate not for servers"},
      {WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR, "secure channel error"},
  };
  std::string words;
  for (const auto& reason : kReasons) {
    if ((flags & reason.flag) == 0) continue;
    if (!words.empty()) words += ", ";
    words += reason.words;
  }
  return words;
}

// Collects the reasons of a secure failure into the DWORD the request's
// context points at.
void CALLBACK OnSecureFailure(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                              DWORD length) {
  if (status != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE || context == 0 || info == nullptr ||
      length < sizeof(DWORD)) {
    return;
  }
  *reinterpret_cast<DWORD*>(context) |= *static_cast<DWORD*>(info);
}

// What a body that failed to arrive with `code` amounts to.
DownloadStatus BodyFailure(DWORD code) {
  return code == ERROR_WINHTTP_TIMEOUT ? DownloadStatus::kTooSlow : DownloadStatus::kCutBody;
}

// Reads the body of a 2xx answer into the sink.
DownloadStatus ReadBody(HINTERNET request, long status, Limits& limits, const std::string& address,
                        BodySink& sink, std::string& error) {
  std::uint64_t declared = 0;
  const bool has_length = DeclaredLength(request, declared);
  const bool ends_at_close = EndsWhereTheConnectionCloses(status, has_length, IsChunked(request));
  DocumentWatcher watcher(ContentTypeOf(request));
  std::uint64_t received = 0;
  std::string buffer(64 * 1024, '\0');
  for (;;) {
    // Asking what is there first keeps a read from waiting for a full
    // buffer, so a server that sends a byte now and then still meets the
    // total time limit.
    if (!limits.LimitWait(request, error)) return DownloadStatus::kTooSlow;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) {
      const DWORD code = GetLastError();
      error = limits.Explain("body", code);
      return BodyFailure(code);
    }
    if (available == 0) break;
    while (available > 0) {
      const DWORD want = available < buffer.size() ? available : static_cast<DWORD>(buffer.size());
      DWORD read = 0;
      if (!WinHttpReadData(request, buffer.data(), want, &read)) {
        const DWORD code = GetLastError();
        error = limits.Explain("body", code);
        return BodyFailure(code);
      }
      if (read == 0) break;
      watcher.Feed(buffer.data(), read);
      if (!sink.Write(buffer.data(), read)) {
        error = "the body could not be stored";
        return DownloadStatus::kSinkFailure;
      }
      received += read;
      limits.Received(read);
      available -= read < available ? read : available;
    }
  }
  // WinHTTP may end a body quietly when the connection closes early; a
  // declared length that was not reached is a truncated answer.
  if (has_length && received != declared) {
    error = "truncated answer: " + std::to_string(received) + " of " + std::to_string(declared) +
            " bytes from " + address;
    return DownloadStatus::kCutBody;
  }
  if (ends_at_close && !watcher.Whole()) {
    error = "the connection closed before the end of the HTML document (" + address + ")";
    return DownloadStatus::kCutBody;
  }
  return DownloadStatus::kComplete;
}

// The session's own time limits (each wait is limited further by Limits)
// and the secure protocols it may use.
void Configure(HINTERNET session, const DownloadOptions& options) {
  const int connect_ms = static_cast<int>(options.connect_timeout_ms);
  const int total_ms = static_cast<int>(options.total_timeout_ms);
  WinHttpSetTimeouts(session, connect_ms, connect_ms, total_ms, total_ms);
  // Windows 7 offers only TLS 1.0 unless asked; older systems reject the
  // TLS 1.3 flag, so ask again without it.
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                    WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  if (!WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    protocols &= ~static_cast<DWORD>(WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3);
    WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
  }
}

enum class Opened { kOpen, kAddressNotUnderstood, kNoConnection };

// Opens the GET request for `url` on `session`, with WinHTTP's own
// redirects turned off, into `connection` and `request`.
Opened OpenRequest(HINTERNET session, const std::string& url, Internet& connection,
                   Internet& request, std::string& error) {
  // The address has been checked and percent-encoded: it is plain ASCII.
  const std::wstring wide_url = Ascii(protocol::StripUrlFragment(url));
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    error = "address not understood: " + url;
    return Opened::kAddressNotUnderstood;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

  connection.reset(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
  if (!connection) {
    error = Describe("WinHttpConnect", GetLastError());
    return Opened::kNoConnection;
  }
  request.reset(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                   WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                   secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) {
    error = Describe("WinHttpOpenRequest", GetLastError());
    return Opened::kNoConnection;
  }
  SetNumber(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_REDIRECTS);
  WinHttpSetStatusCallback(request.get(), OnSecureFailure, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
  return Opened::kOpen;
}

// Sends the request and waits for the answer's headers, within the limits.
// 0 when an answer came; else the WinHTTP error, with `error` saying why
// and `secure_flags` the reasons of a secure failure.
DWORD Exchange(HINTERNET request, Limits& limits, const std::string& url, DWORD& secure_flags,
               std::string& error) {
  if (!limits.LimitWait(request, error)) return ERROR_WINHTTP_TIMEOUT;
  secure_flags = 0;
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                          reinterpret_cast<DWORD_PTR>(&secure_flags))) {
    const DWORD code = GetLastError();
    error = limits.Explain("request", code) + " (" + url + ")";
    if (secure_flags != 0) error += " (" + SecureReasons(secure_flags) + ")";
    return code;
  }
  if (!limits.LimitWait(request, error)) return ERROR_WINHTTP_TIMEOUT;
  if (!WinHttpReceiveResponse(request, nullptr)) {
    const DWORD code = GetLastError();
    error = limits.Explain("answer", code) + " (" + url + ")";
    return code;
  }
  return 0;
}

// After a proxy's 407: when it takes a Windows logon (Negotiate or NTLM),
// lets the system answer it with the user's own, for this request and the
// proxy only. True when the request is to be sent again.
bool AnswerWithLogon(HINTERNET request) {
  DWORD supported = 0, first = 0, target = 0;
  if (!WinHttpQueryAuthSchemes(request, &supported, &first, &target) ||
      target != WINHTTP_AUTH_TARGET_PROXY) {
    return false;
  }
  DWORD scheme = 0;
  if (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) {
    scheme = WINHTTP_AUTH_SCHEME_NEGOTIATE;
  } else if (supported & WINHTTP_AUTH_SCHEME_NTLM) {
    scheme = WINHTTP_AUTH_SCHEME_NTLM;
  } else {
    return false;  // Basic or Digest: a password the helper does not have
  }
  // The logon goes only where the proxy asks for it, and only for this
  // request.
  SetNumber(request, WINHTTP_OPTION_AUTOLOGON_POLICY, WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW);
  return WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr,
                               nullptr) != FALSE;
}

}  // namespace

DownloadStatus Download(const std::string& address, const DownloadOptions& options, BodySink& sink,
                        DownloadAnswer& answer, std::string& error) {
  answer = DownloadAnswer();
  Limits limits(options, GetTickCount64());
  std::string proxy;
  Internet session(OpenProxiedSession(Ascii(options.user_agent), Ascii(address),
                                      IsLoopbackHost(AddressHost(address)), proxy));
  if (!session) {
    error = Describe("WinHttpOpen", GetLastError());
    return DownloadStatus::kNoAnswer;
  }
  Configure(session.get(), options);
  // Once the shop has said anything, a failure later on is its passing
  // trouble, not a shop that is down.
  bool answered = false;
  const auto failure = [&answered](DWORD code) {
    if (IsSecureFailure(code)) return DownloadStatus::kCertificate;
    if (!answered) return DownloadStatus::kNoAnswer;
    return code == ERROR_WINHTTP_TIMEOUT ? DownloadStatus::kTooSlow : DownloadStatus::kFailed;
  };
  Redirects redirects(address, options.max_redirects);
  for (;;) {
    const std::string& url = redirects.url();
    Internet connection;
    Internet request;
    const Opened opened = OpenRequest(session.get(), url, connection, request, error);
    if (opened == Opened::kAddressNotUnderstood) return DownloadStatus::kFailed;
    if (opened != Opened::kOpen) return failure(0);
    DWORD status = 0;
    for (bool logon_offered = false;;) {
      DWORD secure_flags = 0;
      const DWORD code = Exchange(request.get(), limits, url, secure_flags, error);
      if (code != 0) {
        if (IsSecureFailure(code)) error += "; through " + proxy;
        return failure(code);
      }
      answered = true;
      if (!StatusOf(request.get(), status)) {
        error = Describe("status", GetLastError());
        return DownloadStatus::kFailed;
      }
      if (status != 407 || logon_offered || !AnswerWithLogon(request.get())) break;
      logon_offered = true;
    }
    answer.status = static_cast<long>(status);
    answer.retry_after = RetryAfterOf(request.get());
    if (status >= 200 && status <= 299) {
      return ReadBody(request.get(), answer.status, limits, url, sink, error);
    }
    // Relative Locations resolve the same on every Windows, and under Wine.
    std::string location;
    if (LocationOf(request.get(), location)) {
      location = protocol::ResolveUrlReference(url, location);
    }
    DownloadStatus end;
    if (!redirects.Follow(answer.status, location, end, error)) {
      answer.refused_host = redirects.refused_host();
      return end;
    }
  }
}

}  // namespace kivo::fetch
