// TFormPlacement over a fake window and a real settings file: what a store
// writes, what a load applies, and the hooks' flags.
#include "placement/form_placement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "placement/fake_placement_window.h"
#include "platform/file_messages.h"
#include "platform/platform.h"

namespace kivo::placement {
namespace {

using testing::FakePlacementWindow;

class FormPlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("kivo-placement-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
    file_ = (folder_ / "qlc.ini").string();
    placement_.SetWindow(&window_);
    placement_.IniFileName = file_;
    placement_.Active = true;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void WriteFile(const std::string& bytes) {
    std::ofstream out(file_, std::ios::binary);
    out << bytes;
  }
  std::string FileText() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Value(const std::string& key) const {
    return platform::IniRead(file_, "TFormDLL", key);
  }
  // A fresh window and component reading the same file, as at the next start.
  void Restart() {
    window_ = FakePlacementWindow();
    placement_ = TFormPlacement();
    placement_.SetWindow(&window_);
    placement_.IniFileName = file_;
    placement_.Active = true;
  }

  std::filesystem::path folder_;
  std::string file_;
  FakePlacementWindow window_;
  TFormPlacement placement_;
};

TEST_F(FormPlacementTest, FirstStartKeepsTheDesignAndTheCloseWritesTheNineKeysInOrder) {
  placement_.LoadPlacement();
  EXPECT_TRUE(placement_.Restored());
  // Only the maximised-position adjustment, hidden: the border off-screen.
  ASSERT_EQ(window_.applied.size(), 1u);
  EXPECT_EQ(window_.applied[0].show_cmd, kShowHidden);
  EXPECT_EQ(window_.applied[0].max_x, -4);
  EXPECT_EQ(window_.applied[0].max_y, -4);
  EXPECT_EQ(window_.applied[0].left, 328);
  EXPECT_EQ(window_.states, std::vector<WindowState>{WindowState::Normal});

  window_.current.show_cmd = 1;
  placement_.FormCloseQuery(true, nullptr);
  EXPECT_TRUE(placement_.Saved());
  EXPECT_EQ(FileText(),
            "[TFormDLL]\r\n"
            "FormVersion=0\r\n"
            "Flags=0\r\n"
            "ShowCmd=1\r\n"
            "PixelsPerInch=96\r\n"
            "MinMaxPos(1024x768)=0,0,-4,-4\r\n"
            "MinMaxPos=0,0,-4,-4\r\n"
            "NormPos(1024x768)=328,265,696,502\r\n"
            "NormPos=328,265,696,502\r\n"
            "Visible=0\r\n");
}

TEST_F(FormPlacementTest, AMovedWindowReopensThere) {
  placement_.LoadPlacement();
  window_.current.left = 10;
  window_.current.top = 20;
  window_.current.right = 500;
  window_.current.bottom = 400;
  placement_.StorePlacement();

  Restart();
  placement_.LoadPlacement();
  const WindowPlacement* restored = window_.Restored();
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->left, 10);
  EXPECT_EQ(restored->top, 20);
  EXPECT_EQ(restored->right, 500);
  EXPECT_EQ(restored->bottom, 400);
  EXPECT_EQ(restored->show_cmd, kShowHidden) << "a hidden window stays hidden";
  EXPECT_EQ(window_.current.left, 10);
}

TEST_F(FormPlacementTest, ClosedMaximisedReopensMaximisedWithTheNormalRectangleKept) {
  placement_.LoadPlacement();
  window_.current = {2, 3, -1, -1, -4, -4, 40, 50, 420, 300};
  placement_.StorePlacement();
  EXPECT_EQ(Value("ShowCmd"), "3");
  EXPECT_EQ(Value("NormPos"), "40,50,420,300");

  Restart();
  placement_.LoadPlacement();
  ASSERT_NE(window_.Restored(), nullptr);
  EXPECT_EQ(window_.Restored()->flags, 2u);
  EXPECT_EQ(window_.Restored()->left, 40);
  EXPECT_EQ(window_.Restored()->bottom, 300);
  EXPECT_EQ(window_.states, std::vector<WindowState>{WindowState::Maximized});
}

TEST_F(FormPlacementTest, MinimisedApplicationStoresTwoAndMinimisesTheApplicationAgain) {
  placement_.LoadPlacement();
  window_.application_minimized = true;
  placement_.StorePlacement();
  EXPECT_EQ(Value("ShowCmd"), "2");

  Restart();
  placement_.LoadPlacement();
  EXPECT_EQ(window_.minimize_posts, 1);
  EXPECT_EQ(window_.states, std::vector<WindowState>{WindowState::Normal});
  EXPECT_EQ(window_.applied_states, std::vector<bool>{false}) << "recorded, not applied";
  EXPECT_EQ(window_.repaints, 0) << "left to the application's minimise";
}

TEST_F(FormPlacementTest, ShowCommandsSixAndSevenAlsoMinimise) {
  for (const char* cmd : {"6", "7"}) {
    WriteFile(std::string("[TFormDLL]\r\nShowCmd=") + cmd + "\r\n");
    Restart();
    placement_.LoadPlacement();
    EXPECT_EQ(window_.minimize_posts, 1) << cmd;
  }
}

TEST_F(FormPlacementTest, SuffixedKeysFirstThenPlain) {
  WriteFile(
      "[TFormDLL]\r\n"
      "NormPos(1920x1080)=100,100,600,500\r\n"
      "NormPos=1,2,301,202\r\n"
      "MinMaxPos(1024x768)=\r\n"
      "MinMaxPos=5,6,7,8\r\n");
  placement_.LoadPlacement();
  ASSERT_NE(window_.Restored(), nullptr);
  // No NormPos(1024x768): the plain key. An empty suffixed key: the plain one.
  EXPECT_EQ(window_.Restored()->left, 1);
  EXPECT_EQ(window_.Restored()->right, 301);
  EXPECT_EQ(window_.Restored()->min_x, 5);
  EXPECT_EQ(window_.Restored()->max_y, 8);

  Restart();
  window_.screen_width = 1920;
  window_.screen_height = 1080;
  placement_.LoadPlacement();
  ASSERT_NE(window_.Restored(), nullptr);
  EXPECT_EQ(window_.Restored()->left, 100);
  EXPECT_EQ(window_.Restored()->right, 600);
}

TEST_F(FormPlacementTest, AHandWrittenListWithBlanksAndTooFewNumbers) {
  WriteFile("[TFormDLL]\r\nNormPos=10, 20, 300, 400\r\nMinMaxPos=3 , 4\r\nFlags=0x2\r\n");
  placement_.LoadPlacement();
  ASSERT_NE(window_.Restored(), nullptr);
  const WindowPlacement& p = *window_.Restored();
  EXPECT_EQ(p.left, 10);
  EXPECT_EQ(p.top, 20);
  EXPECT_EQ(p.right, 300);
  EXPECT_EQ(p.bottom, 400);
  EXPECT_EQ(p.min_x, 3);
  EXPECT_EQ(p.min_y, 4);
  EXPECT_EQ(p.max_x, 0);
  EXPECT_EQ(p.max_y, 0);
  EXPECT_EQ(p.flags, 2u);

  // Two numbers: the right and bottom default to the current rectangle's.
  Restart();
  WriteFile("[TFormDLL]\r\nNormPos=10,20\r\n");
  placement_.LoadPlacement();
  ASSERT_NE(window_.Restored(), nullptr);
  EXPECT_EQ(window_.Restored()->left, 10);
  EXPECT_EQ(window_.Restored()->right, 328 + 368);
  EXPECT_EQ(window_.Restored()->bottom, 265 + 237);
}

TEST_F(FormPlacementTest, AnEmptyOrInvertedRectangleLeavesThePosition) {
  WriteFile("[TFormDLL]\r\nNormPos=500,20,400,300\r\nShowCmd=3\r\n");
  placement_.LoadPlacement();
  EXPECT_EQ(window_.applied.size(), 1u) << "only the maximised-position adjustment";
  EXPECT_EQ(window_.current.left, 328);
  EXPECT_EQ(window_.states, std::vector<WindowState>{WindowState::Maximized});
}

TEST_F(FormPlacementTest, AnotherPixelDensityKeepsThePositionButRestoresTheState) {
  WriteFile("[TFormDLL]\r\nPixelsPerInch=120\r\nNormPos=10,20,300,400\r\nShowCmd=3\r\n");
  placement_.LoadPlacement();
  EXPECT_EQ(window_.applied.size(), 1u);
  EXPECT_EQ(window_.states, std::vector<WindowState>{WindowState::Maximized});
  // After a close at the new density the position holds again.
  placement_.StorePlacement();
  EXPECT_EQ(Value("PixelsPerInch"), "96");
  Restart();
  placement_.LoadPlacement();
  EXPECT_EQ(window_.applied.size(), 2u);
}

TEST_F(FormPlacementTest, AFixedBorderKeepsTheCurrentSize) {
  WriteFile("[TFormDLL]\r\nNormPos=10,20,30,40\r\n");
  window_.border = BorderKind::Dialog;
  placement_.LoadPlacement();
  ASSERT_NE(window_.Restored(), nullptr);
  EXPECT_EQ(window_.Restored()->left, 10);
  EXPECT_EQ(window_.Restored()->right, 10 + 368);
  EXPECT_EQ(window_.Restored()->bottom, 20 + 237);
  EXPECT_EQ(window_.applied.back().max_x, -1) << "dialog frame metrics";
}

TEST_F(FormPlacementTest, VersionGate) {
  WriteFile("[TFormDLL]\r\nFormVersion=-1\r\nNormPos=10,20,300,400\r\nShowCmd=3\r\n");
  placement_.LoadPlacement();
  EXPECT_EQ(window_.applied.size(), 1u) << "nothing restored";
  EXPECT_TRUE(window_.states.empty());
  EXPECT_TRUE(placement_.Restored()) << "restored is set even when the gate fails";
  placement_.StorePlacement();
  EXPECT_EQ(Value("FormVersion"), "0");

  // A component of a newer version skips an older section; an equal or
  // newer stored version passes.
  Restart();
  WriteFile("[TFormDLL]\r\nFormVersion=1\r\nShowCmd=3\r\n");
  placement_.Version = 2;
  placement_.LoadPlacement();
  EXPECT_TRUE(window_.states.empty());
  Restart();
  WriteFile("[TFormDLL]\r\nFormVersion=0x3\r\nShowCmd=3\r\n");
  placement_.Version = 2;
  placement_.LoadPlacement();
  EXPECT_EQ(window_.states, std::vector<WindowState>{WindowState::Maximized});
}

TEST_F(FormPlacementTest, NothingIsStoredBeforeARestore) {
  placement_.StorePlacement();
  placement_.FormCloseQuery(true, nullptr);
  placement_.FormDestroy(nullptr);
  EXPECT_FALSE(std::filesystem::exists(file_));
  EXPECT_FALSE(placement_.Saved());
}

TEST_F(FormPlacementTest, HooksFollowActiveAndTheSavedFlag) {
  placement_.Active = false;
  placement_.FormShow(nullptr);
  EXPECT_FALSE(placement_.Restored());
  placement_.Active = true;
  placement_.FormShow(nullptr);
  EXPECT_TRUE(placement_.Restored());

  placement_.FormCloseQuery(false, nullptr);
  EXPECT_FALSE(placement_.Saved()) << "a refused close stores nothing";
  placement_.FormCloseQuery(true, nullptr);
  EXPECT_EQ(Value("Visible"), "0");
  // Destroyed after the allowed close: nothing more is written.
  platform::IniWrite(file_, "TFormDLL", "Visible", "x");
  placement_.FormDestroy(nullptr);
  EXPECT_EQ(Value("Visible"), "x");

  // Destroyed without a close (a load clears the saved flag): "Visible" 1.
  placement_.LoadPlacement();
  EXPECT_FALSE(placement_.Saved());
  placement_.FormDestroy(nullptr);
  EXPECT_EQ(Value("Visible"), "1");
  // The next store is an ordinary one again.
  placement_.StorePlacement();
  EXPECT_EQ(Value("Visible"), "0");
}

TEST_F(FormPlacementTest, ARefusedWriteIsReportedAndTheCloseGoesOn) {
  placement_.LoadPlacement();
  placement_.IniFileName = (folder_ / "missing" / "qlc.ini").string();
  std::vector<std::string> reports;
  placement_.FormCloseQuery(true, [&](const std::string& m) { reports.push_back(m); });
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], placement_.IniFileName + messages::kCannotWrite);
  EXPECT_FALSE(placement_.Saved());
  // The destroy hook then tries once more, and reports again.
  placement_.FormDestroy([&](const std::string& m) { reports.push_back(m); });
  EXPECT_EQ(reports.size(), 2u);
  EXPECT_THROW(placement_.StorePlacement(), std::runtime_error);
}

TEST_F(FormPlacementTest, NoWindowNoFile) {
  TFormPlacement none;
  none.IniFileName = file_;
  none.Active = true;
  none.LoadPlacement();
  none.FormCloseQuery(true, nullptr);
  none.FormDestroy(nullptr);
  EXPECT_FALSE(std::filesystem::exists(file_));
}

}  // namespace
}  // namespace kivo::placement
