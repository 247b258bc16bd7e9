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
//   spawn_parent words ...
//       writes how its own command line reached it into "words.txt" in its
//       current folder, one line per reading, the words after the program
//       name separated by 0x1F: on Windows the system's CommandLineToArgvW,
//       the C runtime's argv and platform::SplitCommandLine of the line in
//       code page 932; on POSIX argv, as the process layer split the line
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile
// After windows.h, which it needs.
#include <shellapi.h>

#include <vector>

#include "platform/cmdline.h"
#include "platform/win32/wide_text.h"
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

// The words after the program name, joined by 0x1F, and a line end.
template <typename Words>
std::string WordsLine(const Words& words, std::size_t count) {
  std::string line;
  for (std::size_t i = 1; i < count; ++i) {
    if (i > 1) line += '\x1f';
    line += words[i];
  }
  return line + "\n";
}

int WriteWords(int argc, char** argv) {
  std::string readings;
#ifdef _WIN32
  int count = 0;
  wchar_t** system_words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (system_words == nullptr) return 1;
  std::vector<std::string> narrowed;
  for (int i = 0; i < count; ++i)
    narrowed.push_back(kivo::platform::win32::Narrow(system_words[i]));
  LocalFree(system_words);
  readings += WordsLine(narrowed, narrowed.size());
  readings += WordsLine(argv, static_cast<std::size_t>(argc));
  const std::vector<std::string> ours =
      kivo::platform::SplitCommandLine(kivo::platform::win32::Narrow(GetCommandLineW()));
  readings += WordsLine(ours, ours.size());
#else
  readings += WordsLine(argv, static_cast<std::size_t>(argc));
#endif
  std::ofstream out("words.txt.new", std::ios::binary);
  out << readings;
  out.close();
  // Appears complete or not at all.
  return out && std::rename("words.txt.new", "words.txt") == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  using namespace kivo::platform;
#ifdef _WIN32
  if (argc == 4 && std::strcmp(argv[1], "free") == 0) return StartFree(argv[2], argv[3]);
#endif
  if (argc >= 2 && std::strcmp(argv[1], "words") == 0) return WriteWords(argc, argv);
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
      "line> | words ...\n",
      stderr);
  return 2;
}
