#include "shell/window/application_window.h"

#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"
#include "shell/window/window_class.h"

namespace kivo::window {
namespace {

constexpr wchar_t kClassName[] = L"TApplication";
constexpr wchar_t kMainWindowProp[] = L"KivoMainWindow";
constexpr UINT kPassActivation = WM_APP + 1;

HWND MainWindow(HWND application) {
  return static_cast<HWND>(GetPropW(application, kMainWindowProp));
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      // Posted, so the activation in progress completes first.
      if (LOWORD(wparam) != WA_INACTIVE && !HIWORD(wparam)) {
        PostMessageW(window, kPassActivation, 0, 0);
      }
      return 0;
    case kPassActivation: {
      HWND main_window = MainWindow(window);
      if (!main_window || IsIconic(window) || GetActiveWindow() != window) return 0;
      // A modal box of the plugin window takes the activation instead.
      HWND target = GetLastActivePopup(main_window);
      if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target)) target = main_window;
      if (IsWindowVisible(target) && IsWindowEnabled(target)) SetActiveWindow(target);
      return 0;
    }
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_RESTORE) {
        const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
        PostMessageW(window, kPassActivation, 0, 0);
        return result;
      }
      break;
    case WM_CLOSE:
      if (HWND main_window = MainWindow(window)) PostMessageW(main_window, WM_CLOSE, 0, 0);
      return 0;
    case WM_DESTROY:
      RemovePropW(window, kMainWindowProp);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

HWND CreateApplicationWindow(HINSTANCE instance) {
  if (!RegisterProgramClass(instance, kClassName, Proc, nullptr, true)) return nullptr;
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  return CreateWindowExW(0, kClassName, platform::win32::Wide(texts::kApplicationTitle).c_str(),
                         WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x,
                         y, 0, 0, nullptr, nullptr, instance, nullptr);
}

void SetApplicationMainWindow(HWND application, HWND main_window) {
  SetPropW(application, kMainWindowProp, main_window);
}

}  // namespace kivo::window
