// The progress of a run on the plugin's taskbar button (ITaskbarList3, from
// Windows 7). Where the system has no such taskbar, or the button does not
// exist yet, nothing is shown and nothing fails.
#pragma once

#include <windows.h>

struct ITaskbarList3;

namespace kivo::window {

class TaskbarProgress {
 public:
  TaskbarProgress() = default;
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // Shows `permille` of 1000 on the button of `window` (the window the
  // taskbar shows: the application's), in the error state when `error`.
  void Show(HWND window, int permille, bool error);

 private:
  ITaskbarList3* list_ = nullptr;
  bool tried_ = false;
};

}  // namespace kivo::window
