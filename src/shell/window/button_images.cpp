#include "shell/window/button_images.h"

namespace kivo::window {

bool SetButtonImage(HWND button, HINSTANCE instance, const wchar_t* resource) {
  // Loaded at the 96-dpi size: the window is laid out in pixels and the
  // system scales it as a whole.
  HANDLE icon = LoadImageW(instance, resource, IMAGE_ICON, 16, 16, LR_SHARED);
  if (!button || !icon) return false;
  SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  return true;
}

}  // namespace kivo::window
