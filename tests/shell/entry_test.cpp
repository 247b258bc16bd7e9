#include "shell/entry.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace kivo {
namespace {

struct Recorder {
  std::vector<std::string> events;
  bool guard_free = true;
  EntrySystem System(std::uint64_t seed = 7) {
    EntrySystem system;
    system.seed = [this, seed] {
      events.push_back("seed");
      return seed;
    };
    system.sleep = [this](int ms) { events.push_back("sleep " + std::to_string(ms)); };
    system.acquire_guard = [this](const std::string& name) {
      events.push_back("acquire " + name);
      return guard_free;
    };
    system.release_guard = [this] { events.push_back("release"); };
    return system;
  }
};

TEST(EntryTest, DelayGuardFrontEndReleaseInThisOrder) {
  Recorder r;
  const int code = RunEntry(
      [&] {
        r.events.push_back("front end");
        return 5;
      },
      r.System());
  EXPECT_EQ(code, 5);
  std::mt19937_64 generator(7);
  const int delay = DrawStartDelay(generator);
  EXPECT_EQ(r.events, (std::vector<std::string>{"seed", "sleep " + std::to_string(delay),
                                                "acquire QuillsPlugIn", "front end", "release"}));
}

TEST(EntryTest, ASecondCopyEndsSilentlyWithZero) {
  Recorder r;
  r.guard_free = false;
  bool ran = false;
  const int code = RunEntry(
      [&] {
        ran = true;
        return 3;
      },
      r.System());
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(ran);
  ASSERT_EQ(r.events.size(), 3u);
  EXPECT_EQ(r.events[2], "acquire QuillsPlugIn");  // no release of a guard not held
}

TEST(EntryTest, TheGuardIsReleasedWhenTheFrontEndThrows) {
  Recorder r;
  EXPECT_THROW(RunEntry([]() -> int { throw std::runtime_error("boom"); }, r.System()),
               std::runtime_error);
  EXPECT_EQ(r.events.back(), "release");
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

TEST(EntryTest, DefaultSystemSeedsDifferentlyEachTime) {
  const EntrySystem system = DefaultEntrySystem();
  ASSERT_TRUE(system.seed && system.sleep && system.acquire_guard && system.release_guard);
  EXPECT_NE(system.seed(), system.seed());
}

}  // namespace
}  // namespace kivo
