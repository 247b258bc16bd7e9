// Starting programs without a shell: the program's own folder before PATH,
// the Windows argument rules, the working folder, no terminal I/O, no
// zombies left behind.
// POSIX only: the Windows side has its own tests.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/scratch_folder.h"

namespace kivo::platform {
namespace {

using kivo::testing::ScratchFolder;

std::string FolderOfThisProgram() {
  const std::string path = ProgramPath();
  return path.substr(0, path.rfind('/') + 1);
}

void PutScript(const std::string& path, const std::string& body) {
  ScratchFolder::Put(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
}

// Polls until the process ends; false after five seconds.
bool WaitForEnd(Process& process) {
  for (int i = 0; i < 500; ++i) {
    if (process.Ended()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = "kivo-probe-" + std::to_string(getpid());
    own_ = FolderOfThisProgram() + name_;
    const char* path = getenv("PATH");
    saved_path_ = path ? path : "";
    setenv("PATH", (on_path_.path() + ":" + saved_path_).c_str(), 1);
  }
  void TearDown() override {
    unlink(own_.c_str());
    setenv("PATH", saved_path_.c_str(), 1);
  }

  std::string name_;
  std::string own_;
  std::string saved_path_;
  ScratchFolder on_path_;
  ScratchFolder work_;
};

TEST_F(ProcessTest, ProgramFolderComesBeforePath) {
  PutScript(own_, "echo own > \"$1\"\n");
  PutScript(on_path_ / name_, "echo path > \"$1\"\n");
  auto process = StartProcess(name_ + " result.txt", work_.path());
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitForEnd(*process));
  EXPECT_EQ(ScratchFolder::Get(work_ / "result.txt"), "own\n");

  unlink(own_.c_str());
  process = StartProcess(name_ + " result.txt", work_.path());
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitForEnd(*process));
  EXPECT_EQ(ScratchFolder::Get(work_ / "result.txt"), "path\n");
}

TEST_F(ProcessTest, ArgumentsFollowWindowsRulesAndReachNoShell) {
  PutScript(on_path_ / name_, "for a in \"$@\"; do printf '[%s]' \"$a\"; done > out.txt\n");
  auto process = StartProcess(
      name_ + " wget 'https://x/?a=1\"&\"b=2' \"two words\" $(touch pwned) ;x", work_.path());
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitForEnd(*process));
  EXPECT_EQ(ScratchFolder::Get(work_ / "out.txt"),
            "[wget]['https://x/?a=1&b=2'][two words][$(touch][pwned)][;x]");
  EXPECT_FALSE(FileExists(work_ / "pwned"));
}

TEST_F(ProcessTest, NoTerminalInputOrOutput) {
  // The script looks at its own descriptors as it was given them.
  PutScript(on_path_ / name_,
            "ls -l /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2 | sed 's/.*-> //' > \"$1\"\n");
  auto process = StartProcess(name_ + " fds.txt", work_.path());
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitForEnd(*process));
  EXPECT_EQ(ScratchFolder::Get(work_ / "fds.txt"), "/dev/null\n/dev/null\n/dev/null\n");
}

TEST_F(ProcessTest, CannotStart) {
  EXPECT_EQ(StartProcess("kivo-no-such-program-here x", work_.path()), nullptr);
  EXPECT_EQ(StartProcess("", work_.path()), nullptr);
  EXPECT_EQ(StartProcess("   ", work_.path()), nullptr);
  ScratchFolder::Put(on_path_ / name_, "not executable");
  EXPECT_EQ(StartProcess(name_, work_.path()), nullptr);
  // A working folder that does not exist fails the start, as on Windows.
  EXPECT_EQ(StartProcess("true", work_ / "missing"), nullptr);
}

TEST_F(ProcessTest, EndedAndNoZombieLeft) {
  auto quick = StartProcess("true", work_.path());
  ASSERT_NE(quick, nullptr);
  ASSERT_TRUE(WaitForEnd(*quick));
  EXPECT_TRUE(quick->Ended());  // stays ended

  PutScript(on_path_ / name_, "echo $$ > pid.txt\nsleep 0.3\n");
  auto slow = StartProcess(name_, work_.path());
  ASSERT_NE(slow, nullptr);
  EXPECT_FALSE(slow->Ended());
  for (int i = 0; i < 500 && FileSize(work_ / "pid.txt") <= 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const pid_t pid = std::stoi(ScratchFolder::Get(work_ / "pid.txt"));
  slow.reset();  // dropped while still running
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  // A zombie still answers signal 0; the next start reaps it.
  auto next = StartProcess("true", work_.path());
  ASSERT_NE(next, nullptr);
  ASSERT_TRUE(WaitForEnd(*next));
  errno = 0;
  EXPECT_EQ(kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
