// How the plugin window's logic talks to the screen. The Win32 window, the
// terminal front-end and the tests' fake each implement it.
#pragma once

#include <string>

#include "harvest/harvest_view.h"
#include "placement/placement_window.h"

namespace kivo {

enum class Button { Play, Pause, Stop, Skip };

class FormView {
 public:
  virtual ~FormView() = default;
  // The days field (BeforeDays).
  virtual std::string DaysText() = 0;
  virtual void SetDaysText(const std::string& text) = 0;
  // LabelTitle's caption.
  virtual std::string TitleText() = 0;
  virtual void SetTitleText(const std::string& text) = 0;
  // Memo1.
  virtual void MemoClear() = 0;
  virtual void MemoAdd(const std::string& line) = 0;
  virtual int MemoLineCount() = 0;
  // StatusBar1's text and hint.
  virtual void SetStatusText(const std::string& text) = 0;
  // Where a run stands: the status bar shows the report's text unless
  // `error_shown` (an error shown there stays); where the system has a
  // taskbar, its button shows how far the run is, in the error state after
  // an error.
  virtual void SetProgress(const ProgressReport& report, bool error_shown) = 0;
  virtual void SetButtonEnabled(Button button, bool enabled) = 0;
  // A modal information box with an OK button; returns when it is closed.
  virtual void InformationBox(const std::string& text) = 0;
  // Close the window. The view calls TFormDLL::FormClose as the window
  // closes; a close requested while a run is on the stack takes effect when
  // control returns to the message loop.
  virtual void Close() = 0;
  // Show the About dialog (created on first use), not modal.
  virtual void ShowAbout() = 0;
  // The window whose placement is kept; nullptr when there is none (the
  // terminal). Its placement component is the logic's FormPlacement1.
  virtual placement::PlacementWindow* PlacementWindow() { return nullptr; }
};

}  // namespace kivo
