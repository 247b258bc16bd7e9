// The Windows program's finish, under Wine and Xvfb: the days field's
// select-on-focus, the repaint of the status bar and the run buttons after a
// resize, the run buttons' images and the layout at the screen's DPI.
#include <windows.h>
#undef DeleteFile
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"
#include "shell/window/button_images.h"
#include "shell/window/form_window.h"
#include "shell/window/message_pump.h"
#include "support/win32_form_fixture.h"

namespace kivo::window {
namespace {

using platform::win32::Wide;

std::wstring TextOf(HWND control) {
  wchar_t buffer[512] = {};
  GetWindowTextW(control, buffer, 512);
  return buffer;
}

// The field's selection as (start, end).
std::pair<DWORD, DWORD> Selection(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

RECT PlaceOf(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class Win32WindowFinishTest : public testing::Win32FormFixture {
 protected:
  void SetUp() override {
    MakeHost("[TSetup]\r\nDataDeleteDays_Text=0\r\n[kivo]\r\nDLBeforeDays=1090\r\n");
    Open();
  }
  void Type(HWND target, const wchar_t* keys) {
    for (const wchar_t* k = keys; *k; ++k) Deliver(target, WM_CHAR, *k);
  }
  void ShowAndSettle() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
    PumpMessages();
  }
};

TEST_F(Win32WindowFinishTest, TabIntoTheDaysFieldSelectsTheNumberSoTypingReplacesIt) {
  ShowAndSettle();
  HWND pause = Button(texts::kPauseCaption);
  SetFocus(pause);
  ASSERT_EQ(GetFocus(), pause);
  EXPECT_EQ(TextOf(days_), L"1,090");
  // Tab from the last control wraps round to the first, the days field.
  Deliver(pause, WM_KEYDOWN, VK_TAB);
  ASSERT_EQ(GetFocus(), days_);
  EXPECT_EQ(TextOf(days_), L"1090") << "the plain number while editing";
  EXPECT_EQ(Selection(days_), std::make_pair(DWORD{0}, DWORD{4}));
  Type(days_, L"45");
  EXPECT_EQ(TextOf(days_), L"45");

  // Leaving it shows the number grouped again and hands over the plain one.
  Type(days_, L"00");
  Deliver(days_, WM_KEYDOWN, VK_TAB);
  EXPECT_NE(GetFocus(), days_);
  EXPECT_EQ(TextOf(days_), L"4,500");
  EXPECT_EQ(view_->DaysText(), "4500");
}

TEST_F(Win32WindowFinishTest, AClickIntoTheDaysFieldSelectsTheNumberOnlyWhenItBringsTheFocus) {
  ShowAndSettle();
  SetFocus(memo_);
  ASSERT_EQ(GetFocus(), memo_);
  const LPARAM at_the_end = MAKELPARAM(35, 10);
  Deliver(days_, WM_LBUTTONDOWN, MK_LBUTTON, at_the_end);
  Deliver(days_, WM_LBUTTONUP, 0, at_the_end);
  ASSERT_EQ(GetFocus(), days_);
  EXPECT_EQ(Selection(days_), std::make_pair(DWORD{0}, DWORD{4}));
  Type(days_, L"5");
  EXPECT_EQ(TextOf(days_), L"5");

  // A second click, with the focus already there, places the caret.
  Type(days_, L"12");
  Deliver(days_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 10));
  Deliver(days_, WM_LBUTTONUP, 0, MAKELPARAM(1, 10));
  const auto [start, end] = Selection(days_);
  EXPECT_EQ(start, end) << "no selection after a click inside the focused field";
}

TEST_F(Win32WindowFinishTest, AResizeRepaintsTheStatusBarAndTheRunButtonsWhole) {
  ShowAndSettle();
  RECT pending;
  ASSERT_FALSE(GetUpdateRect(status_, &pending, FALSE)) << "painted before the resize";
  RECT outer;
  GetWindowRect(window_, &outer);
  // Wider only: the bar keeps its height and place, so the system itself
  // would repaint no more than the strip that was uncovered.
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + 120, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(status_, &client);
  ASSERT_TRUE(GetUpdateRect(status_, &pending, FALSE));
  EXPECT_EQ(pending.left, 0) << "the old size grip would stay";
  EXPECT_EQ(pending.right, client.right);
  EXPECT_EQ(pending.top, 0);
  EXPECT_EQ(pending.bottom, client.bottom);

  // Taller: the run buttons move down and must be painted whole where they
  // land, not only where they were not before.
  UpdateWindow(window_);
  PumpMessages();
  GetWindowRect(window_, &outer);
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + 13,
               SWP_NOMOVE | SWP_NOZORDER);
  for (const char* caption :
       {texts::kPlayCaption, texts::kSkipCaption, texts::kStopCaption, texts::kPauseCaption}) {
    SCOPED_TRACE(caption);
    HWND button = Button(caption);
    GetClientRect(button, &client);
    ASSERT_TRUE(GetUpdateRect(button, &pending, FALSE));
    EXPECT_EQ(pending.top, 0);
    EXPECT_EQ(pending.bottom, client.bottom);
    EXPECT_EQ(pending.left, 0);
    EXPECT_EQ(pending.right, client.right);
  }
}

TEST_F(Win32WindowFinishTest, EachRunButtonCarriesItsImage) {
  const struct {
    const char* caption;
    const wchar_t* image;
  } buttons[] = {{texts::kPlayCaption, kPlayImage},
                 {texts::kSkipCaption, kSkipImage},
                 {texts::kStopCaption, kStopImage},
                 {texts::kPauseCaption, kPauseImage}};
  std::set<HICON> images;
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.caption);
    HWND button = Button(b.caption);
    ASSERT_NE(button, nullptr);
    auto* icon = reinterpret_cast<HICON>(SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0));
    ASSERT_NE(icon, nullptr);
    images.insert(icon);
    // A shared icon: loading the resource again gives the same handle.
    EXPECT_EQ(icon, LoadImageW(GetModuleHandleW(nullptr), b.image, IMAGE_ICON, 16, 16, LR_SHARED));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 16);
    EXPECT_EQ(bitmap.bmHeight, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(TextOf(button), Wide(b.caption)) << "the caption stays beside the image";
    // Image and caption fit the designed 81 x 25 (a Common Controls 6
    // button measures them; version 5 would not know the message).
    SIZE ideal{0, 0};
    ASSERT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    EXPECT_LE(ideal.cx, 81);
    EXPECT_LE(ideal.cy, 25);
  }
  EXPECT_EQ(images.size(), 4u) << "four different images";
}

// Run by scripts/wine-test once more with the prefix at 144 dpi: the
// window's pixel design must fit inside its client area whatever the
// system's frame and caption sizes.
TEST_F(Win32WindowFinishTest, TheDesignedLayoutFitsAtTheScreensDpi) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (const char* want = std::getenv("KIVO_EXPECT_DPI")) {
    EXPECT_EQ(dpi, std::atoi(want)) << "the prefix was meant to run at this DPI";
  }
  RECT client;
  GetClientRect(window_, &client);
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    if (child == memo_ || child == status_) continue;  // they take the width there is
    const RECT r = PlaceOf(child);
    EXPECT_LE(r.right, client.right)
        << "control " << GetDlgCtrlID(child) << " at " << dpi << " dpi";
    EXPECT_LE(r.bottom, client.bottom) << "control " << GetDlgCtrlID(child);
  }
  // The label after the number ends before the shop button.
  HWND label = FindWindowExW(window_, nullptr, L"STATIC", Wide(texts::kDaysLabel).c_str());
  ASSERT_NE(label, nullptr);
  EXPECT_LT(PlaceOf(label).right, 304);
  EXPECT_GT(PlaceOf(label).right - PlaceOf(label).left, 0);
}

}  // namespace
}  // namespace kivo::window
