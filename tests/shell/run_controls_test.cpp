// Stop, Pause, Resume and Skip: their flags, button states and log lines,
// and how they act on a run that pumps messages while it waits.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shell/shell_texts.h"
#include "shell/window_logic.h"
#include "shell/window_logic_fixture.h"

namespace kivo::testing {
namespace {

class RunControlsTest : public FormTest {
 protected:
  // Ends a pause that the code under test fails to end, so a fault shows
  // as a failed expectation rather than a test that never returns.
  void ResumeAnywayAt(std::int64_t ms) {
    host_.At(ms, [this] { form_->ButtonPlayClick(); });
  }

  // A stand-in for a harvest's wait loop: twenty steps of 100 ms, each
  // pumping messages and ending on Stop, as the run's loops do. Returns the
  // fake-clock times at which steps ran.
  std::vector<std::int64_t> PumpingRun(TFormDLL& form) {
    std::vector<std::int64_t> steps;
    for (int i = 0; i < 20 && !form.RunState().FStopRequested; ++i) {
      steps.push_back(host_.now_ms);
      host_.Sleep(100);
      PumpMessages(host_);
    }
    return steps;
  }
};

TEST_F(RunControlsTest, ButtonStateTable) {
  TFormDLL& form = StartConfiguration();
  // Created: only Resume disabled.
  EXPECT_FALSE(view_.Enabled(Button::Play));
  EXPECT_TRUE(view_.Enabled(Button::Pause));
  EXPECT_TRUE(view_.Enabled(Button::Stop));
  EXPECT_TRUE(view_.Enabled(Button::Skip));
  // Pause pressed: seen from inside the pause.
  bool checked = false;
  host_.on_pump = [&] {
    if (checked) return;
    checked = true;
    EXPECT_TRUE(view_.Enabled(Button::Play));
    EXPECT_FALSE(view_.Enabled(Button::Pause));
    EXPECT_TRUE(view_.Enabled(Button::Stop));
    EXPECT_TRUE(view_.Enabled(Button::Skip));
    form.ButtonPlayClick();
  };
  form.Invoke([&] { form.ButtonPauseClick(); });
  EXPECT_TRUE(checked);
  // Pause ended.
  EXPECT_FALSE(view_.Enabled(Button::Play));
  EXPECT_TRUE(view_.Enabled(Button::Pause));
  // Stop pressed.
  form.Invoke([&] { form.ButtonStopClick(); });
  for (Button b : {Button::Play, Button::Pause, Button::Stop, Button::Skip}) {
    EXPECT_FALSE(view_.Enabled(b)) << FakeView::ButtonName(b);
  }
}

TEST_F(RunControlsTest, PauseHoldsTheRunUntilResume) {
  TFormDLL& form = StartConfiguration();
  host_.At(300, [&] { form.Invoke([&] { form.ButtonPauseClick(); }); });
  host_.At(1500, [&] { form.Invoke([&] { form.ButtonPlayClick(); }); });
  const auto steps = PumpingRun(form);
  ASSERT_EQ(steps.size(), 20u);  // nothing lost: the run went on after the pause
  // The step after the click came only after Resume, within one pause tick.
  for (std::size_t i = 1; i < steps.size(); ++i) {
    if (steps[i - 1] < 300) continue;
    EXPECT_GE(steps[i], 1500);
    EXPECT_LE(steps[i], 1600);
    break;
  }
  EXPECT_FALSE(form.RunState().FPauseRequested);
  EXPECT_FALSE(form.RunState().FStopRequested);
  EXPECT_FALSE(view_.Enabled(Button::Play));
  EXPECT_TRUE(view_.Enabled(Button::Pause));
  EXPECT_EQ(view_.closes, 0);
}

TEST_F(RunControlsTest, PauseThenStopEndsThePauseAndTheRun) {
  TFormDLL& form = StartConfiguration();
  view_.days_text = "8";
  host_.At(300, [&] { form.Invoke([&] { form.ButtonPauseClick(); }); });
  host_.At(800, [&] { form.Invoke([&] { form.ButtonStopClick(); }); });
  ResumeAnywayAt(60000);
  const auto steps = PumpingRun(form);
  EXPECT_TRUE(form.RunState().FStopRequested);
  EXPECT_LE(host_.now_ms, 1000);  // the run ended right after the pause
  EXPECT_LT(steps.size(), 20u);
  EXPECT_EQ(view_.closes, 1);
  EXPECT_EQ(CountLogLines(texts::kStopPressed), 1);
  EXPECT_NE(ReadHostFile("Quillcast.ini").find("DLBeforeDays=8"), std::string::npos);
}

TEST_F(RunControlsTest, PauseThenSkipEndsThePause) {
  TFormDLL& form = StartConfiguration();
  host_.At(200, [&] { form.Invoke([&] { form.ButtonSkipClick(); }); });
  ResumeAnywayAt(60000);
  form.Invoke([&] { form.ButtonPauseClick(); });
  EXPECT_TRUE(form.RunState().FSkipRequested);
  EXPECT_TRUE(form.RunState().FPauseRequested);  // only Resume clears it
  EXPECT_LE(host_.now_ms, 300);
  EXPECT_TRUE(view_.Enabled(Button::Pause));
}

TEST_F(RunControlsTest, ClosingTheWindowEndsAPause) {
  TFormDLL& form = StartConfiguration();
  host_.At(500, [&] { view_.Close(); });
  ResumeAnywayAt(60000);
  form.Invoke([&] { form.ButtonPauseClick(); });
  EXPECT_TRUE(form.RunState().FStopRequested);
  EXPECT_LE(host_.now_ms, 600);
}

TEST_F(RunControlsTest, PauseSleepsAndPumpsInTenthsOfASecond) {
  TFormDLL& form = StartConfiguration();
  host_.At(1000, [&] { form.ButtonPlayClick(); });
  const int pumps_before = host_.pumps;
  form.Invoke([&] { form.ButtonPauseClick(); });
  EXPECT_EQ(host_.now_ms, 1000);
  EXPECT_EQ(host_.pumps - pumps_before, 10);
  EXPECT_EQ(host_.zero_sleeps, 10);  // each pump yields first
}

TEST_F(RunControlsTest, SkipTwiceMarksTheTitleOnceAndLogsTwice) {
  TFormDLL& form = StartConfiguration();
  view_.title_text = "2026/12/07";
  form.Invoke([&] { form.ButtonSkipClick(); });
  form.Invoke([&] { form.ButtonSkipClick(); });
  EXPECT_TRUE(form.RunState().FSkipRequested);
  EXPECT_EQ(view_.title_text, std::string("2026/12/07") + texts::kSkipMark);
  EXPECT_EQ(CountLogLines(texts::kSkipPressed), 2);
  EXPECT_EQ(view_.closes, 0);
}

TEST_F(RunControlsTest, StopInConfigurationModeClosesAndStores) {
  TFormDLL& form = StartConfiguration();
  view_.days_text = "21";
  form.Invoke([&] { form.ButtonStopClick(); });
  EXPECT_TRUE(form.RunState().FStopRequested);
  EXPECT_EQ(view_.closes, 1);
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], texts::kStopPressed);
  EXPECT_NE(ReadHostFile("Quillcast.ini").find("DLBeforeDays=21"), std::string::npos);
}

TEST_F(RunControlsTest, ResumeWithoutAPauseOnlyClearsTheFlag) {
  TFormDLL& form = StartConfiguration();
  const std::size_t calls = view_.calls.size();
  form.Invoke([&] { form.ButtonPlayClick(); });
  EXPECT_FALSE(form.RunState().FPauseRequested);
  EXPECT_EQ(view_.calls.size(), calls);
  EXPECT_EQ(LogLines().size(), 2u);
}

TEST_F(RunControlsTest, AboutButtonShowsTheDialog) {
  TFormDLL& form = StartConfiguration();
  form.Invoke([&] { form.SpeedButtonAboutClick(); });
  form.Invoke([&] { form.SpeedButtonAboutClick(); });
  EXPECT_EQ(view_.abouts, 2);
}

}  // namespace
}  // namespace kivo::testing
