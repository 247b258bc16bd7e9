// The download line started for real, through the platform's process start:
// a stand-in for the helper (spawn_parent words) writes down how its command
// line reached it, and each reading must give the words the line was built
// to carry. On Windows (under Wine) these are the system's own splitting,
// CommandLineToArgvW and the C runtime's argv, and ours, which the helper
// uses; on POSIX the words our splitter handed to the program.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "protocol/command_line.h"
#include "support/scratch_folder.h"

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile
#endif

namespace kivo::protocol {
namespace {

using kivo::testing::ScratchFolder;

// The stand-in sits in the build folder, one above the test programs.
std::string StandIn() {
  const std::string path = platform::ProgramPath();
  const std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
#ifdef _WIN32
  return folder + "..\\spawn_parent.exe";
#else
  return folder + "../spawn_parent";
#endif
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find(separator, start);
    parts.push_back(line.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// Starts `line` with the stand-in in place of its program and returns the
// readings it wrote, each a list of the words after the program name.
std::vector<std::vector<std::string>> Readings(const std::string& line) {
  const std::string program = "powershell ";
  if (line.rfind(program, 0) != 0) return {};
  ScratchFolder folder;
  std::string started(1, '"');
  started += StandIn() + "\" words " + line.substr(program.size());
  const std::unique_ptr<platform::Process> process = platform::StartProcess(started, folder.path());
  if (process == nullptr) return {};
  for (int i = 0; i < 1000 && !process->Ended(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!process->Ended() || process->ExitCode() != 0) return {};
  std::string text = ScratchFolder::Get(folder.File("words.txt"));
  std::vector<std::vector<std::string>> readings;
  for (const std::string& reading : Split(text, '\n')) {
    if (!reading.empty()) readings.push_back(Split(reading, '\x1f'));
  }
  return readings;
}

TEST(FetchCommandLineStarted, EveryReadingGivesTheWordsItWasBuiltToCarry) {
  const std::string address = "https://x/?a=1&b=2";
  struct Case {
    std::string path;
    std::string path_word;  // the path's word as the splitting leaves it
  };
  // Characters whose second byte is 0x5C (表 95 5C, ソ 83 5C, 能 94 5C) just
  // before the double quote around a run of spaces, alone or after a real
  // backslash, and before single quotes; and ’ (81 66), a quote to
  // PowerShell.
  const std::vector<Case> cases = {
      {"C:\\T\\\x95\x5c  a.jpg", "'C:\\T\\\x95\x5c  a.jpg'"},
      {"C:\\\x83\x5c\\  b.jpg", "'C:\\\x83\x5c\\  b.jpg'"},
      {"C:\\\x94\x5c\\\\   c\x94\x5c", "'C:\\\x94\x5c\\\\   c\x94\x5c'"},
      {"C:\\\x94\x5c'\x94\x5c", "'C:\\\x94\x5c''\x94\x5c'"},
      {"C:\\Let\x81\x66s  Go.jpg", "'C:\\Let\x81\x66\x81\x66s  Go.jpg'"},
  };
  const std::vector<std::string> others = {"words", "wget", "'https://x/?a=1&b=2'", "-O"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::vector<std::string> expected = others;
    expected.push_back(c.path_word);
    const auto readings = Readings(BuildFetchCommandLine(address, c.path));
#ifdef _WIN32
    ASSERT_EQ(readings.size(), 3u);
    EXPECT_EQ(readings[0], expected) << "CommandLineToArgvW";
    // The C runtime's argv is in the ANSI code page; on a Japanese system
    // that is the line's own.
    if (GetACP() == 932) EXPECT_EQ(readings[1], expected) << "the C runtime's argv";
    EXPECT_EQ(readings[2], expected) << "ours, as the helper splits its line";
#else
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0], expected);
#endif
    // The helper joins the words after the program name and reads them.
    DownloadCommand command;
    std::string error;
    ASSERT_TRUE(ParseDownloadCommand(
        JoinCommandWords(std::vector<std::string>(expected.begin() + 1, expected.end())), command,
        error))
        << error;
    EXPECT_EQ(command.address, address);
    EXPECT_EQ(command.output_path, c.path);
  }
}

}  // namespace
}  // namespace kivo::protocol
