#include "shell/window/form_window.h"

#include <commctrl.h>

#include <cctype>

#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"
#include "shell/window/button_images.h"
#include "shell/window/speed_button.h"

namespace kivo::window {
namespace {

using platform::win32::Narrow;
using platform::win32::Wide;

constexpr wchar_t kClassName[] = L"TFormDLL";

// Outer size, smallest size and the fixed parts of the layout, in pixels.
constexpr int kOuterWidth = 368;
constexpr int kOuterHeight = 237;
constexpr int kMinWidth = 250;
constexpr int kMinHeight = 150;
constexpr int kPanelHeight = 65;
constexpr int kPanel2Height = 26;
constexpr int kStatusHeight = 24;

// Control ids; none is IDOK or IDCANCEL, which the dialog keys send.
enum : int {
  kIdDays = 101,
  kIdMemo,
  kIdPlay,
  kIdSkip,
  kIdStop,
  kIdPause,
  kIdStatus,
  kIdLabel1,
  kIdTitle,
  kIdAbout,
  kIdUrl,
};

// Posted to destroy the window once no handler is on the stack.
constexpr UINT kDestroyWhenIdle = WM_APP + 1;

struct ButtonPlace {
  int id;
  const char* caption;
  int left;
  const wchar_t* image;
};
// Panel2's buttons, left + top 1, 81 x 25, in tab order (Play 0, Skip 1,
// Stop 2, Pause 3).
constexpr ButtonPlace kRunButtons[] = {
    {kIdPlay, texts::kPlayCaption, 8, kPlayImage},
    {kIdSkip, texts::kSkipCaption, 97, kSkipImage},
    {kIdStop, texts::kStopCaption, 184, kStopImage},
    {kIdPause, texts::kPauseCaption, 272, kPauseImage},
};

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

std::string WindowText(HWND control) {
  const int n = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(control, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return Narrow(text);
}

}  // namespace

Win32FormView::Win32FormView(HINSTANCE instance, HWND owner, HFONT font)
    : instance_(instance), owner_(owner), font_(font) {}

Win32FormView::~Win32FormView() {
  if (window_) DestroyWindow(window_);
}

bool Win32FormView::Create() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconW(instance_, L"MAINICON");
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON, 16, 16, 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

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
                WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL, kIdDays, 8, 8, 41, 21, font_);
  SetWindowSubclass(days_, DaysFieldProc, 1, reinterpret_cast<DWORD_PTR>(this));
  memo_ = Child(instance_, window_, WS_EX_CLIENTEDGE, L"EDIT", "",
                WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, kIdMemo, 0,
                kPanelHeight, 0, 0, font_);
  for (const ButtonPlace& b : kRunButtons) {
    HWND button = Child(instance_, window_, 0, L"BUTTON", b.caption, WS_TABSTOP | BS_PUSHBUTTON,
                        b.id, b.left, 0, 81, 25, font_);
    SetButtonImage(button, instance_, b.image);
    if (b.id == kIdPlay) play_ = button;
    if (b.id == kIdSkip) skip_ = button;
    if (b.id == kIdStop) stop_ = button;
    if (b.id == kIdPause) pause_ = button;
  }
  EnableWindow(play_, FALSE);  // Resume is off until a pause

