// The run buttons' images: small icons of our own (buttons/), linked into
// the program from program.rc. Win32 only.
#pragma once

#include <windows.h>

namespace kivo::window {

// Icon resource names, as program.rc gives them.
inline constexpr wchar_t kPlayImage[] = L"BTN_PLAY";
inline constexpr wchar_t kSkipImage[] = L"BTN_SKIP";
inline constexpr wchar_t kStopImage[] = L"BTN_STOP";
inline constexpr wchar_t kPauseImage[] = L"BTN_PAUSE";

// Puts the 16 x 16 icon `resource` of `instance` on the push button `button`
// beside its caption (BM_SETIMAGE, IMAGE_ICON). The icon is shared with the
// module and needs no freeing. False, and the button keeps its caption
// alone, when the resource is missing.
bool SetButtonImage(HWND button, HINSTANCE instance, const wchar_t* resource);

}  // namespace kivo::window
