// ToShiftJis with the system's conversions: MultiByteToWideChar from the
// page's code page to UTF-16, then WideCharToMultiByte to code page 932
// with best fit allowed (no WC_NO_BEST_FIT_CHARS) and "？" as the default
// character, so a character with neither an exact nor a best-fit form
// becomes "？" rather than the system's "?".
#include <windows.h>

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "platform/encoding.h"
#include "platform/encoding_rules.h"

namespace kivo::platform {
namespace {

using encoding_internal::Counterpart;
using encoding_internal::kUnknown;

constexpr UINT kShiftJis = 932;

UINT CodePage(TEncoding from) {
  switch (from) {
    case TEncoding::kUtf8:
      return CP_UTF8;
    case TEncoding::kEucJp:
      return 20932;
    case TEncoding::kWindows1252:
      return 1252;
    case TEncoding::kShiftJis:
      break;
  }
  return kShiftJis;
}

// The counterparts of `wide`'s characters; a surrogate pair (a character
// beyond U+FFFF) becomes one "？", as POSIX gives it.
std::wstring Counterparts(const std::wstring& wide) {
  std::wstring mapped;
  mapped.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t c = static_cast<char16_t>(wide[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      ++i;
      mapped += static_cast<wchar_t>(kUnknown);
      continue;
    }
    mapped += static_cast<wchar_t>(Counterpart(c));
  }
  return mapped;
}

}  // namespace

bool ToShiftJis(std::string_view bytes, TEncoding from, std::string& out) {
  if (from == TEncoding::kShiftJis) {
    out.assign(bytes);
    return true;
  }
  if (bytes.empty()) {
    out.clear();
    return true;
  }
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const UINT code_page = CodePage(from);
  const int size = static_cast<int>(bytes.size());
  // Without MB_ERR_INVALID_CHARS a broken sequence becomes U+FFFD, which
  // Counterparts turns into "？".
  const int n = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  if (MultiByteToWideChar(code_page, 0, bytes.data(), size, wide.data(), n) != n) return false;
  wide = Counterparts(wide);

  static const char kDefault[] = "\x81\x48";
  const int wide_size = static_cast<int>(wide.size());
  const int m =
      WideCharToMultiByte(kShiftJis, 0, wide.data(), wide_size, nullptr, 0, kDefault, nullptr);
  if (m <= 0) return false;
  std::string result(static_cast<std::size_t>(m), '\0');
  if (WideCharToMultiByte(kShiftJis, 0, wide.data(), wide_size, result.data(), m, kDefault,
                          nullptr) != m) {
    return false;
  }
  encoding_internal::KeepShiftJis(result);
  out = std::move(result);
  return true;
}

}  // namespace kivo::platform
