// The plugin window as the logic sees it (FormView): the days field, the
// title label, the memo, the status bar, the run buttons and the
// information box, with their texts in Shift-JIS.
#include <windows.h>
// These need <windows.h> first.
#include <commctrl.h>

#include <cctype>

#include "platform/win32/wide_text.h"
#include "shell/shell_texts.h"
#include "shell/window/form_controls.h"
#include "shell/window/form_window.h"

namespace kivo::window {

using platform::win32::Narrow;
using platform::win32::Wide;

std::string form::WindowText(HWND control) {
  const int n = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(control, text.data(), n + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return Narrow(text);
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

std::string Win32FormView::DaysText() {
  return days_focused_ && days_ ? form::WindowText(days_) : days_raw_;
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
  const std::string text = form::WindowText(memo_);
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

void Win32FormView::SetProgress(const ProgressReport& report, bool error_shown) {
  if (!error_shown) SetStatusText(report.Text);
  // The taskbar shows the application window's button.
  taskbar_.Show(owner_ != nullptr ? owner_ : window_, report.Permille, error_shown);
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

}  // namespace kivo::window
