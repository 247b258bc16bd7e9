#include "shell/entry.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/fake_run_host.h"

namespace kivo {
namespace {

// The program as a run of the entry sees it: beside a host folder.
constexpr char kProgram[] = "/opt/Host/Plugins/kivo";

TEST(EntryTest, DelayGuardFrontEndReleaseInThisOrder) {
  testing::FakeRunHost host;
  std::int64_t slept_before_front_end = -1;
  const int code = RunEntry(
      [&] {
        host.events.push_back("front end");
        slept_before_front_end = host.slept_ms;
        return 5;
      },
      host, kProgram);
  EXPECT_EQ(code, 5);
  std::mt19937_64 generator(7);
  EXPECT_EQ(slept_before_front_end, DrawStartDelay(generator));
  // The guard covers the host folder and the temporary folder.
  EXPECT_EQ(host.events, (std::vector<std::string>{
                             "seed", "acquire QuillsPlugIn /opt/Host/Plugins/.. " + GetTempDir(),
                             "front end", "release"}));
}

TEST(EntryTest, ASecondCopyEndsSilentlyWithZero) {
  testing::FakeRunHost host;
  host.guard_free = false;
  bool ran = false;
  const int code = RunEntry(
      [&] {
        ran = true;
        return 3;
      },
      host, kProgram);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(ran);
  ASSERT_EQ(host.events.size(), 2u);  // no release of a guard not held
  EXPECT_EQ(host.events[1].rfind("acquire QuillsPlugIn", 0), 0u);
}

TEST(EntryTest, TheGuardIsReleasedWhenTheFrontEndThrows) {
  testing::FakeRunHost host;
  EXPECT_THROW(RunEntry([]() -> int { throw std::runtime_error("boom"); }, host, kProgram),
               std::runtime_error);
  EXPECT_EQ(host.events.back(), "release");
}

TEST(EntryTest, StartDelayIsUniformOverZeroTo999) {
  std::mt19937_64 generator(12345);
  constexpr int kDraws = 1000000;
  std::array<int, 10> buckets{};
  bool saw_zero = false;
  bool saw_999 = false;
  for (int i = 0; i < kDraws; ++i) {
    const int d = DrawStartDelay(generator);
    ASSERT_GE(d, 0);
    ASSERT_LE(d, 999);
    saw_zero |= d == 0;
    saw_999 |= d == 999;
    ++buckets[static_cast<std::size_t>(d / 100)];
  }
  EXPECT_TRUE(saw_zero);
  EXPECT_TRUE(saw_999);
  for (int count : buckets) {
    EXPECT_NEAR(count, kDraws / 10, kDraws / 100);  // within 10% of a tenth
  }
}

TEST(EntryTest, DifferentSeedsGiveDifferentDelays) {
  std::vector<int> delays;
  for (std::uint64_t seed = 1; seed <= 50; ++seed) {
    std::mt19937_64 generator(seed);
    delays.push_back(DrawStartDelay(generator));
  }
  std::sort(delays.begin(), delays.end());
  EXPECT_GT(std::unique(delays.begin(), delays.end()) - delays.begin(), 40);
}

TEST(EntryTest, TheSystemSeedsDifferentlyEachTime) {
  SystemRunHost host;
  EXPECT_NE(host.RandomSeed(), host.RandomSeed());
}

}  // namespace
}  // namespace kivo
