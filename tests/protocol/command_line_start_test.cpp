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
#include "protocol/exit_code.h"
#include "support/scratch_folder.h"

#ifdef _WIN32
#include <windows.h>
#undef DeleteFile
#endif

namespace kivo::protocol {
namespace {

using kivo::testing::ScratchFolder;

// A program of the build folder, one above the test programs, where the
// stand-in and the download helper sit.
std::string Beside(const std::string& name) {
  const std::string path = platform::ProgramPath();
  const std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
#ifdef _WIN32
  return folder + "..\\" + name + ".exe";
#else
  return folder + "../" + name;
#endif
}

// `line` with `program` (quoted), and `words` after it, in place of its
// first word "powershell"; empty when the line does not begin with it.
std::string WithProgram(const std::string& line, const std::string& program,
                        const std::string& words = "") {
  const std::string first = "powershell ";
  if (line.rfind(first, 0) != 0) return {};
  std::string started(1, '"');
  started += program + "\" " + words + line.substr(first.size());
  return started;
}

// Starts `command_line` in `folder` and waits up to ten seconds for its
// end: its exit code, or -1.
int RunToEnd(const std::string& command_line, const std::string& folder) {
  const std::unique_ptr<platform::Process> process = platform::StartProcess(command_line, folder);
  if (process == nullptr) return -1;
  for (int i = 0; i < 1000 && !process->Ended(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return process->Ended() ? process->ExitCode() : -1;
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
  ScratchFolder folder;
  const std::string started = WithProgram(line, Beside("spawn_parent"), "words ");
  if (started.empty() || RunToEnd(started, folder.path()) != 0) return {};
  const std::string text = ScratchFolder::Get(folder.File("words.txt"));
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
    if (GetACP() == 932) {
      EXPECT_EQ(readings[1], expected) << "the C runtime's argv";
    }
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

TEST(FetchCommandLineStarted, TheHelperTakesThePathItWasGiven) {
  // The download helper itself, started with such paths in a folder that
  // does not exist: having read its line, it finds no folder to write in
  // (kLocal), where a line read otherwise is refused (kRefused). The
  // address is never asked for.
  ScratchFolder folder;
  const std::string separator(1, platform::PathSeparator());
  for (const std::string& name : {std::string("\x95\x5c  x"), std::string("\x83\x5c\\  y"),
                                  std::string("Let\x81\x66s \x94\x5c'  z")}) {
    const std::string path = folder.path() + separator + name + separator + "a.html";
    SCOPED_TRACE(path);
    const std::string line =
        WithProgram(BuildFetchCommandLine("http://127.0.0.1:1/", path), Beside("powershell"));
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(RunToEnd(line, folder.path()), static_cast<int>(ExitCode::kLocal));
  }
}

}  // namespace
}  // namespace kivo::protocol
