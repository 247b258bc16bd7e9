// The plugin window's controls as the front-end's files share them: their
// ids, their designed places and sizes in pixels, and reading a control's
// text. Only the plugin window's own files include
// this. Win32 only.
#pragma once

#include <windows.h>

#include <string>

#include "shell/shell_texts.h"
#include "shell/window/button_images.h"

namespace kivo::window::form {

// Outer size, smallest size and the fixed parts of the layout.
inline constexpr int kOuterWidth = 368;
inline constexpr int kOuterHeight = 237;
inline constexpr int kMinWidth = 250;
inline constexpr int kMinHeight = 150;
inline constexpr int kPanelHeight = 65;   // Panel, at the top
inline constexpr int kPanel2Height = 26;  // Panel2, above the status bar
inline constexpr int kStatusHeight = 24;  // StatusBar1, at the bottom

// Control ids; none is IDOK or IDCANCEL, which the dialog keys send.
enum : int {
  kIdDays = 101,
  kIdMemo,
  kIdPlay,
  kIdSkip,
  kIdStop,
  kIdPause,
  kIdStatus,
  kIdLabel1,
  kIdTitle,
  kIdAbout,
  kIdUrl,
};

// Posted to destroy the window once no handler is on the stack.
inline constexpr UINT kDestroyWhenIdle = WM_APP + 1;

struct ButtonPlace {
  int id;
  const char* caption;
  int left;
  const wchar_t* image;
};
// Panel2's buttons, `left` + top 1, 81 x 25, in tab order (Play 0, Skip 1,
// Stop 2, Pause 3).
inline constexpr int kRunButtonTop = 1;
inline constexpr int kRunButtonWidth = 81;
inline constexpr int kRunButtonHeight = 25;
inline constexpr ButtonPlace kRunButtons[] = {
    {kIdPlay, texts::kPlayCaption, 8, kPlayImage},
    {kIdSkip, texts::kSkipCaption, 97, kSkipImage},
    {kIdStop, texts::kStopCaption, 184, kStopImage},
    {kIdPause, texts::kPauseCaption, 272, kPauseImage},
};

// Panel's controls, in client pixels. The labels size themselves to their
// text; the title label runs to kTitleRightGap before the right edge.
struct Place {
  int x, y, width, height;
};
inline constexpr Place kDaysPlace{8, 8, 41, 21};
inline constexpr Place kAboutPlace{328, 8, 23, 22};
inline constexpr Place kUrlPlace{304, 8, 23, 22};
inline constexpr POINT kLabel1At{56, 16};
inline constexpr POINT kTitleAt{16, 40};
inline constexpr int kTitleRightGap = 2;

// The control's text as Shift-JIS; empty when it has none.
std::string WindowText(HWND control);

}  // namespace kivo::window::form
