// The page fetcher on the fake host: spacing, settling, responsiveness while
// a command runs, stop; the waiting and comparing helpers.
#include "harvest/fetch_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "harvest/harvest.h"
#include "harvest/harvest_texts.h"
#include "platform/platform.h"
#include "protocol/command_line.h"
#include "support/fake_harvest_view.h"
#include "support/fake_run_host.h"
#include "support/scratch_folder.h"

namespace kivo {
namespace {

using kivo::testing::FakeHarvestView;
using kivo::testing::FakeRunHost;
using kivo::testing::ScratchFolder;

constexpr char kListing[] =
    "https://www.kivo.co.jp/bec/SE/Genre?dcode=01&ccode=01&taishongpi=20261207"
    "&Genre_id=010100&listcnt=1";

// ---- FetchPage ---------------------------------------------------------------

class FetchPageTest : public ::testing::Test {
 protected:
  FetchPageTest() {
    file_ = dir_ / "Getkivo.html";
    host_.process_ms = 300;
  }
  // Makes each started command write `body` into the output file.
  void ServeBody(const std::string& body) {
    host_.serve = [this, body](const std::string&) { ScratchFolder::Put(file_, body); };
  }

  ScratchFolder dir_;
  FakeRunHost host_;
  TRunState state_;
  TLogFile log_{host_};
  FakeHarvestView view_{log_};
  THarvest harvest_{state_, view_, log_, host_, "/opt/Host/Plugins/kivo"};
  std::string file_;
};

TEST_F(FetchPageTest, FetchesIntoTheFileAndReturnsItsSize) {
  ServeBody("<html>12345</html>");
  EXPECT_EQ(harvest_.FetchPage(kListing, file_), 18);
  ASSERT_EQ(host_.commands.size(), 1u);
  EXPECT_EQ(host_.commands[0].command_line, protocol::BuildFetchCommandLine(kListing, file_));
  EXPECT_EQ(host_.commands[0].working_folder, "/opt/Host/Plugins/");
  // The first fetch after start-up does not wait.
  EXPECT_EQ(host_.commands[0].started_ms, 0);
  EXPECT_EQ(state_.FLastFetch, host_.Now() - (host_.now_ms / kMillisecondsPerDay));
}

TEST_F(FetchPageTest, SecondFetchKeepsNineHundredMillisecondsFromTheFirstStart) {
  // The first fetch started 200 ms ago.
  host_.now_ms = 5000;
  state_.FLastFetch = host_.Now();
  host_.now_ms = 5200;
  harvest_.FetchPage(kListing, file_);
  ASSERT_EQ(host_.commands.size(), 1u);
  EXPECT_EQ(host_.commands[0].started_ms, 5900);
  // The wait handled messages the whole time.
  EXPECT_EQ(host_.zero_sleeps, 7 + 6);  // 7 spacing rounds, then the settling

  // Fetches in a row stay at least 900 ms apart, start to start.
  host_.process_ms = 0;
  for (int i = 0; i < 3; ++i) harvest_.FetchPage(kListing, file_);
  for (std::size_t i = 1; i < host_.commands.size(); ++i) {
    EXPECT_GE(host_.commands[i].started_ms - host_.commands[i - 1].started_ms, 900);
  }
}

TEST_F(FetchPageTest, SettlesForHalfASecondAfterTheCommand) {
  host_.process_ms = 0;  // ended at the first look
  harvest_.FetchPage(kListing, file_);
  // One poll round (100 ms) and the settling: one pump, then five pumps each
  // followed by 100 ms.
  EXPECT_EQ(host_.slept_ms, 100 + 500);
  EXPECT_EQ(host_.pumps, 1 + 6);
}

TEST_F(FetchPageTest, HandlesMessagesAtLeastEveryHundredMilliseconds) {
  host_.process_ms = 2000;
  std::vector<std::int64_t> pump_times;
  host_.on_pump = [&] { pump_times.push_back(host_.now_ms); };
  state_.FLastFetch = host_.Now();  // a spacing wait first
  harvest_.FetchPage(kListing, file_);
  ASSERT_EQ(host_.commands.size(), 1u);
  const std::int64_t start = host_.commands[0].started_ms;
  EXPECT_EQ(start, 900);
  // During the spacing wait.
  std::int64_t last = 0;
  for (const std::int64_t t : pump_times) {
    if (t >= start) break;
    EXPECT_LE(t - last, 100);
    last = t;
  }
  // From the command's start to the end of the settling.
  last = start;
  int while_running = 0;
  for (const std::int64_t t : pump_times) {
    if (t < start) continue;
    EXPECT_LE(t - last, 100);
    if (t <= start + host_.process_ms) ++while_running;
    last = t;
  }
  EXPECT_EQ(while_running, 20);
  EXPECT_EQ(host_.now_ms - last, 100);  // the last settling sleep
}

TEST_F(FetchPageTest, StopReturnsZeroWithoutAProcess) {
  ServeBody("page");
  ScratchFolder::Put(file_, "old");
  const double last = state_.FLastFetch;
  state_.FStopRequested = true;
  EXPECT_EQ(harvest_.FetchPage(kListing, file_), 0);
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(host_.now_ms, 0);
  EXPECT_EQ(host_.pumps, 0);
  EXPECT_EQ(state_.FLastFetch, last);
}

TEST_F(FetchPageTest, StopWhileTheCommandRunsEndsItAtOnce) {
  host_.process_ms = 60000;
  host_.At(300, [&] { state_.FStopRequested = true; });
  const FetchResult stopped = harvest_.Fetch(kListing, file_);
  EXPECT_EQ(stopped.Size, 0);
  EXPECT_EQ(stopped.Outcome, FetchOutcome::kStopped);
  EXPECT_EQ(host_.kills, 1);
  EXPECT_LE(host_.now_ms, 500);
  const std::int64_t after = host_.now_ms;
  EXPECT_EQ(harvest_.FetchPage(kListing, file_), 0);
  EXPECT_EQ(host_.commands.size(), 1u);
  EXPECT_EQ(host_.now_ms, after);
}

TEST_F(FetchPageTest, ACommandThatCannotStartEndsTheRunAndSaysSo) {
  host_.can_start = false;
  ScratchFolder::Put(file_, "left over");
  // Measured as after a command that wrote nothing, but nothing more can be
  // fetched: no settling, the run is stopped and the user told.
  const FetchResult not_started = harvest_.Fetch(kListing, file_);
  EXPECT_EQ(not_started.Size, 9);
  EXPECT_EQ(not_started.Outcome, FetchOutcome::kNotStarted);
  EXPECT_EQ(host_.slept_ms, 0);
  EXPECT_TRUE(state_.FStopRequested);
  EXPECT_EQ(view_.status_text, texts::kHelperNotStarted);
  EXPECT_EQ(harvest_.FetchPage(kListing, file_), 0);
  EXPECT_EQ(host_.commands.size(), 1u);
}

TEST_F(FetchPageTest, AFileLeftFromBeforeCountsAndAnEmptyOneIsZero) {
  ScratchFolder::Put(file_, "previous page");
  EXPECT_EQ(harvest_.FetchPage(kListing, file_), 13);  // the command wrote nothing
  ServeBody("");
  EXPECT_EQ(harvest_.FetchPage(kListing, file_), 0);
}

TEST_F(FetchPageTest, UnsafeInputStartsNothingButStillMeasuresAndSettles) {
  ScratchFolder::Put(file_, "previous page");
  EXPECT_EQ(harvest_.FetchPage("javascript:alert(1)", file_), 13);
  EXPECT_TRUE(host_.commands.empty());
  EXPECT_EQ(host_.slept_ms, 500);
  EXPECT_EQ(harvest_.FetchPage(kListing, dir_ / "bad\"name"), 0);
  EXPECT_TRUE(host_.commands.empty());
}

TEST_F(FetchPageTest, HugeFileIsClampedToTheLargest32BitSize) {
  ScratchFolder::Put(file_, "");
  std::filesystem::resize_file(file_, std::uintmax_t{3} << 30);  // sparse, 3 GiB
  EXPECT_EQ(harvest_.FetchPage(kListing, file_), std::numeric_limits<std::int32_t>::max());
}

TEST_F(FetchPageTest, ClockSetBackDoesNotHoldTheFetch) {
  host_.now_ms = 10000;
  state_.FLastFetch = host_.Now() + 3600.0 * 1000 / kMillisecondsPerDay;  // an hour ahead
  harvest_.FetchPage(kListing, file_);
  ASSERT_EQ(host_.commands.size(), 1u);
  EXPECT_EQ(host_.commands[0].started_ms, 10900);
}

// ---- RunAndWait, WaitSeconds -----------------------------------------------------

TEST(RunAndWait, PollsUntilTheCommandHasEnded) {
  FakeRunHost host;
  host.process_ms = 250;
  RunAndWait(host, "powershell wget 'x' -O 'y'", 0);
  ASSERT_EQ(host.commands.size(), 1u);
  // Looks at 0, 100, 200 (running) and 300 (ended), each look followed by
  // 100 ms and the message handling.
  EXPECT_EQ(host.slept_ms, 400);
  EXPECT_EQ(host.pumps, 4);
  const std::string program = platform::ProgramPath();
  EXPECT_EQ(host.commands[0].working_folder,
            program.substr(0, program.rfind(platform::PathSeparator()) + 1));
}

TEST(RunAndWait, ReturnsAtOnceWhenTheCommandCannotStart) {
  FakeRunHost host;
  host.can_start = false;
  RunAndWait(host, "no-such-program", 0);
  EXPECT_EQ(host.slept_ms, 0);
  EXPECT_EQ(host.pumps, 0);
}

TEST(WaitSeconds, TenMillisecondSlices) {
  FakeRunHost host;
  WaitSeconds(host, 1);
  EXPECT_EQ(host.slept_ms, 1000);
  EXPECT_EQ(host.pumps, 100);

  FakeRunHost quick;
  WaitSeconds(quick, 0.005);
  WaitSeconds(quick, 0);
  WaitSeconds(quick, -3);
  EXPECT_EQ(quick.slept_ms, 0);
  EXPECT_EQ(quick.pumps, 0);

  FakeRunHost partial;
  WaitSeconds(partial, 0.057);
  EXPECT_EQ(partial.pumps, 5);
}

// ---- SameFileContents --------------------------------------------------------

TEST(SameFileContents, ComparesWholeFiles) {
  ScratchFolder dir;
  const std::string a = dir / "a", b = dir / "b";
  ScratchFolder::Put(a, "same bytes");
  ScratchFolder::Put(b, "same bytes");
  EXPECT_TRUE(SameFileContents(a, b));
  ScratchFolder::Put(b, "same bytez");
  EXPECT_FALSE(SameFileContents(a, b));
  ScratchFolder::Put(b, "same bytes and more");
  EXPECT_FALSE(SameFileContents(a, b));
  EXPECT_FALSE(SameFileContents(b, a));
  ScratchFolder::Put(a, "");
  ScratchFolder::Put(b, "");
  EXPECT_TRUE(SameFileContents(a, b));
  EXPECT_FALSE(SameFileContents(a, dir / "missing"));
  EXPECT_FALSE(SameFileContents(dir / "missing", a));
  EXPECT_FALSE(SameFileContents(dir / "missing", dir / "missing"));
  EXPECT_FALSE(SameFileContents(dir.path(), dir.path()));  // folders are no files
}

TEST(SameFileContents, LargeFilesDifferingInTheLastByte) {
  ScratchFolder dir;
  std::string page(300000, '\0');
  for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>(i * 7 % 251);
  ScratchFolder::Put(dir / "a", page);
  ScratchFolder::Put(dir / "b", page);
  EXPECT_TRUE(SameFileContents(dir / "a", dir / "b"));
  page.back() = static_cast<char>(page.back() + 1);
  ScratchFolder::Put(dir / "b", page);
  EXPECT_FALSE(SameFileContents(dir / "a", dir / "b"));
}

#ifndef _WIN32
TEST(SameFileContents, UnreadableFileIsAnError) {
  ScratchFolder dir;
  ScratchFolder::Put(dir / "empty", "");
  // A regular file whose reading fails at once (even for root).
  ASSERT_TRUE(platform::FileExists("/proc/self/mem"));
  EXPECT_THROW(SameFileContents("/proc/self/mem", dir / "empty"), std::runtime_error);
  EXPECT_THROW(SameFileContents(dir / "empty", "/proc/self/mem"), std::runtime_error);
}
#endif

}  // namespace
}  // namespace kivo
