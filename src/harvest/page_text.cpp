#include "harvest/page_text.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "harvest/page_encoding.h"
#include "platform/encoding.h"
#include "platform/platform.h"

namespace kivo {

std::string PageTextInShiftJis(std::string page) {
  const TPageEncoding found = DetectPageEncoding(page);
  if (found.encoding == platform::TEncoding::kShiftJis) return page;
  std::string converted;
  if (!platform::ToShiftJis(std::string_view(page).substr(found.mark), found.encoding, converted)) {
    return page;
  }
  return converted;
}

bool LoadPageLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::string bytes;
  if (!platform::ReadFile(path, bytes)) return false;
  const std::string text = PageTextInShiftJis(std::move(bytes));
  // Line ends are ASCII in every encoding read, so they split the same
  // before and after the conversion.
  std::size_t start = 0;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text, start, i - start);
    if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.emplace_back(text, start, n - start);
  return true;
}

}  // namespace kivo
