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
#include <cmath>
#include <cstdint>
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

// Sets TZ for one test and puts it back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

// Milliseconds since 1970 of the system's wall clock, the one LocalNow
// reads, cut to the millisecond as LocalNow cuts it.
std::int64_t WallClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A LocalNow reading as milliseconds since 1970 in its own zone (its days
// count from 1899-12-30, 25569 days earlier).
std::int64_t LocalMs(double local_now) {
  return std::llround((local_now - 25569.0) * kMillisecondsPerDay);
}

TEST(Clock, LocalNowIsTheWallClockInTheLocalZoneToTheMillisecond) {
  // Zones without summer time, so nothing moves between the readings; the
  // wall clock read just before and just after brackets LocalNow to the
  // millisecond, wherever a second boundary falls. Two zones: the reading
  // follows the zone. Several readings a few milliseconds apart: a clock
  // of whole seconds would fall below the bracket.
  const struct {
    const char* zone;
    std::int64_t offset_ms;
  } zones[] = {{"UTC0", 0}, {"JST-9", 9 * 3600 * 1000}};
  for (const auto& z : zones) {
    SCOPED_TRACE(z.zone);
    ScopedTimeZone zone(z.zone);
    for (int i = 0; i < 3; ++i) {
      const std::int64_t before = WallClockMs();
      const double now = LocalNow();
      const std::int64_t after = WallClockMs();
      EXPECT_LE(before + z.offset_ms, LocalMs(now));
      EXPECT_LE(LocalMs(now), after + z.offset_ms);
      SleepMilliseconds(7);
    }
  }
}

TEST(Clock, LongTimeTextIsTheJapaneseWindowsForm) {
  // POSIX has no long time format of its own: the hour without a leading
  // zero, as on our users' systems.
  EXPECT_EQ(LongTimeText(EncodeDateTime({{2026, 12, 6}, 8, 4, 5, 0})), "8:04:05");
  EXPECT_EQ(LongTimeText(EncodeDateTime({{2026, 12, 6}, 18, 59, 12, 0})), "18:59:12");
  EXPECT_EQ(LongTimeText(EncodeDateTime({{2026, 12, 7}, 0, 0, 1, 0})), "0:00:01");
  EXPECT_EQ(LongTimeText(EncodeDateTime({{2026, 12, 7}, 23, 59, 59, 999})), "23:59:59");
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
