// The instance guard between processes, the local clock and sleeping.
// POSIX only: the Windows side has its own tests.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <string>

#include "platform/datetime.h"
#include "platform/platform.h"
#include "platform/scratch_folder.h"

namespace kivo::platform {
namespace {

using kivo::testing::ScratchFolder;

// Tries the guard in a child process: 1 when it was acquired, 0 when not.
int AcquireInChild(const std::string& name) {
  const pid_t pid = fork();
  if (pid == 0) {
    // Drop the child's copy of a guard the parent holds; the parent's lock
    // stays, as it would for any other process.
    ReleaseInstanceGuard();
    _exit(AcquireInstanceGuard(name) ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class GuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = getenv("TMPDIR");
    had_tmpdir_ = old != nullptr;
    saved_ = old ? old : "";
    setenv("TMPDIR", temp_.path().c_str(), 1);
  }
  void TearDown() override {
    ReleaseInstanceGuard();
    if (had_tmpdir_) {
      setenv("TMPDIR", saved_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  ScratchFolder temp_;
  bool had_tmpdir_ = false;
  std::string saved_;
};

TEST_F(GuardTest, SecondProcessIsRefusedWhileHeld) {
  ASSERT_TRUE(AcquireInstanceGuard("QuillsPlugIn"));
  EXPECT_EQ(AcquireInChild("QuillsPlugIn"), 0);
  EXPECT_FALSE(AcquireInstanceGuard("QuillsPlugIn"));  // nor twice in one process
  // Another name is another guard.
  EXPECT_EQ(AcquireInChild("OtherGuard"), 1);
  ReleaseInstanceGuard();
  EXPECT_EQ(AcquireInChild("QuillsPlugIn"), 1);
  EXPECT_TRUE(AcquireInstanceGuard("QuillsPlugIn"));
  // The lock file lies in the temporary folder, named after guard and user.
  EXPECT_TRUE(FileExists(temp_ / ("QuillsPlugIn-" + std::to_string(getuid()) + ".lock")));
}

TEST_F(GuardTest, ReleasedWhenTheHolderDies) {
  const pid_t holder = fork();
  if (holder == 0) {
    ReleaseInstanceGuard();
    if (!AcquireInstanceGuard("QuillsPlugIn")) _exit(2);
    pause();  // held until killed
    _exit(0);
  }
  // Wait until the holder has the guard.
  bool held = false;
  for (int i = 0; i < 500 && !held; ++i) {
    held = !AcquireInstanceGuard("QuillsPlugIn");
    if (!held) {
      ReleaseInstanceGuard();
      usleep(10000);
    }
  }
  ASSERT_TRUE(held);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(AcquireInstanceGuard("QuillsPlugIn"));
}

TEST_F(GuardTest, UnsafeNameStaysInTheTemporaryFolder) {
  ASSERT_TRUE(AcquireInstanceGuard("../escape/x"));
  EXPECT_EQ(temp_.Count(), 1u);
}

TEST_F(GuardTest, MissingTemporaryFolderFallsBackToTmp) {
  const std::string name = "kivo-guard-test-" + std::to_string(getpid());
  setenv("TMPDIR", (temp_ / "missing").c_str(), 1);
  ASSERT_TRUE(AcquireInstanceGuard(name));
  EXPECT_EQ(AcquireInChild(name), 0);
  const std::string lock = "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
  EXPECT_TRUE(FileExists(lock));
  ReleaseInstanceGuard();
  unlink(lock.c_str());
}

TEST(Clock, LocalNowIsTodaysLocalTime) {
  const std::time_t before = std::time(nullptr);
  const double now = LocalNow();
  const std::time_t after = std::time(nullptr);
  std::tm local{};
  localtime_r(&before, &local);
  const CivilDateTime dt = DecodeDateTime(now);
  const double expected = EncodeDateTime({{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
                                          local.tm_hour,
                                          local.tm_min,
                                          local.tm_sec,
                                          0});
  EXPECT_GE(now, expected);
  // The reading carries milliseconds, rounded: allow one over the second.
  EXPECT_LT((now - expected) * 86400.0, 1.001 + static_cast<double>(after - before));
  EXPECT_GE(dt.millisecond, 0);
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
