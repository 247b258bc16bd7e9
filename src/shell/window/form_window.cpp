// The plugin window's creation and life: its class, the window, its controls
// in tab order, showing, closing, and the handlers run on the logic.
#include "shell/window/form_window.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"
#include "shell/window/form_controls.h"
#include "shell/window/speed_button.h"
#include "shell/window/window_class.h"

namespace kivo::window {

using platform::win32::Wide;
using namespace form;

namespace {

constexpr wchar_t kClassName[] = L"TFormDLL";

// A visible child control with the window font, its text given as
// Shift-JIS.
HWND Child(HINSTANCE instance, HWND parent, DWORD ex_style, const wchar_t* cls, const char* text,
           DWORD style, int id, int x, int y, int w, int h, HFONT font) {
  HWND control =
      CreateWindowExW(ex_style, cls, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

SIZE TextSize(HWND control, HFONT font, const std::wstring& text) {
  SIZE size{0, 0};
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, font);
  GetTextExtentPoint32W(dc, text.empty() ? L" " : text.c_str(),
                        static_cast<int>(text.empty() ? 1 : text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  if (text.empty()) size.cx = 0;
  return size;
}

}  // namespace

Win32FormView::~Win32FormView() {
  if (window_) DestroyWindow(window_);
}

bool Win32FormView::RegisterWindowClass() const {
  return RegisterProgramClass(instance_, kClassName, OwnedWindowProc<Win32FormView>,
                              reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), true);
}

bool Win32FormView::Create() {
  if (!RegisterWindowClass()) return false;
  // Centred on the work area; a saved placement moves it afterwards.
  RECT work{0, 0, 1024, 768};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - kOuterWidth) / 2;
  const int y = work.top + (work.bottom - work.top - kOuterHeight) / 2;
  window_ = CreateWindowExW(0, kClassName, Wide(texts::kWindowCaption).c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, kOuterWidth, kOuterHeight,
                            owner_, nullptr, instance_, this);
  if (!window_) return false;
  placement_ = std::make_unique<placement::Win32PlacementWindow>(window_, owner_);
  CreateControls();
  RECT client;
  GetClientRect(window_, &client);
  Layout(client.right, client.bottom);
  return true;
}

void Win32FormView::CreateControls() {
  // Created in tab order (BeforeDays, Memo1, then Panel2's buttons), which
  // is the order IsDialogMessage walks; the rest take no focus.
  days_ = Child(instance_, window_, WS_EX_CLIENTEDGE, L"EDIT", "",
                WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL, kIdDays, kDaysPlace.x, kDaysPlace.y,
                kDaysPlace.width, kDaysPlace.height, font_);
  SetWindowSubclass(days_, DaysFieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
  memo_ = Child(instance_, window_, WS_EX_CLIENTEDGE, L"EDIT", "",
                WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, kIdMemo, 0,
                kPanelHeight, 0, 0, font_);
  CreateRunButtons();
  CreatePanelControls();
  status_ = Child(instance_, window_, 0, STATUSCLASSNAMEW, "",
                  SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, kIdStatus, 0,
                  0, 0, kStatusHeight, font_);
  AddShopButtonHint();
}

void Win32FormView::CreateRunButtons() {
  for (const ButtonPlace& b : kRunButtons) {
    HWND button = Child(instance_, window_, 0, L"BUTTON", b.caption, WS_TABSTOP | BS_PUSHBUTTON,
                        b.id, b.left, 0, kRunButtonWidth, kRunButtonHeight, font_);
    SetButtonImage(button, instance_, b.image);
    if (b.id == kIdPlay) play_ = button;
    if (b.id == kIdSkip) skip_ = button;
    if (b.id == kIdStop) stop_ = button;
    if (b.id == kIdPause) pause_ = button;
  }
  EnableWindow(play_, FALSE);  // Resume is off until a pause
}

void Win32FormView::CreatePanelControls() {
  about_ = CreateSpeedButton(instance_, window_, kIdAbout, Glyph::About, kAboutPlace.x,
                             kAboutPlace.y, kAboutPlace.width, kAboutPlace.height);
  url_ = CreateSpeedButton(instance_, window_, kIdUrl, Glyph::Globe, kUrlPlace.x, kUrlPlace.y,
                           kUrlPlace.width, kUrlPlace.height);
  const std::wstring label1 = Wide(texts::kDaysLabel);
  label1_ = Child(instance_, window_, 0, L"STATIC", texts::kDaysLabel, SS_LEFT | SS_NOPREFIX,
                  kIdLabel1, kLabel1At.x, kLabel1At.y, 0, 0, font_);
  // Sized to its text, as the toolkit's labels size themselves; the title
  // label takes the same height.
  const SIZE size = TextSize(label1_, font_, label1);
  SetWindowPos(label1_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
  title_ = Child(instance_, window_, 0, L"STATIC", "", SS_LEFT | SS_NOPREFIX | SS_LEFTNOWORDWRAP,
                 kIdTitle, kTitleAt.x, kTitleAt.y, 0, size.cy, font_);
}

void Win32FormView::AddShopButtonHint() {
  // The shop button's hint is shown; no other control has one on show.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                             nullptr, instance_, nullptr);
  AddOpenHomePageHint(tooltip_, window_, url_);
  SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void Win32FormView::Show(int show) {
  if (!window_) return;
  if (form_) Dispatch([this] { form_->FormShow(); });
  if (window_) ShowWindow(window_, placement_->ShowCommand(show));
}

void Win32FormView::Close() {
  if (!window_ || !form_) return;
  // FormClose runs for every request, also a second one while a run
  // unwinds; the window goes when no handler is left on the stack. The
  // close query before it stores the placement.
  form_->Invoke([this] { form_->FormCloseQuery(); });
  form_->Invoke([this] { form_->FormClose(); });
  close_pending_ = true;
  AfterHandler();
}

void Win32FormView::ShowAbout() {
  if (show_about_) show_about_();
}

void Win32FormView::Dispatch(const std::function<void()>& handler) {
  if (!form_) return;
  ++depth_;
  form_->Invoke(handler);
  --depth_;
  AfterHandler();
}

void Win32FormView::AfterHandler() {
  if (depth_ == 0 && close_pending_ && window_) PostMessageW(window_, kDestroyWhenIdle, 0, 0);
}

}  // namespace kivo::window
