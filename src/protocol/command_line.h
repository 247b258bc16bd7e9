// The download helper's command line, in both directions: the plugin builds
// "powershell wget '<address>' -O '<file>'" and the helper reads it back the
// way powershell.exe reads it: the words after the program name (split by
// the Windows argument rules) are joined with single spaces and the result
// is parsed as one PowerShell command. Only the narrow form that names one
// address and one output file is accepted; anything that PowerShell would
// treat as code (operators, sub-expressions, variables, further commands) is
// refused, so nothing on the line is ever executed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::protocol {

// The download command line: powershell wget '<address>' -O '<file>'.
//
// The address must begin with "http://" or "https://" (any case). In it,
// every single quote, double quote, backslash, space, control byte (below
// 0x20, and 0x7F) and byte of 0x80 or more becomes "%XX" (upper-case hex);
// every run of "&" stands between two double quotes ("&" -> "\"&\"",
// "&&" -> "\"&&\""); all else is copied. The path is copied a Shift-JIS
// character at a time, with every character PowerShell reads as a single
// quote (IsSingleQuoteAt) doubled and every run of two or more spaces
// between two double quotes (the real backslashes just before it doubled;
// the second byte 0x5C of a character such as 表 is none), so that the
// receiver's joining of words with single spaces gives the run back. An
// empty address or path, another scheme, or a path holding a double quote
// or a control byte (below 0x20) gives "": the caller then fetches nothing.
//
// So the receiver (the download helper, or PowerShell itself) reads the
// line back exactly by: splitting it by the Windows argument rules
// (platform::SplitCommandLine; on Windows, CommandLineToArgvW and the C
// runtime read the same words from the line's UTF-16 form), which only
// removes the double quotes around each "&" and space run (and the doubled
// backslashes before them); joining the words after the program name with
// single spaces; and reading that as PowerShell does: wget, a single-quoted
// address, -O, a single-quoted path, where inside single quotes a doubled
// quote character stands for one and nothing else is special. The address
// holds no quote, blank or backslash, so it stays one word whatever a page
// put in it.
std::string BuildFetchCommandLine(const std::string& address, const std::string& output_path);

struct DownloadCommand {
  std::string address;      // as written, quotes removed
  std::string output_path;  // as written, quotes removed; bytes unchanged
};

// Joins `words` with one space between each, as powershell.exe does with
// the arguments that make up its command.
std::string JoinCommandWords(const std::vector<std::string>& words);

// True when the Shift-JIS character that begins at byte `i` of `text` is
// one PowerShell reads as a single quote: "'", or the full-width ‘ (81 65)
// or ’ (81 66), which stand for U+2018 and U+2019.
bool IsSingleQuoteAt(std::string_view text, std::size_t i);

// Parses `command` (the joined words). The command name is wget,
// Invoke-WebRequest, iwr or curl, in any letter case. Its arguments are
// single-quoted strings or bare words. A string opens with "'" and is read
// a Shift-JIS character at a time, as PowerShell reads it: any single-quote
// character (IsSingleQuoteAt) followed by another stands for the second
// one, and one alone ends the string; the switch
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

}  // namespace kivo::protocol
