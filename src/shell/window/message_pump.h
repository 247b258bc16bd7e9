// The Windows front-end's message handling: one routine that every waiting
// message passes through, used by the program's message loop and by the
// pump that the harvest calls while it waits (PumpMessages).
// Win32 only.
#pragma once

#include <windows.h>

#include <functional>

namespace kivo::window {

// A key filter that sees each message before the dialog keyboard handling;
// returns true when it has dealt with the message (the Esc key of the plugin
// window). One at a time; pass nullptr to remove it.
void SetKeyFilter(std::function<bool(const MSG&)> filter);

// Windows whose Tab, arrow and Esc keys go through IsDialogMessage.
void AddDialogWindow(HWND window);
void RemoveDialogWindow(HWND window);

// Filter, dialog keys, or TranslateMessage + DispatchMessage.
void HandleMessage(MSG& msg);

// Handles every message waiting now and returns. A WM_QUIT found here is put
// back so that the outer message loop still sees it.
void PumpMessages();

// The program's message loop: runs until WM_QUIT and returns its code.
int RunMessageLoop();

}  // namespace kivo::window
