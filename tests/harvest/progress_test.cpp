// The progress a run shows: the day of all its days, the titles added, and a
// time left that holds against the time the run then really takes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "harvest/harvest_fixture.h"

namespace kivo::testing {
namespace {

constexpr CivilDate kDec7{2026, 12, 7};

// "N/4日目 追加 M件 残り約K分" read back: the minutes, or 0 under a minute.
int MinutesShown(const std::string& text) {
  const std::string about = texts::kAbout;
  const std::size_t at = text.find(about);
  if (at == std::string::npos) return 0;
  return std::stoi(text.substr(at + about.size()));
}

class ProgressTest : public HarvestTest {
 protected:
  struct Shown {
    ProgressReport report;
    std::int64_t at_ms;
  };
  // Four days of 40 titles each.
  void SetUp() override {
    for (int d = 0; d < 4; ++d) {
      const CivilDate day = DecodeDate(EncodeDate(kDec7) - d);
      ListingPage page = ListingPage().Start();
      for (int t = 0; t < 40; ++t) {
        const std::string code = std::to_string(d) + "-" + std::to_string(t);
        page.Title(code);
        Details({code});
      }
      Day(day, {page.End()});
    }
    view_.on_progress = [this](const ProgressReport& r) { shown_.push_back({r, host_.now_ms}); };
  }
  // How far the estimate shown at `i` lies from the time the run then took.
  int MinutesOff(std::size_t i, std::int64_t end_ms) const {
    const double actual_minutes = std::ceil((end_ms - shown_[i].at_ms) / 60000.0);
    return std::abs(MinutesShown(shown_[i].report.Text) - static_cast<int>(actual_minutes));
  }
  std::vector<Shown> shown_;
};

TEST_F(ProgressTest, TheTimeLeftHoldsAtTheStartHalfwayAndTheEnd) {
  Create(3);
  RunHarvest();
  const std::int64_t end_ms = host_.now_ms;
  ASSERT_GT(end_ms, 3 * 60000);  // minutes of mandated waits: a real estimate to make
  // Shown at each page: each day begins, each detail page, each listing page.
  ASSERT_EQ(shown_.size(), 4u * (1 + 40 + 1));
  // The start: the first day's page read and its first title fetched.
  EXPECT_EQ(shown_[1].report.Day, 1);
  EXPECT_LE(MinutesOff(1, end_ms), 1) << shown_[1].report.Text;
  // Halfway: the third day begins.
  const std::size_t half = 2 * 42;
  EXPECT_EQ(shown_[half].report.Text.substr(0, 3), "3/4");
  EXPECT_LE(MinutesOff(half, end_ms), 1) << shown_[half].report.Text;
  EXPECT_GT(shown_[half].report.Permille, 400);
  EXPECT_LT(shown_[half].report.Permille, 600);
  // The end.
  EXPECT_EQ(shown_.back().report.Text, std::string("4/4") + texts::kDayOf + " " + texts::kAdded +
                                           "160" + texts::kItems + texts::kUnderAMinute);
  EXPECT_EQ(shown_.back().report.Permille, 1000);

  // The next run finds every day unchanged: it says so from the start.
  shown_.clear();
  host_.SetClock({kDec7, 12, 0, 0, 0});
  Create(3);
  RunHarvest();
  EXPECT_EQ(shown_.front().report.Text, std::string("1/4") + texts::kDayOf + " " + texts::kAdded +
                                            "0" + texts::kItems + texts::kUnderAMinute);
}

}  // namespace
}  // namespace kivo::testing
