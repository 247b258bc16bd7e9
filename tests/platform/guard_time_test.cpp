// The instance guard between processes, the local clock and sleeping.
// POSIX only: the Windows side has its own tests.
#ifndef _WIN32
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/platform.h"
#include "support/scratch_folder.h"

namespace kivo::platform {
namespace {

using kivo::testing::ScratchFolder;

// Tries the guard in a child process, as the user `uid` when one is
// given: 1 when it was acquired, 0 when not.
int AcquireInChild(const std::string& name, const std::vector<std::string>& folders,
                   uid_t uid = static_cast<uid_t>(-1)) {
  const pid_t pid = fork();
  if (pid == 0) {
    // Drop the child's copy of a guard the parent holds; the parent's lock
    // stays, as it would for any other process.
    ReleaseInstanceGuard();
    if (uid != static_cast<uid_t>(-1) &&
        (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0))
      _exit(3);
    _exit(AcquireInstanceGuard(name, folders) ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

class GuardTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseInstanceGuard(); }
  // The folders of one run: a host folder and a temporary folder.
  std::vector<std::string> Run(const ScratchFolder& host, const ScratchFolder& temp) const {
    return {host.path(), temp.path() + "/"};
  }
  ScratchFolder host_, temp_;
  ScratchFolder other_host_, other_temp_;
};

TEST_F(GuardTest, SecondProcessIsRefusedWhileHeld) {
  ASSERT_TRUE(AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)));
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(host_, temp_)), 0);
  EXPECT_FALSE(
      AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)));  // nor twice in one process
  // Another name is another guard.
  EXPECT_EQ(AcquireInChild("OtherGuard", Run(host_, temp_)), 1);
  ReleaseInstanceGuard();
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(host_, temp_)), 1);
  // One folder named twice, once through "..", is locked once, not refused
  // by our own lock.
  ASSERT_TRUE(CreateFolder(host_ / "plugin"));
  EXPECT_TRUE(AcquireInstanceGuard("QuillsPlugIn", {host_ / "plugin/..", host_.path()}));
  // Outside a shared temporary folder, the lock file is one for every user,
  // named after the guard alone, readable as the umask allows.
  struct stat st;
  ASSERT_EQ(stat((host_ / "QuillsPlugIn.lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~CurrentUmask() & 0777);
  EXPECT_EQ(host_.Count(), 3u);  // this guard's file, OtherGuard's and "plugin"
}

TEST_F(GuardTest, OneRunPerHostFolderAndPerTemporaryFolder) {
  ASSERT_TRUE(AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)));
  // The same host folder with another temporary folder, and the same
  // temporary folder with another host folder: either would write the same
  // files twice.
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(host_, other_temp_)), 0);
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(other_host_, temp_)), 0);
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(other_host_, other_temp_)), 1);
}

TEST_F(GuardTest, FoldersThatCannotBeWrittenDoNotBlockButLinksDo) {
  // A missing temporary folder cannot be written by the run either.
  const std::vector<std::string> missing_temp = {host_.path(), temp_ / "missing/"};
  ASSERT_TRUE(AcquireInstanceGuard("QuillsPlugIn", missing_temp));
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(host_, other_temp_)), 0);
  ReleaseInstanceGuard();
  // A link in the lock file's place is not followed: the guard fails and
  // the link's target is not created.
  ASSERT_EQ(symlink((other_host_ / "planted").c_str(), (temp_ / "QuillsPlugIn.lock").c_str()), 0);
  EXPECT_FALSE(AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)));
  EXPECT_FALSE(FileExists(other_host_ / "planted"));
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(host_, other_temp_)), 1) << "all or none";
  // A name that is no plain file name stays inside its folder.
  ASSERT_TRUE(AcquireInstanceGuard("../escape/x", {other_host_.path()}));
  EXPECT_EQ(other_host_.Count(), 1u);
}

