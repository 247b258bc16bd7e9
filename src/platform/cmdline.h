// Command lines as Windows splits them, shared by the POSIX process layer
// (which starts programs without a shell) and the download helper.
#pragma once

#include <string>
#include <vector>

namespace kivo::platform {

// Splits a Shift-JIS command line by the rules of the Windows C runtime and
// CommandLineToArgvW: blanks (space, tab) separate arguments outside double
// quotes; 2n backslashes before a double quote give n backslashes and the
// quote toggles quoting; 2n+1 give n backslashes and a literal quote;
// backslashes elsewhere are literal; inside quotes "" gives a literal quote.
// The first argument (the program) ends at the first blank, or at the
// closing quote when it begins with one, with no escape processing.
//
// A double-byte character is one character, as Windows sees it in the
// line's UTF-16 form: the 0x5C that ends "表", "ソ" or "能" is no backslash,
// so it neither escapes a quote after it nor counts among the backslashes
// before one. A lead byte that nothing can complete is a character of one
// byte (text/bytes.h).
std::vector<std::string> SplitCommandLine(const std::string& command_line);

}  // namespace kivo::platform
