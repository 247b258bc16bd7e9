#include "shell/window/about_dialog.h"

#include <commctrl.h>

#include "about/version.h"
#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"
#include "shell/window/message_pump.h"
#include "shell/window/window_class.h"
#include "shell/window/window_texts.h"
#include "shell/window_logic.h"

namespace kivo::window {
namespace {

using platform::win32::Wide;

constexpr wchar_t kClassName[] = L"TAboutForm";
constexpr COLORREF kBackground = RGB(240, 251, 255);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
constexpr int kClientWidth = 334;
constexpr int kClientHeight = 204;

enum : int {
  kIdTitle = 201,
  kIdVersion,
  kIdCopyLeft,
  kIdLabel2,
  kIdLabel3,  // home page link
  kIdLabel1,
  kIdLabel4,  // bulletin board link
};

bool IsLink(int id) { return id == kIdLabel3 || id == kIdLabel4; }

// The 32 x 32 icon drawn on a cleared surface, then stretched to 64 x 64
// with a plain copy: every icon pixel becomes a 2 x 2 block.
HBITMAP DoubledIcon(HINSTANCE instance, HWND window) {
  HICON icon = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, 32, 32, 0));
  if (!icon) return nullptr;
  HDC screen = GetDC(window);
  HDC sub_dc = CreateCompatibleDC(screen);
  HDC main_dc = CreateCompatibleDC(screen);
  HBITMAP sub = CreateCompatibleBitmap(screen, 32, 32);
  HBITMAP image = CreateCompatibleBitmap(screen, 64, 64);
  HGDIOBJ old_sub = SelectObject(sub_dc, sub);
  HGDIOBJ old_main = SelectObject(main_dc, image);
  HBRUSH fill = CreateSolidBrush(kBackground);
  RECT r{0, 0, 32, 32};
  FillRect(sub_dc, &r, fill);
  DrawIconEx(sub_dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  SetStretchBltMode(main_dc, COLORONCOLOR);
  StretchBlt(main_dc, 0, 0, 64, 64, sub_dc, 0, 0, 32, 32, SRCCOPY);
  DeleteObject(fill);
  SelectObject(sub_dc, old_sub);
  SelectObject(main_dc, old_main);
  DeleteObject(sub);
  DeleteDC(sub_dc);
  DeleteDC(main_dc);
  ReleaseDC(window, screen);
  DestroyIcon(icon);
  return image;
}

}  // namespace

AboutDialog::~AboutDialog() {
  if (window_) DestroyWindow(window_);
  if (image_) DeleteObject(image_);
  if (link_font_) DeleteObject(link_font_);
  if (background_) DeleteObject(background_);
}

bool AboutDialog::Create(const std::string& program_path) {
  background_ = CreateSolidBrush(kBackground);
  if (!RegisterProgramClass(instance_, kClassName, OwnedWindowProc<AboutDialog>, background_,
                            false))
    return false;

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_DLGMODALFRAME;
  RECT outer{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  window_ = CreateWindowExW(ex_style, kClassName, Wide(window_texts::kAboutCaption).c_str(), style,
                            0, 0, outer.right - outer.left, outer.bottom - outer.top, owner_,
                            nullptr, instance_, this);
  if (!window_) return false;

  LOGFONTW lf{};
  GetObjectW(font_, sizeof lf, &lf);
  lf.lfUnderline = TRUE;
  link_font_ = CreateFontIndirectW(&lf);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                             nullptr, instance_, nullptr);
  SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  FillVersionLabels(program_path);
  Label(kIdLabel2, window_texts::kDownloadNote, 8, 76, false);
  Label(kIdLabel3, window_texts::kMakerHomePage, 32, 96, true);
  Label(kIdLabel1, window_texts::kContactNote, 8, 120, false);
  Label(kIdLabel4, window_texts::kMakerBoard, 32, 144, true);
  HWND ok =
      CreateWindowExW(0, L"BUTTON", Wide(window_texts::kOk).c_str(),
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 127, 169, 75, 25, window_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), instance_, nullptr);
  SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  AddDialogWindow(window_);
  return true;
}

void AboutDialog::FillVersionLabels(const std::string& program_path) {
  image_ = DoubledIcon(instance_, window_);
  TVersion version;
  ReadVersionInfo(program_path, version);
  Label(kIdTitle, version.ProductName, 80, 8, false);
  Label(kIdVersion, texts::kAboutVersionPrefix + version.FileVersion, 80, 32, false);
  Label(kIdCopyLeft, texts::kAboutAuthorPrefix + version.LegalCopyright, 80, 56, false);
}

HWND AboutDialog::Label(int id, const std::string& text, int x, int y, bool link) {
  const std::wstring wide = Wide(text);
  HWND label = CreateWindowExW(
      0, L"STATIC", wide.c_str(),
      WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | (link ? SS_NOTIFY : 0), x, y, 0, 0, window_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  HFONT font = link ? link_font_ : font_;
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // Sized to its text, as the toolkit's labels size themselves.
  SIZE size{0, 0};
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, font);
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy > 0 ? size.cy : 12,
               SWP_NOMOVE | SWP_NOZORDER);
  if (link) AddOpenHomePageHint(tooltip_, window_, label);
  return label;
}

void AboutDialog::Show() {
  if (!window_) return;
  // Centred on the main window.
  RECT owner{0, 0, 0, 0};
  RECT self;
  GetWindowRect(window_, &self);
  if (owner_ && IsWindowVisible(owner_)) {
    GetWindowRect(owner_, &owner);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &owner, 0);
  }
  const int w = self.right - self.left;
  const int h = self.bottom - self.top;
  SetWindowPos(window_, nullptr, owner.left + (owner.right - owner.left - w) / 2,
               owner.top + (owner.bottom - owner.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window_, SW_SHOW);
  SetActiveWindow(window_);
  SetFocus(GetDlgItem(window_, IDCANCEL));
}

LRESULT AboutDialog::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_, &ps);
      if (image_) {
        HDC image_dc = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(image_dc, image_);
        BitBlt(dc, 8, 8, 64, 64, image_dc, 0, 0, SRCCOPY);
        SelectObject(image_dc, old);
        DeleteDC(image_dc);
      }
      EndPaint(window_, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lparam));
      SetTextColor(dc, IsLink(id) ? kLinkBlue : kNavy);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_CTLCOLORBTN:
      return reinterpret_cast<LRESULT>(background_);
    case WM_SETCURSOR:
      if (IsLink(GetDlgCtrlID(reinterpret_cast<HWND>(wparam)))) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id == IDCANCEL || id == IDOK) {
        ShowWindow(window_, SW_HIDE);
      } else if (HIWORD(wparam) == STN_CLICKED && IsLink(id)) {
        OpenDocument(id == kIdLabel3 ? window_texts::kMakerHomePage : window_texts::kMakerBoard,
                     "");
      }
      return 0;
    }
    case WM_CLOSE:
      ShowWindow(window_, SW_HIDE);
      return 0;
    case WM_DESTROY:
      RemoveDialogWindow(window_);
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      return DefWindowProcW(window, message, wparam, lparam);
    }
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace kivo::window
