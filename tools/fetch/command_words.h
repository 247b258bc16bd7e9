// The words of the helper's own command line after the program name, split
// by the Windows argument rules: on Windows from GetCommandLineW converted
// to code page 932 and split by platform::SplitCommandLine; on POSIX from
// argv, which the program's process layer has already split by the same
// rules.
#pragma once

#include <string>
#include <vector>

namespace kivo::fetch {

std::vector<std::string> CommandWords(int argc, char** argv);

}  // namespace kivo::fetch
