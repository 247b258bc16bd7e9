// The program's window classes are registered alike: the arrow cursor, the
// program's icon where the window shows one. Win32 only.
#pragma once

#include <windows.h>

namespace kivo::window {

// Registers the class `name` with `proc`, `background` (nullptr: none) and,
// with `with_icon`, the icon resource "MAINICON" in its large and small
// sizes. A class already registered counts as done. False when the system
// refuses it.
bool RegisterProgramClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background,
                          bool with_icon);

}  // namespace kivo::window
