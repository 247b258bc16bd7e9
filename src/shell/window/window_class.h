// The program's own windows are made alike: their classes registered with
// the arrow cursor and the program's icon where the window shows one, and
// each window belonging to one C++ object that takes its messages. Win32
// only.
#pragma once

#include <windows.h>

namespace kivo::window {

// Registers the class `name` with `proc`, `background` (nullptr: none) and,
// with `with_icon`, the icon resource "MAINICON" in its large and small
// sizes. A class already registered counts as done. False when the system
// refuses it.
bool RegisterProgramClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background,
                          bool with_icon);

// Gives `control`, a child of `window`, the hint "ホームページを開く" in
// the tooltip window `tooltip`: shown while the mouse rests on it.
void AddOpenHomePageHint(HWND tooltip, HWND window, HWND control);

// What an object that owns one of the program's windows holds: the module,
// the owner window, the font of its controls and, once made, the window.
// The owner destroys the window in its own destructor, while it can still
// take the last messages.
struct ProgramWindow {
  ProgramWindow(HINSTANCE instance, HWND owner, HFONT font)
      : instance_(instance), owner_(owner), font_(font) {}

  HINSTANCE instance_;
  HWND owner_;
  HFONT font_;
  HWND window_ = nullptr;
};

// The window procedure of a class whose windows are created with their
// `Owner` object as the creation parameter: from WM_NCCREATE on, the
// object's window_ is the window and its Handle gets every message.
template <class Owner>
LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

}  // namespace kivo::window
