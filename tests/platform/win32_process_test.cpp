// Started processes on Windows: exit codes, Kill, and the job object that
// ends a started process when the plugin itself ends.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
#undef DeleteFile

#include <memory>
#include <string>

#include "platform/platform.h"
#include "support/scratch_folder.h"

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

// Starts a parent of our own (outside our job; inside `host_job` when one is
// given, as a host may run the plugin) that starts a sleeper through
// StartProcess. Returns a handle to the sleeper, or null when none started;
// `parent` receives the parent's process.
HANDLE StartSleeperUnderParent(const ScratchFolder& work, HANDLE host_job,
                               PROCESS_INFORMATION& parent) {
  const std::string pid_file = work / "pid.txt";
  // All ASCII here: the scratch folder lies in the temporary folder.
  const std::string narrow = Quoted(SpawnParent()) + " start " + Quoted(work.path()) + " " +
                             Quoted("spawn_parent.exe sleep " + pid_file);
  std::wstring line(narrow.begin(), narrow.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &parent)) {
    return nullptr;
  }
  if (host_job != nullptr) AssignProcessToJobObject(host_job, parent.hProcess);
  ResumeThread(parent.hThread);
  const DWORD pid = WaitForPid(pid_file);
  return pid != 0 ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid) : nullptr;
}

// Kills the parent, then reports whether `child` ended with it (within 5 s).
bool EndsWithParent(PROCESS_INFORMATION& parent, HANDLE child) {
  TerminateProcess(parent.hProcess, 1);
  WaitForSingleObject(parent.hProcess, 5000);
  CloseHandle(parent.hProcess);
  CloseHandle(parent.hThread);
  const DWORD waited = WaitForSingleObject(child, 5000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(child, 1);
  CloseHandle(child);
  return waited == WAIT_OBJECT_0;
}

TEST(Win32Process, StartedProcessEndsWithThePlugin) {
  ScratchFolder work;
  PROCESS_INFORMATION parent{};
  HANDLE child = StartSleeperUnderParent(work, nullptr, parent);
  ASSERT_NE(child, nullptr) << "the sleeper did not start";
  EXPECT_TRUE(EndsWithParent(parent, child)) << "the sleeper outlived its parent";
}

TEST(Win32Process, StartedProcessEndsWithThePluginInsideAHostJob) {
  // A job that lets children break away sees the child leave it for ours; a
  // job that forbids it keeps the child, which must still start and, where
  // jobs nest, still join ours.
  for (const bool breakaway_ok : {false, true}) {
    SCOPED_TRACE(breakaway_ok ? "breakaway allowed" : "breakaway forbidden");
    const HANDLE host_job = CreateJobObjectW(nullptr, nullptr);
    ASSERT_NE(host_job, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = breakaway_ok ? JOB_OBJECT_LIMIT_BREAKAWAY_OK : 0;
    ASSERT_TRUE(SetInformationJobObject(host_job, JobObjectExtendedLimitInformation, &limits,
                                        sizeof limits));
    ScratchFolder work;
    PROCESS_INFORMATION parent{};
    HANDLE child = StartSleeperUnderParent(work, host_job, parent);
    if (child == nullptr) {
      TerminateProcess(parent.hProcess, 1);
      CloseHandle(parent.hProcess);
      CloseHandle(parent.hThread);
      CloseHandle(host_job);
      FAIL() << "the sleeper did not start";
    }
    BOOL in_host_job = FALSE;
    EXPECT_TRUE(IsProcessInJob(child, host_job, &in_host_job));
    EXPECT_EQ(in_host_job != FALSE, !breakaway_ok);
    EXPECT_TRUE(EndsWithParent(parent, child)) << "the sleeper outlived its parent";
    CloseHandle(host_job);
  }
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
