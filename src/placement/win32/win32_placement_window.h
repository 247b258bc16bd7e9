// The placement component's view of a real Win32 window: the placement
// calls, the screen metrics, and the window state a hidden window takes
// when it is shown. Win32 only.
#pragma once

#include <windows.h>

#include "placement/placement_window.h"

namespace kivo::placement {

class Win32PlacementWindow final : public PlacementWindow {
 public:
  // `application`: the application's own window, which carries the taskbar
  // button and minimises for the whole program (may be nullptr).
  Win32PlacementWindow(HWND window, HWND application)
      : window_(window), application_(application) {}

  // The show command for showing the window now: the state a restore asked
  // for (maximised) or `requested`.
  int ShowCommand(int requested) const;

  std::string ClassName() override;
  WindowPlacement GetPlacement() override;
  void SetPlacement(const WindowPlacement& placement) override;
  bool IsVisible() override;
  bool IsMainWindow() override { return true; }
  bool ApplicationMinimized() override;
  void PostApplicationMinimize() override;
  void SetWindowState(WindowState state, bool apply) override;
  void Repaint() override;
  void Bounds(int& left, int& top, int& width, int& height) override;
  BorderKind Border() override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  int PixelsPerInch() override;
  void BorderMetrics(BorderKind border, int& x, int& y) override;

 private:
  HWND window_;
  HWND application_;
  WindowState state_ = WindowState::Normal;
};

}  // namespace kivo::placement
