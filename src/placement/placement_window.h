// What the placement component needs from the window it serves and from the
// screen. The Win32 window implements it (win32/); the terminal front-end
// has no window and supplies none; tests supply a fake.
#pragma once

#include <string>

#include "placement/placement_values.h"

namespace kivo::placement {

// The platform's window-placement record. Coordinates are those of the
// platform's placement calls (workspace coordinates on Windows).
struct WindowPlacement {
  unsigned flags = 0;
  int show_cmd = 0;  // 0 hidden, 1 normal, 2 minimised, 3 maximised, ...
  int min_x = 0, min_y = 0;
  int max_x = 0, max_y = 0;
  int left = 0, top = 0, right = 0, bottom = 0;  // the normal rectangle
};

inline constexpr int kShowHidden = 0;
inline constexpr int kShowMinimized = 2;

// The border kinds that decide the maximised position's offset.
enum class BorderKind { None, Single, Dialog, Sizeable };

class PlacementWindow {
 public:
  virtual ~PlacementWindow() = default;
  // The section name when none is set: the window's class name.
  virtual std::string ClassName() = 0;
  virtual WindowPlacement GetPlacement() = 0;
  virtual void SetPlacement(const WindowPlacement& placement) = 0;
  virtual bool IsVisible() = 0;
  // The window is the application's main window, or no main window exists
  // yet: minimising then means minimising the whole application.
  virtual bool IsMainWindow() = 0;
  // The application as a whole is minimised.
  virtual bool ApplicationMinimized() = 0;
  // Asks the application to minimise once its message loop runs.
  virtual void PostApplicationMinimize() = 0;
  // Normal or maximised; a hidden window takes the state when shown. With
  // `apply` false the state is only recorded, the window left as it is.
  virtual void SetWindowState(WindowState state, bool apply) = 0;
  virtual void Repaint() = 0;
  // The window's outer rectangle now: left, top, width, height.
  virtual void Bounds(int& left, int& top, int& width, int& height) = 0;
  virtual BorderKind Border() = 0;

  // The screen.
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual int PixelsPerInch() = 0;
  // The border metrics for a border kind (SM_CXFRAME/SM_CYFRAME for a
  // sizeable one, and so on); 0, 0 for none.
  virtual void BorderMetrics(BorderKind border, int& x, int& y) = 0;
};

}  // namespace kivo::placement