  about_ = CreateSpeedButton(instance_, window_, kIdAbout, Glyph::About, 328, 8, 23, 22);
  url_ = CreateSpeedButton(instance_, window_, kIdUrl, Glyph::Globe, 304, 8, 23, 22);
  const std::wstring label1 = Wide(texts::kDaysLabel);
  label1_ = Child(instance_, window_, 0, L"STATIC", texts::kDaysLabel, SS_LEFT | SS_NOPREFIX,
                  kIdLabel1, 56, 16, 0, 0, font_);
  const SIZE size = TextSize(label1_, font_, label1);
  SetWindowPos(label1_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
  title_ = Child(instance_, window_, 0, L"STATIC", "", SS_LEFT | SS_NOPREFIX | SS_LEFTNOWORDWRAP,
                 kIdTitle, 16, 40, 0, size.cy, font_);
  status_ = Child(instance_, window_, 0, STATUSCLASSNAMEW, "",
                  SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, kIdStatus, 0,
                  0, 0, kStatusHeight, font_);

  // The shop button's hint is shown; no other control has one on show.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                             nullptr, instance_, nullptr);
  static std::wstring hint;
  hint = Wide(texts::kOpenHomePageHint);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V1_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(url_);
  tool.lpszText = hint.data();
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void Win32FormView::Layout(int width, int height) {
  // Panel: top, 65 high. StatusBar1: bottom, 24 high. Panel2: above it, 26
  // high, its buttons anchored left and bottom. Memo1: everything between.
  const int status_top = height - kStatusHeight;
  const int panel2_top = status_top - kPanel2Height;
  const int memo_height = panel2_top - kPanelHeight;
  HDWP batch = BeginDeferWindowPos(8);
  auto place = [&](HWND control, int x, int y, int w, int h) {
    if (batch && control) {
      batch = DeferWindowPos(batch, control, nullptr, x, y, w < 0 ? 0 : w, h < 0 ? 0 : h,
                             SWP_NOZORDER | SWP_NOACTIVATE);
    }
  };
  place(memo_, 0, kPanelHeight, width, memo_height);
  place(status_, 0, status_top, width, kStatusHeight);
  for (const ButtonPlace& b : kRunButtons) {
    place(GetDlgItem(window_, b.id), b.left, panel2_top + 1, 81, 25);
  }
  RECT title{0, 0, 0, 0};
  if (title_) GetWindowRect(title_, &title);
  place(title_, 16, 40, width - 16 - 2, title.bottom - title.top);
  if (batch) EndDeferWindowPos(batch);
  // Moved controls repaint only what was uncovered, and the bits copied
  // along are not always right: the status bar kept its old size grip in the
  // middle, and the run buttons came out blank where they had not been
  // before. Repaint every control that moves or grows, whole.
  if (status_) InvalidateRect(status_, nullptr, TRUE);
  for (const ButtonPlace& b : kRunButtons) {
    if (HWND button = GetDlgItem(window_, b.id)) InvalidateRect(button, nullptr, TRUE);
  }
  if (title_) InvalidateRect(title_, nullptr, TRUE);
  // The panel's lowered bevel is painted by the window itself.
  RECT panel{0, 0, width, kPanelHeight};
  InvalidateRect(window_, &panel, TRUE);
}

LRESULT CALLBACK Win32FormView::Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32FormView*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Win32FormView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT Win32FormView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      Layout(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize.x = kMinWidth;
      info->ptMinTrackSize.y = kMinHeight;
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_, &ps);
      RECT client;
      GetClientRect(window_, &client);
      RECT panel{0, 0, client.right, kPanelHeight};
      DrawEdge(dc, &panel, BDR_SUNKENOUTER, BF_RECT);
      EndPaint(window_, &ps);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) saved_focus_ = focus;
        return 0;
      }
      if (!HIWORD(wparam)) {  // not minimised
        HWND focus = saved_focus_ && IsWindowEnabled(saved_focus_) ? saved_focus_ : days_;
        SetFocus(focus);
      }
      if (form_) Dispatch([this] { form_->FormActivate(); });
      return 0;
    case WM_SYSCOMMAND:
      // The application window carries the taskbar button: minimising the
      // plugin window minimises the application, which hides its windows.
      if ((wparam & 0xFFF0) == SC_MINIMIZE && owner_) {
        ShowWindow(owner_, SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The process is ended as soon as this returns: everything is saved
      // inside the call, even with a run below it on the stack.
      if (wparam && form_) Dispatch([this] { form_->FormEndSession(); });
      return 0;
    case kDestroyWhenIdle:
      if (close_pending_ && depth_ == 0) DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      if (form_) Dispatch([this] { form_->FormDestroy(); });
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      days_ = label1_ = title_ = about_ = url_ = memo_ = status_ = tooltip_ = nullptr;
      play_ = skip_ = stop_ = pause_ = nullptr;
      return DefWindowProcW(window, message, wparam, lparam);
    }
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void Win32FormView::OnCommand(int id, int code) {
  if (!form_) return;
  if (id == kIdDays) {
    if (code == EN_SETFOCUS) OnDaysFocus(true);
    if (code == EN_KILLFOCUS) OnDaysFocus(false);
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kIdStop:
      Dispatch([this] { form_->ButtonStopClick(); });
      break;
    case kIdPlay:
      Dispatch([this] { form_->ButtonPlayClick(); });
      break;
    case kIdPause:
      Dispatch([this] { form_->ButtonPauseClick(); });
      break;
    case kIdSkip:
      Dispatch([this] { form_->ButtonSkipClick(); });
      break;
    case kIdUrl:
      Dispatch([this] { form_->SpeedButtonURLClick(); });
      break;
    case kIdAbout:
      Dispatch([this] { form_->SpeedButtonAboutClick(); });
      break;
  }
}

// The field shows the plain number while it is edited and the grouped one
// otherwise. Leaving it for another control of this window runs
// BeforeDaysExit; losing the focus to another window (a message box,
// another program) does not, as the control stays the window's active one.
void Win32FormView::OnDaysFocus(bool gained) {
  if (gained) {
    if (!days_focused_) {
      days_focused_ = true;
      SetWindowTextW(days_, Wide(days_raw_).c_str());
    }
    // As in a dialog: the whole number is selected, so typing replaces it.
    SendMessageW(days_, EM_SETSEL, 0, -1);
    return;
  }
  const HWND next = days_next_focus_;
  days_next_focus_ = nullptr;
  if (!window_ || !next || !IsChild(window_, next)) return;
  days_raw_ = WindowText(days_);
  days_focused_ = false;
  Dispatch([this] { form_->BeforeDaysExit(); });
  if (window_ && days_ && !days_focused_)
    SetWindowTextW(days_, Wide(GroupDigits(days_raw_)).c_str());
}

LRESULT CALLBACK Win32FormView::DaysFieldProc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam, UINT_PTR, DWORD_PTR self_data) {
  auto* self = reinterpret_cast<Win32FormView*>(self_data);
  switch (message) {
    case WM_KILLFOCUS:
      self->days_next_focus_ = reinterpret_cast<HWND>(wparam);
      break;
    case WM_LBUTTONDOWN:
      // A click that brings the focus selects the whole number (the edit
      // control would put the caret at the click instead); once the field
      // has the focus, clicks place the caret and drag a selection as usual.
      if (GetFocus() != window) {
        SetFocus(window);
        if (GetFocus() == window) SendMessageW(window, EM_SETSEL, 0, -1);
        return 0;
      }
      break;
    case WM_CHAR:
      // A whole-number field: digits, a minus sign and the editing keys.
      if (wparam >= 0x20 && !(wparam >= L'0' && wparam <= L'9') && wparam != L'-') {
        MessageBeep(MB_OK);
        return 0;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(window, DaysFieldProc, 1);
      break;
  }
  return DefSubclassProc(window, message, wparam, lparam);
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

bool Win32FormView::FilterKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !window_) return false;
  if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
  // The memo takes no Tab characters: Tab and Shift+Tab leave it, as they
  // leave every other control (a multi-line edit would keep them).
  if (msg.wParam == VK_TAB && msg.hwnd == memo_ && GetKeyState(VK_CONTROL) >= 0) {
    const BOOL back = GetKeyState(VK_SHIFT) < 0;
    if (HWND next = GetNextDlgTabItem(window_, memo_, back)) SetFocus(next);
    return true;
  }
  if (msg.wParam != VK_ESCAPE) return false;
  // In the memo Esc does nothing (a multi-line edit would otherwise close
  // the window).
  if (msg.hwnd == memo_) return true;
  if (!IsWindowEnabled(window_) || !IsWindowVisible(window_)) return true;
  if (IsWindowEnabled(stop_)) {
    Dispatch([this] { form_->ButtonStopClick(); });
  } else if (IsWindowEnabled(skip_)) {
    Dispatch([this] { form_->ButtonSkipClick(); });
  }
  return true;
}

