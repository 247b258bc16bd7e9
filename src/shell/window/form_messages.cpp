// The plugin window's message handling. The window procedure hands each
// message to one named part; the parts call the window's logic through
// Dispatch, or do the small piece of screen work the message asks for
// (layout, focus, painting). The days field's subclass and the key filter
// the message pump calls live here too.
#include <windows.h>
// These need <windows.h> first.
#include <commctrl.h>

#include "platform/win32/wide_text.h"
#include "shell/window/form_controls.h"
#include "shell/window/form_window.h"

namespace kivo::window {

using platform::win32::Wide;
using namespace form;

LRESULT Win32FormView::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      Layout(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_GETMINMAXINFO:
      LimitTrackSize(*reinterpret_cast<MINMAXINFO*>(lparam));
      return 0;
    case WM_PAINT:
      PaintPanel();
      return 0;
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE, HIWORD(wparam) != 0);
      return 0;
    case WM_SYSCOMMAND:
      if (OnSysCommand(wparam)) return 0;
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
      if (wparam) OnEndSession();
      return 0;
    case kDestroyWhenIdle:
      DestroyIfIdle();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      return OnNcDestroy(wparam, lparam);
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void Win32FormView::OnActivate(bool active, bool minimised) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) saved_focus_ = focus;
    return;
  }
  if (!minimised) {
    HWND focus = saved_focus_ && IsWindowEnabled(saved_focus_) ? saved_focus_ : days_;
    SetFocus(focus);
  }
  if (form_) Dispatch([this] { form_->FormActivate(); });
}

bool Win32FormView::OnSysCommand(WPARAM command) {
  // The application window carries the taskbar button: minimising the
  // plugin window minimises the application, which hides its windows.
  if ((command & 0xFFF0) == SC_MINIMIZE && owner_) {
    ShowWindow(owner_, SW_MINIMIZE);
    return true;
  }
  return false;
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

void Win32FormView::OnEndSession() {
  // The process is ended as soon as WM_ENDSESSION returns: everything is
  // saved inside the call, even with a run below it on the stack.
  if (form_) Dispatch([this] { form_->FormEndSession(); });
}

void Win32FormView::DestroyIfIdle() {
  if (close_pending_ && depth_ == 0) DestroyWindow(window_);
}

void Win32FormView::OnDestroy() {
  if (form_) Dispatch([this] { form_->FormDestroy(); });
  PostQuitMessage(0);
}

LRESULT Win32FormView::OnNcDestroy(WPARAM wparam, LPARAM lparam) {
  HWND window = window_;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  window_ = nullptr;
  days_ = label1_ = title_ = about_ = url_ = memo_ = status_ = tooltip_ = nullptr;
  play_ = skip_ = stop_ = pause_ = nullptr;
  return DefWindowProcW(window, WM_NCDESTROY, wparam, lparam);
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
  // Stop and Skip carry the cancel mark; the first enabled one is pressed.
  if (IsWindowEnabled(stop_)) {
    Dispatch([this] { form_->ButtonStopClick(); });
  } else if (IsWindowEnabled(skip_)) {
    Dispatch([this] { form_->ButtonSkipClick(); });
  }
  return true;
}

}  // namespace kivo::window