TEST_F(GuardTest, UsersShareTheHostFolderFileAndKeepTheirOwnInASharedTemp) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a second user: run as the superuser";
  constexpr uid_t kNobody = 65534;
  // A shared /tmp: sticky and writable by all. The host folder: writable by
  // every user of the host.
  ASSERT_EQ(chmod(temp_.path().c_str(), 01777), 0);
  ASSERT_EQ(chmod(host_.path().c_str(), 0777), 0);
  ASSERT_EQ(chmod(other_host_.path().c_str(), 0777), 0);
  ASSERT_TRUE(AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)));
  EXPECT_TRUE(FileExists(temp_ / ("QuillsPlugIn-" + std::to_string(getuid()) + ".lock")));
  EXPECT_FALSE(FileExists(temp_ / "QuillsPlugIn.lock"));
  // Another user opens our file in the host folder and is refused by it...
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(host_, other_temp_), kNobody), 0);
  // ...but in the shared temporary folder takes a file of their own.
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(other_host_, temp_), kNobody), 1);
  EXPECT_TRUE(FileExists(temp_ / ("QuillsPlugIn-" + std::to_string(kNobody) + ".lock")));
  // A host folder that user cannot write takes no lock file of theirs and
  // does not keep them from running.
  ASSERT_EQ(chmod(other_host_.path().c_str(), 0755), 0);
  ASSERT_TRUE(DeleteFile(other_host_ / "QuillsPlugIn.lock"));
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(other_host_, temp_), kNobody), 1);
  EXPECT_FALSE(FileExists(other_host_ / "QuillsPlugIn.lock"));
  // A lock file that its creator's umask keeps from others fails their
  // guard, held or not, rather than letting them run unguarded (their
  // catalogue would be as closed to them).
  ReleaseInstanceGuard();
  ASSERT_TRUE(DeleteFile(host_ / "QuillsPlugIn.lock"));
  const mode_t saved = umask(077);
  const bool made = AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_));
  umask(saved);
  ASSERT_TRUE(made);
  ReleaseInstanceGuard();
  EXPECT_EQ(AcquireInChild("QuillsPlugIn", Run(host_, other_temp_), kNobody), 0);
}

TEST_F(GuardTest, ReleasedWhenTheHolderDies) {
  // The holder says through a pipe when it has the guard; it must not race
  // this process for it.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    close(ready[0]);
    ReleaseInstanceGuard();
    const char held = AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)) ? 1 : 0;
    if (write(ready[1], &held, 1) != 1 || !held) _exit(2);
    pause();  // held until killed
    _exit(0);
  }
  close(ready[1]);
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  close(ready[0]);
  ASSERT_EQ(held, 1);
  EXPECT_FALSE(AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)));
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(AcquireInstanceGuard("QuillsPlugIn", Run(host_, temp_)));
}

TEST(Clock, LocalNowIsTodaysLocalTime) {
  const std::time_t before = std::time(nullptr);
  const double now = LocalNow();
  const std::time_t after = std::time(nullptr);
  std::tm local{};
  localtime_r(&before, &local);
  const double expected = EncodeDateTime({{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
                                          local.tm_hour,
                                          local.tm_min,
                                          local.tm_sec,
                                          0});
  EXPECT_GE(now, expected);
  // The reading carries milliseconds, rounded: allow one over the second.
  EXPECT_LT((now - expected) * 86400.0, 1.001 + static_cast<double>(after - before));
}

TEST(Clock, MillisecondsAdvance) {
  // Two readings 30 ms apart differ by about that much: the clock carries
  // milliseconds, not whole seconds.
  const double a = LocalNow();
  SleepMilliseconds(30);
  const double b = LocalNow();
  const double ms = (b - a) * kMillisecondsPerDay;
  EXPECT_GE(ms, 29.0);
  EXPECT_LT(ms, 1000.0);
}

TEST(Clock, SleepWaitsAtLeastAsLongAsAsked) {
  const auto start = std::chrono::steady_clock::now();
  SleepMilliseconds(0);
  SleepMilliseconds(-5);
  SleepMilliseconds(20);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(20));
}

}  // namespace
}  // namespace kivo::platform

#endif  // _WIN32
