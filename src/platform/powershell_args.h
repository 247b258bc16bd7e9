// The download helper's command line, read the way powershell.exe reads
// "powershell wget '<address>' -O '<file>'": the words after the program name
// (already split by the Windows argument rules) are joined with single spaces
// and the result is parsed as one PowerShell command. Only the narrow form
// that names one address and one output file is accepted; anything that
// PowerShell would treat as code (operators, sub-expressions, variables,
// further commands) is refused, so nothing on the line is ever executed.
#pragma once

#include <string>
#include <vector>

namespace kivo::platform {

struct DownloadCommand {
  std::string address;      // as written, quotes removed
  std::string output_path;  // as written, quotes removed; bytes unchanged
};

// Joins `words` with one space between each, as powershell.exe does with
// the arguments that make up its command.
std::string JoinCommandWords(const std::vector<std::string>& words);

// Parses `command` (the joined words). The command name is wget,
// Invoke-WebRequest, iwr or curl, in any letter case. Its arguments are
// single-quoted strings ('' stands for one quote) or bare words; the switch
// -OutFile (or any prefix of it, from -O) takes the next argument as the
// output file; -Uri (or -Ur) takes the next as the address; otherwise the one
// positional argument is the address. Exactly one address and one non-empty
// output file without control bytes are required.
// Returns true and fills `result` on success; on refusal returns false and
// sets `error` to a short English reason.
bool ParseDownloadCommand(const std::string& command, DownloadCommand& result, std::string& error);

// Checks that `address` is an http:// or https:// address with a host and no
// control bytes, and percent-encodes the bytes a request line cannot carry
// as they are (space, double quote, backslash, <, >, ^, `, {, |, } and bytes
// from 0x80). Returns true with `normalized` filled, or false with `error`.
bool NormalizeDownloadAddress(const std::string& address, std::string& normalized,
                              std::string& error);

}  // namespace kivo::platform
