#include "platform/win32/wide_text.h"

#include <windows.h>

namespace kivo::platform::win32 {
namespace {

constexpr UINT kShiftJis = 932;

bool ToWide(const std::string& text, DWORD flags, std::wstring& out) {
  if (text.empty()) {
    out.clear();
    return true;
  }
  const int n =
      MultiByteToWideChar(kShiftJis, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(kShiftJis, flags, text.data(), static_cast<int>(text.size()), wide.data(), n);
  out = std::move(wide);
  return true;
}

// `exact`: fail instead of substituting a default character.
bool ToBytes(UINT code_page, const std::wstring& wide, bool exact, std::string& out) {
  if (wide.empty()) {
    out.clear();
    return true;
  }
  // UTF-8 and UTF-7 refuse the default-character arguments; their conversion
  // is lossless for valid UTF-16 anyway.
  const bool utf = code_page == CP_UTF8 || code_page == CP_UTF7;
  const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = (exact && !utf) ? &used_default : nullptr;
  const int n = WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, used);
  if (n <= 0 || used_default) return false;
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), bytes.data(), n,
                      nullptr, nullptr);
  out = std::move(bytes);
  return true;
}

}  // namespace

std::wstring Wide(const std::string& sjis) {
  std::wstring out;
  ToWide(sjis, 0, out);
  return out;
}

bool WideExact(const std::string& sjis, std::wstring& out) {
  return ToWide(sjis, MB_ERR_INVALID_CHARS, out);
}

std::string Narrow(const std::wstring& wide) {
  std::string out;
  ToBytes(kShiftJis, wide, false, out);
  return out;
}

bool NarrowExact(const std::wstring& wide, std::string& out) {
  return ToBytes(kShiftJis, wide, true, out);
}

bool AnsiExact(const std::wstring& wide, std::string& out) {
  return ToBytes(GetACP(), wide, true, out);
}

}  // namespace kivo::platform::win32
