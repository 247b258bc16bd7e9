// A stand-in for the plugin in tests of what happens to a started process
// when its parent dies. It sits beside the program and its helper in the
// build folder, so it finds them as the plugin does.
//
//   spawn_parent start <working folder> <command line>
//       starts the command line through the platform layer, prints
//       "started" (or "failed", exit 1) and then waits to be killed
//   spawn_parent sleep <file>
//       writes its process id into <file> and sleeps for a minute
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile
int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }
#else
#include <unistd.h>
int CurrentProcessId() { return static_cast<int>(getpid()); }
#endif

int main(int argc, char** argv) {
  using namespace kivo::platform;
  if (argc == 4 && std::strcmp(argv[1], "start") == 0) {
    std::unique_ptr<Process> process = StartProcess(argv[3], argv[2]);
    std::puts(process ? "started" : "failed");
    std::fflush(stdout);
    if (!process) return 1;
    for (int i = 0; i < 600; ++i) SleepMilliseconds(100);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "sleep") == 0) {
    {
      std::ofstream out(argv[2] + std::string(".new"));
      out << CurrentProcessId() << "\n";
    }
    // Appears complete or not at all.
    std::rename((argv[2] + std::string(".new")).c_str(), argv[2]);
    for (int i = 0; i < 600; ++i) SleepMilliseconds(100);
    return 0;
  }
  std::fputs("usage: spawn_parent start <folder> <command line> | sleep <file>\n", stderr);
  return 2;
}
