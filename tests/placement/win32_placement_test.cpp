// The plugin window's placement in qlc.ini with the real Win32 window and
// the real window logic (run under Wine and Xvfb).
#ifdef _WIN32

#include <windows.h>
#undef DeleteFile
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "placement/placement_values.h"
#include "platform/platform.h"
#include "shell/window/application_window.h"
#include "shell/window/message_pump.h"
#include "support/win32_form_fixture.h"

namespace kivo::window {
namespace {

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::string Rect(const RECT& r) {
  return placement::FormatPositionList(r.left, r.top, r.right, r.bottom);
}

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

class Win32PlacementTest : public testing::Win32FormFixture {
 protected:
  void SetUp() override {
    MakeHost("[kivo]\r\nDLBeforeDays=30\r\n");
    qlc_ = host_dir_ + "\\qlc.ini";
    suffix_ = placement::ScreenSuffix(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  }

  // A start in configuration mode: the window made, FormCreate, the show.
  // `application`: the application window owning the plugin window.
  void Start(HWND application = nullptr) {
    Open(application);
    view_->Show(SW_SHOWNORMAL);
    PumpMessages();
  }
  // The close box, then the window's destruction once idle.
  void CloseWindow() {
    SendMessageW(window_, WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(window_));
    Drop();
  }
  std::string Qlc(const std::string& key) { return platform::IniRead(qlc_, "TFormDLL", key); }
  std::string FileText(const std::string& path) {
    std::string bytes;
    platform::ReadFile(path, bytes);
    return bytes;
  }

  std::string qlc_, suffix_;
};

TEST_F(Win32PlacementTest, FirstStartOpensAsDesignedAndTheCloseWritesTheNineKeys) {
  Start();
  const RECT designed = WindowRect(window_);
  EXPECT_EQ(designed.right - designed.left, 368);
  EXPECT_EQ(designed.bottom - designed.top, 237);
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_FALSE(platform::FileExists(qlc_));
  CloseWindow();

  const std::vector<std::string> lines = CrLfLines(FileText(qlc_));
  std::vector<std::string> keys;
  for (const std::string& line : lines) keys.push_back(line.substr(0, line.find('=')));
  const std::vector<std::string> want = {"[TFormDLL]", "FormVersion",       "Flags",
                                         "ShowCmd",    "PixelsPerInch",     "MinMaxPos" + suffix_,
                                         "MinMaxPos",  "NormPos" + suffix_, "NormPos",
                                         "Visible"};
  EXPECT_EQ(keys, want);
  EXPECT_EQ(Qlc("FormVersion"), "0");
  EXPECT_EQ(Qlc("ShowCmd"), "1");
  EXPECT_EQ(Qlc("Visible"), "0");
  EXPECT_EQ(Qlc("NormPos"), Rect(designed));
  EXPECT_EQ(Qlc("NormPos" + suffix_), Rect(designed));
  // The minimised and maximised positions as the platform reports them
  // (Wine, like recent Windows, says -1 for positions never used).
  constexpr int kNone = -123456;
  for (int n : placement::ParsePositionList(Qlc("MinMaxPos"), {kNone, kNone, kNone, kNone})) {
    EXPECT_NE(n, kNone) << Qlc("MinMaxPos");
  }
  EXPECT_EQ(Qlc("MinMaxPos" + suffix_), Qlc("MinMaxPos"));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(Qlc("PixelsPerInch"), std::to_string(GetDeviceCaps(screen, LOGPIXELSY)));
  ReleaseDC(nullptr, screen);
}

TEST_F(Win32PlacementTest, MovedAndResizedItReopensThere) {
  Start();
  SetWindowPos(window_, nullptr, 100, 120, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  CloseWindow();
  EXPECT_EQ(Qlc("NormPos"), "100,120,500,420");
  Start();
  EXPECT_EQ(Rect(WindowRect(window_)), "100,120,500,420");
  EXPECT_FALSE(IsZoomed(window_));
}

TEST_F(Win32PlacementTest, ClosedMaximisedItReopensMaximisedWithTheNormalRectangleKept) {
  Start();
  SetWindowPos(window_, nullptr, 30, 40, 380, 250, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(window_));
  CloseWindow();
  EXPECT_EQ(Qlc("ShowCmd"), "3");
  EXPECT_EQ(Qlc("NormPos"), "30,40,410,290");

  Start();
  EXPECT_TRUE(IsZoomed(window_));
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(window_, &wp);
  EXPECT_EQ(Rect(wp.rcNormalPosition), "30,40,410,290");
  ShowWindow(window_, SW_RESTORE);
  EXPECT_EQ(Rect(WindowRect(window_)), "30,40,410,290");
}

TEST_F(Win32PlacementTest, AHandWrittenListWithBlanks) {
  ASSERT_TRUE(platform::SaveAtomically(qlc_, "[TFormDLL]\r\nNormPos=50, 60 ,, 450  360\r\n"));
  Start();
  EXPECT_EQ(Rect(WindowRect(window_)), "50,60,450,360");
}

TEST_F(Win32PlacementTest, ANegativeFormVersionSkipsTheRestoreAndTheCloseWritesZero) {
  Start();
  const RECT designed = WindowRect(window_);
  CloseWindow();
  ASSERT_TRUE(platform::SaveAtomically(
      qlc_, "[TFormDLL]\r\nFormVersion=-1\r\nShowCmd=3\r\nNormPos=50,60,450,360\r\n"));
  Start();
  EXPECT_EQ(Rect(WindowRect(window_)), Rect(designed));
  EXPECT_FALSE(IsZoomed(window_));
  CloseWindow();
  EXPECT_EQ(Qlc("FormVersion"), "0");
  EXPECT_EQ(Qlc("NormPos"), Rect(designed));
}

TEST_F(Win32PlacementTest, ClosedWithTheApplicationMinimisedTheNextStartMinimisesIt) {
  HWND application = CreateApplicationWindow(GetModuleHandleW(nullptr));
  ASSERT_NE(application, nullptr);
  ShowWindow(application, SW_SHOWNOACTIVATE);
  Start(application);
  SetApplicationMainWindow(application, window_);
  ShowWindow(application, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(application));
  CloseWindow();
  EXPECT_EQ(Qlc("ShowCmd"), "2");

  ShowWindow(application, SW_RESTORE);
  ASSERT_FALSE(IsIconic(application));
  Start(application);
  SetApplicationMainWindow(application, window_);
  EXPECT_FALSE(IsZoomed(window_));
  // The minimise was posted to the application; it acts in the message loop.
  PumpMessages();
  EXPECT_TRUE(IsIconic(application));
  EXPECT_FALSE(IsIconic(window_)) << "the plugin window itself stays normal";
  Drop();
  DestroyWindow(application);
}

}  // namespace
}  // namespace kivo::window

#endif  // _WIN32
