#include "placement/win32/win32_placement_window.h"

#include "platform/win32/wide_text.h"

namespace kivo::placement {

int Win32PlacementWindow::ShowCommand(int requested) const {
  return state_ == WindowState::Maximized ? SW_SHOWMAXIMIZED : requested;
}

std::string Win32PlacementWindow::ClassName() {
  wchar_t name[256] = {};
  GetClassNameW(window_, name, 256);
  return platform::win32::Narrow(name);
}

WindowPlacement Win32PlacementWindow::GetPlacement() {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(window_, &wp);
  WindowPlacement p;
  p.flags = wp.flags;
  p.show_cmd = static_cast<int>(wp.showCmd);
  p.min_x = wp.ptMinPosition.x;
  p.min_y = wp.ptMinPosition.y;
  p.max_x = wp.ptMaxPosition.x;
  p.max_y = wp.ptMaxPosition.y;
  p.left = wp.rcNormalPosition.left;
  p.top = wp.rcNormalPosition.top;
  p.right = wp.rcNormalPosition.right;
  p.bottom = wp.rcNormalPosition.bottom;
  return p;
}

void Win32PlacementWindow::SetPlacement(const WindowPlacement& p) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  wp.flags = p.flags;
  wp.showCmd = static_cast<UINT>(p.show_cmd);
  wp.ptMinPosition = POINT{p.min_x, p.min_y};
  wp.ptMaxPosition = POINT{p.max_x, p.max_y};
  wp.rcNormalPosition = RECT{p.left, p.top, p.right, p.bottom};
  SetWindowPlacement(window_, &wp);
}

bool Win32PlacementWindow::IsVisible() { return IsWindowVisible(window_) != FALSE; }

bool Win32PlacementWindow::ApplicationMinimized() {
  return application_ && IsIconic(application_) != FALSE;
}

void Win32PlacementWindow::PostApplicationMinimize() {
  PostMessageW(application_ ? application_ : window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void Win32PlacementWindow::SetWindowState(WindowState state, bool apply) {
  state_ = state;
  if (!apply || !IsWindowVisible(window_)) return;  // taken when the window is shown
  const bool zoomed = IsZoomed(window_) != FALSE;
  if (state == WindowState::Maximized && !zoomed) ShowWindow(window_, SW_SHOWMAXIMIZED);
  if (state == WindowState::Normal && (zoomed || IsIconic(window_)))
    ShowWindow(window_, SW_RESTORE);
}

void Win32PlacementWindow::Repaint() {
  InvalidateRect(window_, nullptr, TRUE);
  UpdateWindow(window_);
}

void Win32PlacementWindow::Bounds(int& left, int& top, int& width, int& height) {
  RECT r{0, 0, 0, 0};
  GetWindowRect(window_, &r);
  left = r.left;
  top = r.top;
  width = r.right - r.left;
  height = r.bottom - r.top;
}

BorderKind Win32PlacementWindow::Border() {
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
  const LONG_PTR ex_style = GetWindowLongPtrW(window_, GWL_EXSTYLE);
  if (style & WS_THICKFRAME) return BorderKind::Sizeable;
  if (ex_style & WS_EX_DLGMODALFRAME) return BorderKind::Dialog;
  if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_BORDER)) return BorderKind::Single;
  if (style & WS_DLGFRAME) return BorderKind::Dialog;
  return BorderKind::None;
}

int Win32PlacementWindow::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }

int Win32PlacementWindow::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

int Win32PlacementWindow::PixelsPerInch() {
  HDC screen = GetDC(nullptr);
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi;
}

void Win32PlacementWindow::BorderMetrics(BorderKind border, int& x, int& y) {
  switch (border) {
    case BorderKind::Sizeable:
      x = GetSystemMetrics(SM_CXFRAME);
      y = GetSystemMetrics(SM_CYFRAME);
      return;
    case BorderKind::Single:
      x = GetSystemMetrics(SM_CXBORDER);
      y = GetSystemMetrics(SM_CYBORDER);
      return;
    case BorderKind::Dialog:
      x = GetSystemMetrics(SM_CXDLGFRAME);
      y = GetSystemMetrics(SM_CYDLGFRAME);
      return;
    case BorderKind::None:
      x = y = 0;
      return;
  }
}

}  // namespace kivo::placement
