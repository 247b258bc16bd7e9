// A window for the placement component that records what is applied to it.
#pragma once

#include <string>
#include <vector>

#include "placement/placement_window.h"

namespace kivo::placement::testing {

class FakePlacementWindow : public PlacementWindow {
 public:
  std::string ClassName() override { return "TFormDLL"; }
  WindowPlacement GetPlacement() override { return current; }
  void SetPlacement(const WindowPlacement& p) override {
    applied.push_back(p);
    // As the platform: a hidden window reports the show command it had.
    const int show = current.show_cmd;
    current = p;
    if (p.show_cmd == kShowHidden) current.show_cmd = show;
  }
  bool IsVisible() override { return visible; }
  bool IsMainWindow() override { return main_window; }
  bool ApplicationMinimized() override { return application_minimized; }
  void PostApplicationMinimize() override { ++minimize_posts; }
  void SetWindowState(WindowState s, bool apply) override {
    states.push_back(s);
    applied_states.push_back(apply);
  }
  void Repaint() override { ++repaints; }
  void Bounds(int& left, int& top, int& width, int& height) override {
    left = current.left;
    top = current.top;
    width = current.right - current.left;
    height = current.bottom - current.top;
  }
  BorderKind Border() override { return border; }
  int ScreenWidth() override { return screen_width; }
  int ScreenHeight() override { return screen_height; }
  int PixelsPerInch() override { return ppi; }
  void BorderMetrics(BorderKind b, int& x, int& y) override {
    x = b == BorderKind::Sizeable ? 4 : b == BorderKind::None ? 0 : 1;
    y = x;
  }

  // The placement applied last that was not the maximised-position
  // adjustment every load ends with: the restored one, if any.
  const WindowPlacement* Restored() const {
    return applied.size() >= 2 ? &applied[applied.size() - 2] : nullptr;
  }

  // A window of the designed size, centred on a 1024 x 768 screen.
  WindowPlacement current{0, 1, 0, 0, 0, 0, 328, 265, 696, 502};
  bool visible = false;
  bool main_window = true;
  bool application_minimized = false;
  BorderKind border = BorderKind::Sizeable;
  int screen_width = 1024, screen_height = 768, ppi = 96;

  std::vector<WindowPlacement> applied;
  std::vector<WindowState> states;
  std::vector<bool> applied_states;
  int minimize_posts = 0;
  int repaints = 0;
};

}  // namespace kivo::placement::testing
