// The Win32 plugin window driven through its real controls, with the real
// window logic and a fake run host (run under Wine and Xvfb).
#include <windows.h>
#undef DeleteFile
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"
#include "shell/window/form_window.h"
#include "shell/window/message_pump.h"
#include "support/win32_form_fixture.h"

namespace kivo::window {
namespace {

using platform::win32::Wide;

RECT ClientRectOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectPlace(HWND control, int x, int y, int w, int h) {
  ASSERT_NE(control, nullptr);
  const RECT r = ClientRectOf(control);
  EXPECT_EQ(r.left, x);
  EXPECT_EQ(r.top, y);
  EXPECT_EQ(r.right - r.left, w);
  EXPECT_EQ(r.bottom - r.top, h);
}

std::wstring TextOf(HWND control) {
  wchar_t buffer[512] = {};
  GetWindowTextW(control, buffer, 512);
  return buffer;
}

class Win32WindowTest : public testing::Win32FormFixture {
 protected:
  void SetUp() override {
    MakeHost("[TSetup]\r\nDataDeleteDays_Text=0\r\n[kivo]\r\nDLBeforeDays=1234\r\n");
    Open();
    play_ = Button(texts::kPlayCaption);
    skip_ = Button(texts::kSkipCaption);
    stop_ = Button(texts::kStopCaption);
    pause_ = Button(texts::kPauseCaption);
  }
  void Key(HWND target, WPARAM key) { Deliver(target, WM_KEYDOWN, key); }