std::string Win32FormView::GroupDigits(const std::string& text) {
  std::size_t start = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (start == text.size()) return text;
  for (std::size_t i = start; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return text;
  }
  // Leading zeros go, as a number shown again would lose them.
  while (start + 1 < text.size() && text[start] == '0') ++start;
  const std::string digits = text.substr(start);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  const bool negative = text[0] == '-' && grouped != "0";
  return negative ? "-" + grouped : grouped;
}

// ---- FormView --------------------------------------------------------------

std::string Win32FormView::DaysText() {
  return days_focused_ && days_ ? WindowText(days_) : days_raw_;
}

void Win32FormView::SetDaysText(const std::string& text) {
  days_raw_ = text;
  if (days_) SetWindowTextW(days_, Wide(days_focused_ ? text : GroupDigits(text)).c_str());
}

std::string Win32FormView::TitleText() { return title_text_; }

void Win32FormView::SetTitleText(const std::string& text) {
  title_text_ = text;
  if (title_) SetWindowTextW(title_, Wide(text).c_str());
}

void Win32FormView::MemoClear() {
  if (memo_) SetWindowTextW(memo_, L"");
}

void Win32FormView::MemoAdd(const std::string& line) {
  if (!memo_) return;
  const int length = GetWindowTextLengthW(memo_);
  const std::wstring text = (length > 0 ? L"\r\n" : L"") + Wide(line);
  SendMessageW(memo_, EM_SETSEL, length, length);
  SendMessageW(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

int Win32FormView::MemoLineCount() {
  if (!memo_) return 0;
  // Lines as the list holds them (a wrapped line counts once); no text is
  // no line, and a final line break opens no further line.
  const std::string text = WindowText(memo_);
  if (text.empty()) return 0;
  int lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && i + 1 < text.size()) ++lines;
  }
  return lines;
}

void Win32FormView::SetStatusText(const std::string& text) {
  status_hint_ = text;  // the hint is kept but, as hints are off here, not shown
  if (status_) SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

HWND Win32FormView::ButtonHandle(Button button) const {
  switch (button) {
    case Button::Play:
      return play_;
    case Button::Pause:
      return pause_;
    case Button::Stop:
      return stop_;
    case Button::Skip:
      return skip_;
  }
  return nullptr;
}

void Win32FormView::SetButtonEnabled(Button button, bool enabled) {
  HWND control = ButtonHandle(button);
  if (!control) return;
  // A disabled control keeps no keyboard focus: pass it to the memo.
  if (!enabled && GetFocus() == control) SetFocus(memo_);
  EnableWindow(control, enabled ? TRUE : FALSE);
}

void Win32FormView::InformationBox(const std::string& text) {
  // While the window is still being created it is not on the screen; the
  // box then belongs to the application window.
  HWND owner = window_ && IsWindowVisible(window_) ? window_ : owner_;
  MessageBoxW(owner, Wide(text).c_str(), Wide(texts::kApplicationTitle).c_str(),
              MB_OK | MB_ICONINFORMATION);
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

}  // namespace kivo::window
