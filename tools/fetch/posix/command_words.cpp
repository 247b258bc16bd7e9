#include "command_words.h"

namespace kivo::fetch {

// The program's process layer splits command lines by the Windows rules
// before it starts us, so argv already holds what CommandLineToArgvW would.
std::vector<std::string> CommandWords(int argc, char** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace kivo::fetch
