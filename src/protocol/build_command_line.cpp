#include <string>

#include "protocol/command_line.h"
#include "text/bytes.h"

namespace kivo::protocol {
namespace {

// The address between single quotes: nothing in it can end the quotes, and
// every "&" travels inside double quotes, past the Windows splitter, to
// PowerShell, which takes it literally there.
void AppendAddress(std::string& line, const std::string& address) {
  static const char kHex[] = "0123456789ABCDEF";
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
}

// The path between single quotes, walked a character at a time: the second
// byte 0x5C of 表, ソ or 能 is no backslash to Windows, which splits the
// line in its UTF-16 form, nor to our splitter, so it is never counted
// among the backslashes before a quote.
void AppendPath(std::string& line, const std::string& path) {
  std::size_t backslashes = 0;  // real backslashes just written
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t length = sjis::CharLength(path, i);
    const char c = path[i];
    if (c == ' ' && i + 1 < path.size() && path[i + 1] == ' ') {
      // The helper re-joins the split words with single spaces, so a run of
      // blanks travels inside double quotes as one piece of its word. The
      // backslashes just before the opening quote are doubled, or the
      // splitter would read the last of them as escaping the quote.
      line.append(backslashes, '\\');
      std::size_t run = 0;
      while (i + run < path.size() && path[i + run] == ' ') ++run;
      line += '"';
      line.append(run, ' ');
      line += '"';
      i += run;
      backslashes = 0;
      continue;
    }
    line.append(path, i, length);
    // ‘ and ’ end PowerShell's single quotes as "'" does, and are doubled
    // the same way.
    if (IsSingleQuoteAt(path, i)) line.append(path, i, length);
    backslashes = (length == 1 && c == '\\') ? backslashes + 1 : 0;
    i += length;
  }
}

}  // namespace

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
  std::string line = "powershell wget '";
  AppendAddress(line, address);
  line += "' -O '";
  AppendPath(line, output_path);
  line += "'";
  return line;
}

}  // namespace kivo::protocol
