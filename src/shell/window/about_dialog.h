// The "バージョン情報" dialog (TAboutForm): the program's icon doubled to
// 64 x 64, product name, version and author from the version resource, and
// two links opened with the desktop shell. Created hidden at start-up; OK,
// Esc and the close box hide it, and showing it again shows the same
// texts. Win32 only.
#pragma once

#include <windows.h>

#include <string>

#include "shell/window/window_class.h"

namespace kivo::window {

class AboutDialog : private ProgramWindow {
 public:
  using ProgramWindow::ProgramWindow;
  ~AboutDialog();
  AboutDialog(const AboutDialog&) = delete;
  AboutDialog& operator=(const AboutDialog&) = delete;

  // Creates the hidden dialog and fills its labels from the version
  // resource of `program_path`. False when the window could not be made.
  bool Create(const std::string& program_path);
  // Shows it centred on the owner, not modal.
  void Show();
  HWND Handle() const { return window_; }

 private:
  friend LRESULT CALLBACK OwnedWindowProc<AboutDialog>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void FillVersionLabels(const std::string& program_path);
  HWND Label(int id, const std::string& text, int x, int y, bool link);

  HFONT link_font_ = nullptr;
  HBRUSH background_ = nullptr;
  HBITMAP image_ = nullptr;  // ImageMain's 64 x 64 surface
  HWND tooltip_ = nullptr;
};

}  // namespace kivo::window
