#include "placement/form_placement.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "placement/placement_values.h"
#include "platform/file_messages.h"
#include "platform/platform.h"

namespace kivo::placement {

std::string TFormPlacement::Section() {
  return IniSection.empty() ? window_->ClassName() : IniSection;
}

std::string TFormPlacement::Read(const std::string& key) {
  return platform::IniRead(IniFileName, Section(), key);
}

int TFormPlacement::ReadInteger(const std::string& key, int fallback) {
  return ParseIniInteger(Read(key), fallback);
}

std::string TFormPlacement::ReadScreenKey(const std::string& key) {
  const std::string suffixed =
      Read(key + ScreenSuffix(window_->ScreenWidth(), window_->ScreenHeight()));
  return suffixed.empty() ? Read(key) : suffixed;
}

void TFormPlacement::Write(const std::string& key, const std::string& value) {
  if (!platform::IniWrite(IniFileName, Section(), key, value)) {
    throw std::runtime_error(IniFileName + messages::kCannotWrite);
  }
}

void TFormPlacement::LoadPlacement() {
  if (!window_) return;
  saved_ = false;
  if (ReadInteger(kFormVersionKey, 0) >= Version) {
    WindowPlacement placement = window_->GetPlacement();
    // Applying a placement to a hidden window must not show it.
    if (!window_->IsVisible()) placement.show_cmd = kShowHidden;
    if (StorePosition) ApplyPosition(placement);
    const bool left_to_application = StoreState && ApplyState();
    if (!left_to_application) window_->Repaint();
  }
  restored_ = true;
  AdjustMaximizedPosition();
}

void TFormPlacement::ApplyPosition(WindowPlacement& placement) {
  placement.flags =
      static_cast<unsigned>(ReadInteger(kFlagsKey, static_cast<int>(placement.flags)));
  bool found = false;
  const std::string min_max = ReadScreenKey(kMinMaxPosKey);
  if (!min_max.empty()) {
    const auto p = ParsePositionList(min_max, {0, 0, 0, 0});
    placement.min_x = p[0];
    placement.min_y = p[1];
    placement.max_x = p[2];
    placement.max_y = p[3];
    found = true;
  }
  const std::string normal = ReadScreenKey(kNormPosKey);
  if (!normal.empty()) {
    int left, top, width, height;
    window_->Bounds(left, top, width, height);
    const auto p = ParsePositionList(normal, {left, top, left + width, top + height});
    placement.left = p[0];
    placement.top = p[1];
    placement.right = p[2];
    placement.bottom = p[3];
    if (window_->Border() != BorderKind::Sizeable) {
      // A window that cannot be sized keeps its designed size.
      placement.right = placement.left + width;
      placement.bottom = placement.top + height;
    }
    found = true;
  }
  // A position saved at another pixel density would put the window in the
  // wrong place; it waits until a close at the new density has stored one.
  const int ppi = window_->PixelsPerInch();
  if (found && ReadInteger(kPixelsPerInchKey, ppi) == ppi && placement.left < placement.right) {
    window_->SetPlacement(placement);
  }
}

bool TFormPlacement::ApplyState() {
  const WindowState state = StateFromShowCmd(ReadInteger(kShowCmdKey, 0), WindowState::Normal);
  if (state == WindowState::Minimized && window_->IsMainWindow()) {
    // The main window is not minimised on its own: the application is,
    // once its message loop runs, and that hides the window with it.
    window_->SetWindowState(WindowState::Normal, /*apply=*/false);
    window_->PostApplicationMinimize();
    return true;
  }
  window_->SetWindowState(
      state == WindowState::Maximized ? WindowState::Maximized : WindowState::Normal,
      /*apply=*/true);
  return false;
}

void TFormPlacement::AdjustMaximizedPosition() {
  // Maximised, the border lies just off the screen's edges.
  WindowPlacement placement = window_->GetPlacement();
  if (!window_->IsVisible()) placement.show_cmd = kShowHidden;
  int x = 0, y = 0;
  window_->BorderMetrics(window_->Border(), x, y);
  placement.max_x = -x;
  placement.max_y = -y;
  window_->SetPlacement(placement);
}

void TFormPlacement::StorePlacement() {
  if (!window_ || !restored_) return;
  Write(kFormVersionKey, std::to_string(Version));
  WindowPlacement placement = window_->GetPlacement();
  if (window_->IsMainWindow() && window_->ApplicationMinimized()) {
    placement.show_cmd = kShowMinimized;
  }
  const std::string suffix = ScreenSuffix(window_->ScreenWidth(), window_->ScreenHeight());
  Write(kFlagsKey, std::to_string(placement.flags));
  Write(kShowCmdKey, std::to_string(placement.show_cmd));
  Write(kPixelsPerInchKey, std::to_string(window_->PixelsPerInch()));
  const std::string min_max =
      FormatPositionList(placement.min_x, placement.min_y, placement.max_x, placement.max_y);
  Write(std::string(kMinMaxPosKey) + suffix, min_max);
  Write(kMinMaxPosKey, min_max);
  const std::string normal =
      FormatPositionList(placement.left, placement.top, placement.right, placement.bottom);
  Write(std::string(kNormPosKey) + suffix, normal);
  Write(kNormPosKey, normal);
  Write(kVisibleKey, destroying_ ? "1" : "0");
  saved_ = true;
}

namespace {

// Runs one step of a hook; what it throws goes to the handler.
template <typename Step>
void Guarded(const TFormPlacement::ErrorHandler& report, Step step) {
  try {
    step();
  } catch (const std::exception& e) {
    if (report) report(e.what());
  }
}

}  // namespace

void TFormPlacement::FormShow(const ErrorHandler& report) {
  if (Active) Guarded(report, [this] { LoadPlacement(); });
}

void TFormPlacement::FormCloseQuery(bool can_close, const ErrorHandler& report) {
  // A file that refuses the write does not keep the window open.
  if (can_close && Active) Guarded(report, [this] { StorePlacement(); });
}

void TFormPlacement::FormDestroy(const ErrorHandler& report) {
  if (!Active || saved_) return;
  destroying_ = true;
  Guarded(report, [this] { StorePlacement(); });
  destroying_ = false;
}

}  // namespace kivo::placement
