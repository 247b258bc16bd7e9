// A flat image button that never takes the keyboard focus, like the
// toolkit's speed buttons: clicking it leaves the focused control (and so
// the days field's exit handling) alone. It reports a click to its parent as
// WM_COMMAND with BN_CLICKED and its control id. Win32 only.
#pragma once

#include <windows.h>

namespace kivo::window {

enum class Glyph { About, Globe };

HWND CreateSpeedButton(HINSTANCE instance, HWND parent, int id, Glyph glyph, int x, int y,
                       int width, int height);

}  // namespace kivo::window
