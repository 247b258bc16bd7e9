// Conversions between the program's Shift-JIS byte text and the UTF-16 text
// of the wide Win32 functions. Code page 932 is named explicitly so that a
// Windows whose ANSI code page is something else (a Western system, or one
// set to UTF-8) still reaches files and windows with Japanese names.
// Win32 only; never included by portable code.
#pragma once

#include <string>

namespace kivo::platform::win32 {

// Shift-JIS (code page 932) to UTF-16. Bytes that are not valid Shift-JIS
// become U+30FB or the system's default character, as MultiByteToWideChar
// does without MB_ERR_INVALID_CHARS.
std::wstring Wide(const std::string& sjis);
// The same, but false (and `out` untouched) when `sjis` holds a byte
// sequence that is not valid Shift-JIS. Used for paths, where a guessed
// character could name a different file.
bool WideExact(const std::string& sjis, std::wstring& out);
// UTF-16 to Shift-JIS. Characters that code page 932 lacks become "?".
std::string Narrow(const std::wstring& wide);
// The same, but false when some character has no Shift-JIS form.
bool NarrowExact(const std::wstring& wide, std::string& out);
// UTF-16 to the ANSI code page of this system; false when some character
// has no form there.
bool AnsiExact(const std::wstring& wide, std::string& out);

}  // namespace kivo::platform::win32
