// The words of the helper's own command line after the program name, split
// by the Windows argument rules: on Windows from GetCommandLineA (the raw
// code page 932 bytes); on POSIX from argv, which the program's process
// layer has already split by the same rules.
#pragma once

#include <string>
#include <vector>

namespace kivo::fetch {

std::vector<std::string> CommandWords(int argc, char** argv);

}  // namespace kivo::fetch
