// Starting programs without a shell: the program's own folder before PATH,
// the Windows argument rules, the working folder, no terminal I/O, a clean
// start (signals, descriptors, process group), no zombies left behind, exit
// codes, and ending a process that will not stop by itself.
// POSIX only: the Windows side has its own tests (win32_process_test.cpp).
#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/scratch_folder.h"

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

// Waits until `path` holds something; false after five seconds.
bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    if (FileSize(path) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST_F(ProcessTest, StartsCleanWhateverThePluginsOwnState) {
  // What the plugin has set up for itself must not reach the child: an
  // ignored signal, a blocked one, a descriptor without close-on-exec.
  struct sigaction ignore = {}, saved_int = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGINT, &ignore, &saved_int);
  sigset_t usr1, saved_mask;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  sigprocmask(SIG_BLOCK, &usr1, &saved_mask);
  const int fd = open("/dev/zero", O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(dup2(fd, 47), 47);

  PutScript(on_path_ / name_,
            "[ -e /proc/$$/fd/47 ] && echo open > fd.txt || echo closed > fd.txt\n"
            "echo $$ $(cut -d' ' -f5 /proc/$$/stat) > group.txt\n"
            // The shell blocks signals around its own forks: look at the
            // mask the shell was given, by becoming the program that reads it.
            "exec grep -E '^Sig(Blk|Ign)' /proc/self/status > sig.txt\n");
  auto process = StartProcess(name_, work_.path());

  sigaction(SIGINT, &saved_int, nullptr);
  sigprocmask(SIG_SETMASK, &saved_mask, nullptr);
  close(47);
  close(fd);
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitForEnd(*process));
  EXPECT_EQ(process->ExitCode(), 0);
  EXPECT_EQ(ScratchFolder::Get(work_ / "sig.txt"),
            "SigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n");
  EXPECT_EQ(ScratchFolder::Get(work_ / "fd.txt"), "closed\n");
  // Its own process group: the group id is its own pid.
  const std::string group = ScratchFolder::Get(work_ / "group.txt");
  const std::size_t space = group.find(' ');
  ASSERT_NE(space, std::string::npos) << group;
  EXPECT_EQ(group.substr(0, space) + "\n", group.substr(space + 1));
}

TEST_F(ProcessTest, ExitCodeOnceEnded) {
  PutScript(on_path_ / name_, "while [ ! -e go ]; do sleep 0.01; done\nexit 7\n");
  auto process = StartProcess(name_, work_.path());
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->ExitCode(), -1);  // still running
  ScratchFolder::Put(work_ / "go", "");
  ASSERT_TRUE(WaitForEnd(*process));
  EXPECT_EQ(process->ExitCode(), 7);
  EXPECT_EQ(process->ExitCode(), 7);  // asked again
  process->Kill();                    // ended already: changes nothing
  EXPECT_EQ(process->ExitCode(), 7);

  auto quick = StartProcess("true", work_.path());
  ASSERT_NE(quick, nullptr);
  ASSERT_TRUE(WaitForEnd(*quick));
  EXPECT_EQ(quick->ExitCode(), 0);
}

TEST_F(ProcessTest, EndedBySignalHasNoExitCode) {
  PutScript(on_path_ / name_, "echo $$ > pid.txt\nexec sleep 30\n");
  auto process = StartProcess(name_, work_.path());
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitForFile(work_ / "pid.txt"));
  kill(std::stoi(ScratchFolder::Get(work_ / "pid.txt")), SIGKILL);
  ASSERT_TRUE(WaitForEnd(*process));
  EXPECT_EQ(process->ExitCode(), -1);
}

TEST_F(ProcessTest, KillGivesTimeToCleanUpThenEnds) {
  // A child that cleans up on SIGTERM gets to do so.
  PutScript(on_path_ / name_,
            "trap 'echo cleaned > cleaned.txt; exit 3' TERM\necho $$ > pid.txt\n"
            "while :; do sleep 0.02; done\n");
  auto polite = StartProcess(name_, work_.path());
  ASSERT_NE(polite, nullptr);
  ASSERT_TRUE(WaitForFile(work_ / "pid.txt"));
  polite->Kill();
  EXPECT_TRUE(polite->Ended());
  EXPECT_EQ(polite->ExitCode(), -1);  // killed, whatever it chose to exit with
  EXPECT_EQ(ScratchFolder::Get(work_ / "cleaned.txt"), "cleaned\n");

  // One that ignores SIGTERM still ends, and is reaped: no zombie answers.
  unlink((work_ / "pid.txt").c_str());
  PutScript(on_path_ / name_, "trap '' TERM\necho $$ > pid.txt\nexec sleep 30\n");
  auto stubborn = StartProcess(name_, work_.path());
  ASSERT_NE(stubborn, nullptr);
  ASSERT_TRUE(WaitForFile(work_ / "pid.txt"));
  const pid_t pid = std::stoi(ScratchFolder::Get(work_ / "pid.txt"));
  stubborn->Kill();
  EXPECT_TRUE(stubborn->Ended());
  EXPECT_EQ(stubborn->ExitCode(), -1);
  errno = 0;
  EXPECT_EQ(kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

TEST_F(ProcessTest, ChildIsToldWhenItsStarterDies) {
  // A parent of our own that starts the child through StartProcess and then
  // dies without a word; the child must get SIGTERM.
  PutScript(on_path_ / name_,
            "trap 'echo orphaned > died.txt; exit 0' TERM\necho $$ > pid.txt\n"
            "while :; do sleep 0.02; done\n");
  const std::string command = name_;
  const std::string folder = work_.path();
  const pid_t parent = fork();
  ASSERT_GE(parent, 0);
  if (parent == 0) {
    auto child = StartProcess(command, folder);
    if (!child) _exit(1);
    while (FileSize(folder + "/pid.txt") <= 0) usleep(10000);
    _exit(0);  // Process objects are not destroyed: the child is left running
  }
  int status = 0;
  ASSERT_EQ(waitpid(parent, &status, 0), parent);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(WaitForFile(work_ / "died.txt"));
  EXPECT_EQ(ScratchFolder::Get(work_ / "died.txt"), "orphaned\n");
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
