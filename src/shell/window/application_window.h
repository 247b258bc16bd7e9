// The application's own window: invisible (no size), titled with the
// application title "kivoプラグイン", and the owner of the plugin window, so
// that the taskbar button carries the application's title while the plugin
// window carries its own caption. Minimising it hides the windows it owns;
// activating it (a click on the taskbar button) passes the activation on to
// the plugin window, and closing it closes the plugin window. Win32 only.
#pragma once

#include <windows.h>

namespace kivo::window {

// Creates the window (not yet shown). nullptr when it failed.
HWND CreateApplicationWindow(HINSTANCE instance);
// The window that activation and closing pass to (the plugin window).
void SetApplicationMainWindow(HWND application, HWND main_window);

}  // namespace kivo::window
