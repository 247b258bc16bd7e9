#include "shell/window/message_pump.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kivo::window {
namespace {

std::function<bool(const MSG&)>& KeyFilter() {
  static std::function<bool(const MSG&)> filter;
  return filter;
}

std::vector<HWND>& DialogWindows() {
  static std::vector<HWND> windows;
  return windows;
}

}  // namespace

void SetKeyFilter(std::function<bool(const MSG&)> filter) { KeyFilter() = std::move(filter); }

void AddDialogWindow(HWND window) { DialogWindows().push_back(window); }

void RemoveDialogWindow(HWND window) {
  auto& windows = DialogWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

void HandleMessage(MSG& msg) {
  if (KeyFilter() && KeyFilter()(msg)) return;
  // A copy: a handler run by IsDialogMessage may add or remove windows.
  const std::vector<HWND> windows = DialogWindows();
  for (HWND window : windows) {
    if (IsWindow(window) && (msg.hwnd == window || IsChild(window, msg.hwnd)) &&
        IsDialogMessageW(window, &msg)) {
      return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    HandleMessage(msg);
  }
}

int RunMessageLoop() {
  MSG msg;
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    HandleMessage(msg);
  }
}

}  // namespace kivo::window
