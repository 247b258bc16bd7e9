#include "shell/window/window_class.h"

#include <commctrl.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"

namespace kivo::window {

bool RegisterProgramClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background,
                          bool with_icon) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  if (with_icon) {
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, 16, 16, 0));
  }
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void AddOpenHomePageHint(HWND tooltip, HWND window, HWND control) {
  // The tooltip keeps a pointer to the text, not a copy.
  static std::wstring hint = platform::win32::Wide(texts::kOpenHomePageHint);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V1_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = hint.data();
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace kivo::window
