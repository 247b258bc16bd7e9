#include <string>

#include "protocol/command_line.h"
#include "text/bytes.h"

namespace kivo::protocol {

std::string BuildFetchCommandLine(const std::string& address, const std::string& output_path) {
  if (address.empty() || output_path.empty()) return std::string();
  if (!ascii::StartsWithNoCase(address, "http://") &&
      !ascii::StartsWithNoCase(address, "https://")) {
    return std::string();
  }
  for (const char ch : output_path) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == '"') return std::string();
  }

  static const char kHex[] = "0123456789ABCDEF";
  std::string line = "powershell wget '";
  for (std::size_t i = 0; i < address.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(address[i]);
    if (c == '&') {
      // A run of "&" stands inside one pair of double quotes: two pairs side
      // by side would read as an escaped quote.
      std::size_t run = 1;
      while (i + run < address.size() && address[i + run] == '&') ++run;
      line += '"';
      line.append(run, '&');
      line += '"';
      i += run - 1;
    } else if (c == '\'' || c == '"' || c == '\\' || c == ' ' || c < 0x20 || c >= 0x7F) {
      line += '%';
      line += kHex[c >> 4];
      line += kHex[c & 0x0F];
    } else {
      line += static_cast<char>(c);
    }
  }
  line += "' -O '";
  for (std::size_t i = 0; i < output_path.size(); ++i) {
    const char c = output_path[i];
    if (c == ' ' && i + 1 < output_path.size() && output_path[i + 1] == ' ') {
      // The helper re-joins the split words with single spaces, so a run of
      // blanks travels inside double quotes as one piece of its word. The
      // backslashes just before the opening quote are doubled, or the
      // splitter would read the last of them as escaping the quote.
      std::size_t backslashes = 0;
      while (backslashes < line.size() && line[line.size() - 1 - backslashes] == '\\') {
        ++backslashes;
      }
      line.append(backslashes, '\\');
      std::size_t run = 0;
      while (i + run < output_path.size() && output_path[i + run] == ' ') ++run;
      line += '"';
      line.append(run, ' ');
      line += '"';
      i += run - 1;
      continue;
    }
    line += c;
    if (c == '\'') line += '\'';
  }
  line += "'";
  return line;
}

}  // namespace kivo::protocol
