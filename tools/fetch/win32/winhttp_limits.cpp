#include "win32/winhttp_limits.h"

namespace kivo::fetch {

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
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      what = "secure connection failed";
      break;
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      what = "certificate expired or not yet valid";
      break;
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      what = "certificate for another name";
      break;
    case ERROR_WINHTTP_SECURE_INVALID_CA:
      what = "certificate of an untrusted authority";
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

void SetNumber(HINTERNET handle, DWORD option, DWORD value) {
  WinHttpSetOption(handle, option, &value, sizeof value);
}

Limits::Limits(const DownloadOptions& options, ULONGLONG now)
    : deadline_(now + static_cast<ULONGLONG>(options.total_timeout_ms)),
      window_ms_(static_cast<ULONGLONG>(options.low_speed_window_ms > 0
                                            ? options.low_speed_window_ms
                                            : options.total_timeout_ms)),
      bytes_per_window_(static_cast<std::uint64_t>(options.low_speed_bytes) * window_ms_ / 1000),
      window_start_(now) {}

bool Limits::LimitWait(HINTERNET request, std::string& error) {
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

std::string Limits::Explain(const char* step, DWORD code) const {
  if (code == ERROR_WINHTTP_TIMEOUT && GetTickCount64() < deadline_) {
    return std::string(step) + ": nothing arrived in time (fewer than " +
           std::to_string(bytes_per_window_) + " bytes in " + std::to_string(window_ms_) +
           " ms, or no connection)";
  }
  return Describe(step, code);
}

bool Limits::TooSlow(std::string& error) const {
  error = "transfer too slow: fewer than " + std::to_string(bytes_per_window_) + " bytes in " +
          std::to_string(window_ms_) + " ms";
  return false;
}

}  // namespace kivo::fetch
