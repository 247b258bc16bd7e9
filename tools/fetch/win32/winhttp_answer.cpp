#include "win32/winhttp_answer.h"

#include "text/bytes.h"

namespace kivo::fetch {
namespace {

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

}  // namespace

bool StatusOf(HINTERNET request, DWORD& status) {
  DWORD size = sizeof status;
  return WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX) != FALSE;
}

bool IsChunked(HINTERNET request) {
  std::string encoding;
  return AsciiHeader(request, WINHTTP_QUERY_TRANSFER_ENCODING, encoding) &&
         ascii::Lowered(encoding).find("chunked") != std::string::npos;
}

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

std::string RetryAfterOf(HINTERNET request) {
  std::string text;
  if (!AsciiHeader(request, WINHTTP_QUERY_RETRY_AFTER, text)) return std::string();
  if (text.size() > 64) return "-";  // nothing a shop should mean
  return text;
}

std::string ContentTypeOf(HINTERNET request) {
  std::string text;
  return AsciiHeader(request, WINHTTP_QUERY_CONTENT_TYPE, text) ? text : std::string();
}

}  // namespace kivo::fetch
