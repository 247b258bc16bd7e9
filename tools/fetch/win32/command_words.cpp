#include "command_words.h"

#include <windows.h>

#include "platform/cmdline.h"

namespace kivo::fetch {

// The raw line keeps the code page 932 bytes the program sent through
// CreateProcessA; the C runtime's argv would add nothing but its own reading
// of the quotes, which must be the Windows one used here.
std::vector<std::string> CommandWords(int, char**) {
  const char* line = GetCommandLineA();
  std::vector<std::string> words = platform::SplitCommandLine(line != nullptr ? line : "");
  if (!words.empty()) words.erase(words.begin());  // the program name
  return words;
}

}  // namespace kivo::fetch
