#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>

#include "document_watcher.h"
#include "download.h"
#include "protocol/url_reference.h"
#include "redirects.h"
#include "text/bytes.h"

namespace kivo::fetch {
namespace {

class Internet {
 public:
  explicit Internet(HINTERNET handle = nullptr) : handle_(handle) {}
  ~Internet() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  Internet(const Internet&) = delete;
  Internet& operator=(const Internet&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(HINTERNET handle) {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HINTERNET handle_;
};

std::wstring Ascii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string Describe(const char* step, DWORD code) {
  const char* what = nullptr;
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
      what = "time limit reached";
      break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      what = "host name not found";
      break;
    case ERROR_WINHTTP_CANNOT_CONNECT:
      what = "cannot connect";
      break;
    case ERROR_WINHTTP_CONNECTION_ERROR:
      what = "connection broken";
      break;
    case ERROR_WINHTTP_REDIRECT_FAILED:
      what = "too many redirects, or a redirect refused";
      break;
    case ERROR_WINHTTP_SECURE_FAILURE:
      what = "secure connection failed";
      break;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      what = "invalid answer";
      break;
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      what = "not an http or https address";
      break;
    default:
      break;
  }
  std::string text = std::string(step) + ": ";
  text += what != nullptr ? what : "failed";
  return text + " (WinHTTP error " + std::to_string(code) + ")";
}

// The session, with the proxy the user's system would use. Windows 8.1 and
// later resolve it themselves (automatic detection and scripts included);
// before that, take a proxy set by hand in Internet Options, else the
// machine-wide WinHTTP setting.
HINTERNET OpenSession(const std::wstring& agent) {
  HINTERNET session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (session != nullptr) return session;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie = {};
  if (WinHttpGetIEProxyConfigForCurrentUser(&ie)) {
    if (ie.lpszProxy != nullptr) {
      // This machine itself is never reached through the proxy.
      std::wstring bypass = ie.lpszProxyBypass != nullptr ? ie.lpszProxyBypass : L"";
      if (!bypass.empty()) bypass += L";";
      bypass += L"localhost;127.0.0.1;[::1]";
      session = WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, ie.lpszProxy,
                            bypass.c_str(), 0);
    }
    if (ie.lpszAutoConfigUrl != nullptr) GlobalFree(ie.lpszAutoConfigUrl);
    if (ie.lpszProxy != nullptr) GlobalFree(ie.lpszProxy);
    if (ie.lpszProxyBypass != nullptr) GlobalFree(ie.lpszProxyBypass);
    if (session != nullptr) return session;
  }
  return WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                     WINHTTP_NO_PROXY_BYPASS, 0);
}

void SetNumber(HINTERNET handle, DWORD option, DWORD value) {
  WinHttpSetOption(handle, option, &value, sizeof value);
}

// The time limits of one download. WinHTTP itself only limits single waits,
// so each wait is given what is left of the total limit, and no more than
// the low-speed rule allows: in each window of `window_ms` (fixed windows,
// from the first request on) at least `bytes_per_window` bytes must arrive,
// the wait for the answer included.
class Limits {
 public:
  Limits(const DownloadOptions& options, ULONGLONG now)
      : deadline_(now + static_cast<ULONGLONG>(options.total_timeout_ms)),
        window_ms_(static_cast<ULONGLONG>(options.low_speed_window_ms > 0
                                              ? options.low_speed_window_ms
                                              : options.total_timeout_ms)),
        bytes_per_window_(static_cast<std::uint64_t>(options.low_speed_bytes) * window_ms_ / 1000),
        window_start_(now) {}

  void Received(std::uint64_t bytes) { bytes_in_window_ += bytes; }

  // Lets the next wait on `request` last only as long as the limits allow.
  // False with `error` when a limit has been reached.
  bool LimitWait(HINTERNET request, std::string& error) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline_) {
      error = Describe("download", ERROR_WINHTTP_TIMEOUT);
      return false;
    }
    while (now >= window_start_ + window_ms_) {
      if (bytes_in_window_ < bytes_per_window_) return TooSlow(error);
      window_start_ += window_ms_;
      bytes_in_window_ = 0;
    }
    // A window that has had its bytes is followed by a whole new one.
    ULONGLONG until = window_start_ + window_ms_;
    if (bytes_in_window_ >= bytes_per_window_) until += window_ms_;
    if (until > deadline_) until = deadline_;
    const DWORD left = static_cast<DWORD>(until - now);
    SetNumber(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, left);
    SetNumber(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, left);
    SetNumber(request, WINHTTP_OPTION_SEND_TIMEOUT, left);
    return true;
  }

  // Why a wait failed with `code`: a time-out before the total limit is the
  // low-speed rule's (or, while connecting, the connect limit's).
  std::string Explain(const char* step, DWORD code) const {
    if (code == ERROR_WINHTTP_TIMEOUT && GetTickCount64() < deadline_) {
      return std::string(step) + ": nothing arrived in time (fewer than " +
             std::to_string(bytes_per_window_) + " bytes in " + std::to_string(window_ms_) +
             " ms, or no connection)";
    }
    return Describe(step, code);
  }

 private:
  bool TooSlow(std::string& error) const {
    error = "transfer too slow: fewer than " + std::to_string(bytes_per_window_) + " bytes in " +
            std::to_string(window_ms_) + " ms";
    return false;
  }

  ULONGLONG deadline_;
  ULONGLONG window_ms_;
  std::uint64_t bytes_per_window_;
  ULONGLONG window_start_;
  std::uint64_t bytes_in_window_ = 0;
};

