// Started processes on Windows: exit codes, Kill, and the job object that
// ends a started process when the plugin itself ends.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
#undef DeleteFile

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/scratch_folder.h"

namespace kivo::platform {
namespace {

using kivo::testing::ScratchFolder;

// The stand-in parent sits in the build folder, one above the tests.
std::string SpawnParent() {
  const std::string path = ProgramPath();
  return path.substr(0, path.find_last_of("\\/") + 1) + "..\\spawn_parent.exe";
}

// `text` in double quotes. (Built by appending: GCC 12 warns falsely about
// a literal + std::string here.)
std::string Quoted(const std::string& text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}

bool WaitEnded(Process& process) {
  for (int i = 0; i < 500; ++i) {
    if (process.Ended()) return true;
    Sleep(20);
  }
  return false;
}

// The process id a "spawn_parent sleep" wrote; 0 when none came in 10 s.
DWORD WaitForPid(const std::string& file) {
  for (int i = 0; i < 500; ++i) {
    if (FileSize(file) > 0) return static_cast<DWORD>(std::stoul(ScratchFolder::Get(file)));
    Sleep(20);
  }
  return 0;
}

TEST(Win32Process, ExitCodeOnceEnded) {
  ScratchFolder work;
  auto process = StartProcess("cmd.exe /c exit 7", work.path());
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitEnded(*process));
  EXPECT_EQ(process->ExitCode(), 7);
  process->Kill();  // ended already: changes nothing
  EXPECT_EQ(process->ExitCode(), 7);
}

TEST(Win32Process, KillEndsTheProcessAndLeavesNoExitCode) {
  ScratchFolder work;
  const std::string pid_file = work / "pid.txt";
  const std::string line = Quoted(SpawnParent()) + " sleep " + Quoted(pid_file);
  auto process = StartProcess(line, work.path());
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->ExitCode(), -1);  // running
  const DWORD pid = WaitForPid(pid_file);
  ASSERT_NE(pid, 0u);
  process->Kill();
  EXPECT_TRUE(process->Ended());
  EXPECT_EQ(process->ExitCode(), -1);
  HANDLE gone = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (gone != nullptr) {
    EXPECT_EQ(WaitForSingleObject(gone, 0), WAIT_OBJECT_0);
    CloseHandle(gone);
  }
}

TEST(Win32Process, StartedProcessEndsWithThePlugin) {
  // A parent of our own, started outside our job, starts a sleeper through
  // StartProcess; when the parent is killed, the sleeper must go too.
  ScratchFolder work;
  const std::string pid_file = work / "pid.txt";
  // All ASCII here: the scratch folder lies in the temporary folder.
  const std::string narrow = Quoted(SpawnParent()) + " start " + Quoted(work.path()) + " " +
                             Quoted("spawn_parent.exe sleep " + pid_file);
  std::wstring line(narrow.begin(), narrow.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION parent{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &parent));
  const DWORD pid = WaitForPid(pid_file);
  HANDLE child = pid != 0 ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
  TerminateProcess(parent.hProcess, 1);
  WaitForSingleObject(parent.hProcess, 5000);
  CloseHandle(parent.hProcess);
  CloseHandle(parent.hThread);
  ASSERT_NE(child, nullptr) << "the sleeper did not start";
  const DWORD waited = WaitForSingleObject(child, 5000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(child, 1);
  CloseHandle(child);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "the sleeper outlived its parent";
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
