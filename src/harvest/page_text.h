// Reading a fetched page for analysis: its bytes, in Shift-JIS whatever
// encoding the shop sent it in, as lines for the tokenizer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo {

// The page's text in Shift-JIS: `page` itself when DetectPageEncoding finds
// Shift-JIS (byte for byte, as the shop has always sent it); otherwise its
// conversion by platform::ToShiftJis, byte-order mark left out. A page the
// system cannot convert stays as it is.
std::string PageTextInShiftJis(std::string page);

// Loads the page file `path` as lines without their terminators (CR LF, LF
// or a lone CR ends a line; a final line without one counts), in Shift-JIS
// (PageTextInShiftJis). False, `lines` empty, when the file cannot be read.
bool LoadPageLines(const std::string& path, std::vector<std::string>& lines);

}  // namespace kivo