bool QueryText(HINTERNET request, DWORD info, std::wstring& value) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return false;
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, info, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  buffer.resize(bytes / sizeof(wchar_t));
  value = buffer;
  return true;
}

// A header's value as byte text, every character outside printable ASCII
// as "?". False when the answer has no such header.
bool AsciiHeader(HINTERNET request, DWORD info, std::string& text) {
  std::wstring wide;
  if (!QueryText(request, info, wide)) return false;
  text.clear();
  for (wchar_t c : wide) text += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
  return true;
}

// True when the answer's body comes in chunks.
bool IsChunked(HINTERNET request) {
  std::string encoding;
  return AsciiHeader(request, WINHTTP_QUERY_TRANSFER_ENCODING, encoding) &&
         ascii::Lowered(encoding).find("chunked") != std::string::npos;
}

// The declared body length, when the answer declares one and is not chunked.
bool DeclaredLength(HINTERNET request, std::uint64_t& length) {
  std::string encoding;
  if (AsciiHeader(request, WINHTTP_QUERY_TRANSFER_ENCODING, encoding) &&
      !ascii::EqualsNoCase(encoding, "identity")) {
    return false;
  }
  std::wstring text;
  if (!QueryText(request, WINHTTP_QUERY_CONTENT_LENGTH, text) || text.empty()) return false;
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9' || value > (UINT64_MAX - 9) / 10) return false;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  length = value;
  return true;
}

// The Location of a redirect as byte text. Non-ASCII characters, which
// servers should not send, become UTF-8 and are percent-encoded later.
bool LocationOf(HINTERNET request, std::string& location) {
  std::wstring wide;
  if (!QueryText(request, WINHTTP_QUERY_LOCATION, wide) || wide.empty()) return false;
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  if (n <= 0) return false;
  location.assign(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), location.data(), n,
                      nullptr, nullptr);
  return true;
}

// The Retry-After header, as byte text; empty when there is none.
std::string RetryAfterOf(HINTERNET request) {
  std::string text;
  if (!AsciiHeader(request, WINHTTP_QUERY_RETRY_AFTER, text)) return std::string();
  if (text.size() > 64) return "-";  // nothing a shop should mean
  return text;
}

// The Content-Type header; empty when there is none. Only its ASCII media
// type matters.
std::string ContentTypeOf(HINTERNET request) {
  std::string text;
  return AsciiHeader(request, WINHTTP_QUERY_CONTENT_TYPE, text) ? text : std::string();
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
    if (!limits.LimitWait(request, error)) return DownloadStatus::kFailed;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) {
      error = limits.Explain("body", GetLastError());
      return DownloadStatus::kFailed;
    }
    if (available == 0) break;
    while (available > 0) {
      const DWORD want = available < buffer.size() ? available : static_cast<DWORD>(buffer.size());
      DWORD read = 0;
      if (!WinHttpReadData(request, buffer.data(), want, &read)) {
        error = limits.Explain("body", GetLastError());
        return DownloadStatus::kFailed;
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
    return DownloadStatus::kFailed;
  }
  if (ends_at_close && !watcher.Whole()) {
    error = "the connection closed before the end of the HTML document (" + address + ")";
    return DownloadStatus::kFailed;
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
  return Opened::kOpen;
}

// Sends the request and waits for the answer's headers, within the limits.
// False with `error` when no answer came.
bool Exchange(HINTERNET request, Limits& limits, const std::string& url, std::string& error) {
  if (!limits.LimitWait(request, error)) return false;
  if (!WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                          0)) {
    error = limits.Explain("request", GetLastError()) + " (" + url + ")";
    return false;
  }
  if (!limits.LimitWait(request, error)) return false;
  if (!WinHttpReceiveResponse(request, nullptr)) {
    error = limits.Explain("answer", GetLastError()) + " (" + url + ")";
    return false;
  }
  return true;
}

bool StatusOf(HINTERNET request, DWORD& status, std::string& error) {
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    error = Describe("status", GetLastError());
    return false;
  }
  return true;
}

}  // namespace

DownloadStatus Download(const std::string& address, const DownloadOptions& options, BodySink& sink,
                        DownloadAnswer& answer, std::string& error) {
  answer = DownloadAnswer();
  Limits limits(options, GetTickCount64());
  Internet session(OpenSession(Ascii(options.user_agent)));
  if (!session) {
    error = Describe("WinHttpOpen", GetLastError());
    return DownloadStatus::kNoAnswer;
  }
  Configure(session.get(), options);
  // Once the shop has said anything, a failure later on is its passing
  // trouble, not a shop that is down.
  bool answered = false;
  const auto failed = [&answered] {
    return answered ? DownloadStatus::kFailed : DownloadStatus::kNoAnswer;
  };
  Redirects redirects(address, options.max_redirects);
  for (;;) {
    const std::string& url = redirects.url();
    Internet connection;
    Internet request;
    const Opened opened = OpenRequest(session.get(), url, connection, request, error);
    if (opened == Opened::kAddressNotUnderstood) return DownloadStatus::kFailed;
    if (opened != Opened::kOpen) return failed();
    if (!Exchange(request.get(), limits, url, error)) return failed();
    answered = true;
    DWORD status = 0;
    if (!StatusOf(request.get(), status, error)) return DownloadStatus::kFailed;
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
    DownloadStatus failure;
    if (!redirects.Follow(answer.status, location, failure, error)) return failure;
  }
}

}  // namespace kivo::fetch
