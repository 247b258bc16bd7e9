#include "command_words.h"

#include <windows.h>

#include "platform/cmdline.h"
#include "platform/win32/wide_text.h"

namespace kivo::fetch {

// The plugin starts us with CreateProcessW and a line converted from code
// page 932, so the wide line read back as 932 gives its bytes exactly, on a
// system of any ANSI code page (GetCommandLineA would read it in the ANSI
// code page, which loses Japanese file names on a Western or UTF-8
// system). The C runtime's argv would add nothing but its own reading of the
// quotes, which must be the Windows one used here.
std::vector<std::string> CommandWords(int, char**) {
  const wchar_t* line = GetCommandLineW();
  std::vector<std::string> words =
      platform::SplitCommandLine(line != nullptr ? platform::win32::Narrow(line) : "");
  if (!words.empty()) words.erase(words.begin());  // the program name
  return words;
}

}  // namespace kivo::fetch
