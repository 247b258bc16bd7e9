// The plugin window's layout: where each control goes when the client area
// changes size, the smallest size, and the panel's bevel. Everything is in
// pixels as designed; the system scales the window as a whole.
#include "shell/window/form_controls.h"
#include "shell/window/form_window.h"

namespace kivo::window {

using namespace form;

void Win32FormView::Layout(int width, int height) {
  // Panel: top, 65 high. StatusBar1: bottom, 24 high. Panel2: above it, 26
  // high, its buttons anchored left and bottom. Memo1: everything between.
  const int status_top = height - kStatusHeight;
  const int panel2_top = status_top - kPanel2Height;
  const int memo_height = panel2_top - kPanelHeight;
  HDWP batch = BeginDeferWindowPos(8);
  auto place = [&](HWND control, int x, int y, int w, int h) {
    if (batch && control) {
      batch = DeferWindowPos(batch, control, nullptr, x, y, w < 0 ? 0 : w, h < 0 ? 0 : h,
                             SWP_NOZORDER | SWP_NOACTIVATE);
    }
  };
  place(memo_, 0, kPanelHeight, width, memo_height);
  place(status_, 0, status_top, width, kStatusHeight);
  for (const ButtonPlace& b : kRunButtons) {
    place(GetDlgItem(window_, b.id), b.left, panel2_top + kRunButtonTop, kRunButtonWidth,
          kRunButtonHeight);
  }
  RECT title{0, 0, 0, 0};
  if (title_) GetWindowRect(title_, &title);
  place(title_, kTitleAt.x, kTitleAt.y, width - kTitleAt.x - kTitleRightGap,
        title.bottom - title.top);
  if (batch) EndDeferWindowPos(batch);
  // Moved controls repaint only what was uncovered, and the bits copied
  // along are not always right: the status bar kept its old size grip in the
  // middle, and the run buttons came out blank where they had not been
  // before. Repaint every control that moves or grows, whole.
  if (status_) InvalidateRect(status_, nullptr, TRUE);
  for (const ButtonPlace& b : kRunButtons) {
    if (HWND button = GetDlgItem(window_, b.id)) InvalidateRect(button, nullptr, TRUE);
  }
  if (title_) InvalidateRect(title_, nullptr, TRUE);
  // The panel's lowered bevel is painted by the window itself.
  RECT panel{0, 0, width, kPanelHeight};
  InvalidateRect(window_, &panel, TRUE);
}

void Win32FormView::LimitTrackSize(MINMAXINFO& info) {
  info.ptMinTrackSize.x = kMinWidth;
  info.ptMinTrackSize.y = kMinHeight;
}

void Win32FormView::PaintPanel() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  RECT client;
  GetClientRect(window_, &client);
  RECT panel{0, 0, client.right, kPanelHeight};
  DrawEdge(dc, &panel, BDR_SUNKENOUTER, BF_RECT);
  EndPaint(window_, &ps);
}

}  // namespace kivo::window