  HWND play_ = nullptr, skip_ = nullptr, stop_ = nullptr, pause_ = nullptr;
};

TEST_F(Win32WindowTest, CaptionsAndDesignedGeometry) {
  EXPECT_EQ(TextOf(window_), Wide(texts::kWindowCaption));
  RECT outer;
  GetWindowRect(window_, &outer);
  EXPECT_EQ(outer.right - outer.left, 368);
  EXPECT_EQ(outer.bottom - outer.top, 237);
  RECT client;
  GetClientRect(window_, &client);
  const int w = client.right, h = client.bottom;

  ExpectPlace(days_, 8, 8, 41, 21);
  ExpectPlace(memo_, 0, 65, w, h - 65 - 26 - 24);
  ExpectPlace(status_, 0, h - 24, w, 24);
  const int row = h - 24 - 26 + 1;
  ExpectPlace(play_, 8, row, 81, 25);
  ExpectPlace(skip_, 97, row, 81, 25);
  ExpectPlace(stop_, 184, row, 81, 25);
  ExpectPlace(pause_, 272, row, 81, 25);
  HWND about = FindWindowExW(window_, nullptr, L"KivoSpeedButton", nullptr);
  ExpectPlace(about, 328, 8, 23, 22);
  ExpectPlace(FindWindowExW(window_, about, L"KivoSpeedButton", nullptr), 304, 8, 23, 22);
  HWND label = FindWindowExW(window_, nullptr, L"STATIC", Wide(texts::kDaysLabel).c_str());
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(ClientRectOf(label).left, 56);
  EXPECT_EQ(ClientRectOf(label).top, 16);
  EXPECT_FALSE(IsWindowEnabled(play_)) << "Resume is off until a pause";
  EXPECT_TRUE(IsWindowEnabled(pause_));
}

TEST_F(Win32WindowTest, GrowingKeepsButtonsLeftAndBottomAndMemoFillsTheMiddle) {
  SetWindowPos(window_, nullptr, 0, 0, 600, 420, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(window_, &client);
  const int w = client.right, h = client.bottom;
  ExpectPlace(stop_, 184, h - 50 + 1, 81, 25);
  ExpectPlace(memo_, 0, 65, w, h - 115);
  ExpectPlace(status_, 0, h - 24, w, 24);
  ExpectPlace(days_, 8, 8, 41, 21);

  MINMAXINFO info{};
  SendMessageW(window_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 250);
  EXPECT_EQ(info.ptMinTrackSize.y, 150);
}

TEST_F(Win32WindowTest, DaysFieldShowsGroupingButHandsOverThePlainNumber) {
  EXPECT_EQ(TextOf(days_), L"1,234");
  EXPECT_EQ(view_->DaysText(), "1234");
  EXPECT_EQ(form_->RunState().FBeforeDays, 1234);
  view_->SetDaysText("-1234567");
  EXPECT_EQ(TextOf(days_), L"-1,234,567");
}

TEST(Win32DaysDisplay, GroupDigits) {
  EXPECT_EQ(Win32FormView::GroupDigits("0"), "0");
  EXPECT_EQ(Win32FormView::GroupDigits("999"), "999");
  EXPECT_EQ(Win32FormView::GroupDigits("1000"), "1,000");
  EXPECT_EQ(Win32FormView::GroupDigits("123456"), "123,456");
  EXPECT_EQ(Win32FormView::GroupDigits("-1000"), "-1,000");
  EXPECT_EQ(Win32FormView::GroupDigits("0045"), "45");
  EXPECT_EQ(Win32FormView::GroupDigits("-0"), "0");
  EXPECT_EQ(Win32FormView::GroupDigits(""), "");
  EXPECT_EQ(Win32FormView::GroupDigits("-"), "-");
  EXPECT_EQ(Win32FormView::GroupDigits("12a"), "12a");
}

TEST_F(Win32WindowTest, EscOutsideTheMemoPressesStopAndTheWindowCloses) {
  Key(days_, VK_ESCAPE);
  EXPECT_FALSE(form_->RunState().FStopRequested) << "a hidden window presses nothing";
  ShowWindow(window_, SW_SHOWNA);
  Key(memo_, VK_ESCAPE);
  EXPECT_FALSE(form_->RunState().FStopRequested) << "Esc in the memo does nothing";
  EXPECT_TRUE(IsWindow(window_));

  Key(days_, VK_ESCAPE);
  EXPECT_TRUE(form_->RunState().FStopRequested);
  EXPECT_FALSE(IsWindowEnabled(stop_));
  EXPECT_FALSE(IsWindowEnabled(skip_));
  EXPECT_FALSE(IsWindowEnabled(pause_));
  // FormClose wrote the field's plain text.
  EXPECT_EQ(platform::IniRead(ini_, "kivo", "DLBeforeDays"), "1234");
  PumpMessages();
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(Win32WindowTest, ACloseAskedInsideAHandlerWaitsForTheStackToUnwind) {
  platform::IniWrite(ini_, "kivo", "DLBeforeDays", "");
  view_->Dispatch([this] {
    view_->Dispatch([this] { view_->Close(); });
    // FormClose has run, but the window stays while a handler is running,
    // even when that handler pumps messages.
    EXPECT_TRUE(form_->RunState().FStopRequested);
    EXPECT_EQ(platform::IniRead(ini_, "kivo", "DLBeforeDays"), "1234");
    PumpMessages();
    EXPECT_TRUE(IsWindow(window_));
  });
  EXPECT_TRUE(IsWindow(window_));
  PumpMessages();
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(Win32WindowTest, TheCloseBoxRunsFormClose) {
  SendMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_TRUE(form_->RunState().FStopRequested);
  PumpMessages();
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(Win32WindowTest, SessionEndInConfigurationModeSavesEverythingBeforeItReturns) {
  view_->Show(SW_SHOWNORMAL);
  PumpMessages();
  SetWindowPos(window_, nullptr, 70, 80, 390, 260, SWP_NOZORDER | SWP_NOACTIVATE);
  // Typed into the days field, not yet left.
  SetFocus(days_);
  SetWindowTextW(days_, L"45");
  const std::string qlc = host_dir_ + "\\qlc.ini";

  EXPECT_EQ(SendMessageW(window_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  EXPECT_FALSE(platform::FileExists(qlc)) << "asking changes nothing";
  SendMessageW(window_, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  // What the files hold now is what a process ended here leaves behind.
  EXPECT_EQ(platform::IniRead(ini_, "kivo", "DLBeforeDays"), "45");
  EXPECT_EQ(platform::IniRead(qlc, "TFormDLL", "NormPos"), "70,80,460,340");
  EXPECT_EQ(platform::IniRead(qlc, "TFormDLL", "Visible"), "0");
  std::string log;
  ASSERT_TRUE(platform::ReadFile(host_dir_ + "\\Quillcas.log", log));
  ASSERT_TRUE(log.ends_with("\r\n")) << log;
  const std::size_t last = log.rfind("\r\n", log.size() - 3);
  const std::string last_line = log.substr(last == std::string::npos ? 0 : last + 2);
  EXPECT_EQ(last_line.rfind("--- END ---", 0), 0u) << last_line;
}

TEST_F(Win32WindowTest, ASessionThatGoesOnChangesNothing) {
  view_->Show(SW_SHOWNORMAL);
  PumpMessages();
  SendMessageW(window_, WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(platform::FileExists(host_dir_ + "\\qlc.ini"));
  EXPECT_FALSE(form_->RunState().FStopRequested);
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(Win32WindowTest, PauseHoldsInsideTheClickUntilResume) {
  host_.At(1000, [this] {
    EXPECT_TRUE(IsWindowEnabled(play_));
    EXPECT_FALSE(IsWindowEnabled(pause_));
    SendMessageW(play_, BM_CLICK, 0, 0);
  });
  SendMessageW(pause_, BM_CLICK, 0, 0);
  // The click returned only after Resume, about a second later on the clock.
  EXPECT_GE(host_.now_ms, 1000);
  EXPECT_LT(host_.now_ms, 1300);
  EXPECT_FALSE(form_->RunState().FPauseRequested);
  EXPECT_FALSE(IsWindowEnabled(play_));
  EXPECT_TRUE(IsWindowEnabled(pause_));
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(Win32WindowTest, SkipMarksTheTitleOnce) {
  view_->SetTitleText("2026/12/07");
  SendMessageW(skip_, BM_CLICK, 0, 0);
  SendMessageW(skip_, BM_CLICK, 0, 0);
  const std::string expected = std::string("2026/12/07") + texts::kSkipMark;
  EXPECT_EQ(view_->TitleText(), expected);
  EXPECT_NE(FindWindowExW(window_, nullptr, L"STATIC", Wide(expected).c_str()), nullptr);
  EXPECT_TRUE(form_->RunState().FSkipRequested);
}

TEST_F(Win32WindowTest, MemoAndStatusCarryJapaneseText) {
  // "テスト" in Shift-JIS.
  const std::string title = "\203e\203X\203g";
  EXPECT_EQ(view_->MemoLineCount(), 0);
  view_->MemoAdd(title);
  view_->MemoAdd("abc");
  EXPECT_EQ(view_->MemoLineCount(), 2);
  EXPECT_EQ(TextOf(memo_), L"\u30c6\u30b9\u30c8\r\nabc");
  view_->MemoClear();
  EXPECT_EQ(view_->MemoLineCount(), 0);

  view_->SetStatusText(title);
  wchar_t buffer[64] = {};
  SendMessageW(status_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer));
  EXPECT_STREQ(buffer, L"\u30c6\u30b9\u30c8");
}

TEST_F(Win32WindowTest, TabLeavesTheMemo) {
  ShowWindow(window_, SW_SHOW);
  SetFocus(memo_);
  Key(memo_, VK_TAB);
  // Resume is disabled, so the next stop after the memo is Skip.
  EXPECT_EQ(GetFocus(), skip_);
}

}  // namespace
}  // namespace kivo::window
