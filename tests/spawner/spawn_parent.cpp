// A stand-in for the plugin in tests of what happens to a started process
// when its parent dies. It sits beside the program and its helper in the
// build folder, so it finds them as the plugin does.
//
//   spawn_parent start <working folder> <command line>
//       starts the command line through the platform layer, prints
//       "started" (or "failed", exit 1) and then waits to be killed
//   spawn_parent sleep <file>
//       writes its process id into <file> and sleeps for a minute
//   spawn_parent free <file> <command line>       (Windows only)
//       starts the command line with CreateProcessW alone, in no job of
//       ours, prints "started" (or "failed", exit 1) and ends as soon as
//       <file> exists (or after 10 s): a parent that ends under a child the
//       platform layer could not bind to it
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

#ifdef _WIN32
int StartFree(const char* file, const char* command_line) {
  std::wstring line;
  for (const char* c = command_line; *c != '\0'; ++c) line += static_cast<unsigned char>(*c);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    std::puts("failed");
    return 1;
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  std::puts("started");
  std::fflush(stdout);
  for (int i = 0; i < 500 && GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
  return 0;
}
#endif

int main(int argc, char** argv) {
  using namespace kivo::platform;
#ifdef _WIN32
  if (argc == 4 && std::strcmp(argv[1], "free") == 0) return StartFree(argv[2], argv[3]);
#endif
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
  std::fputs(
      "usage: spawn_parent start <folder> <command line> | sleep <file> | free <file> <command "
      "line>\n",
      stderr);
  return 2;
}
