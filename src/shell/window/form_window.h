// The plugin window on Windows: the real controls of TFormDLL with their
// captions, geometry, anchors and font, and a window procedure that only
// turns messages into calls on the window's logic. Win32 only. Its parts:
// form_window.cpp (creation and life), form_layout.cpp (geometry),
// form_messages.cpp (messages and keys), form_view.cpp (FormView).
//
// Handlers run through Dispatch, which counts how many are on the stack: a
// harvest runs inside the first WM_ACTIVATE and pumps messages, so clicks
// arrive nested inside it. A Close() asked for while any handler is on the
// stack runs FormClose at once but destroys the window only when the
// outermost handler has returned, so no code runs on a destroyed window.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "placement/win32/win32_placement_window.h"
#include "shell/view.h"
#include "shell/window/taskbar_progress.h"
#include "shell/window/window_class.h"
#include "shell/window_logic.h"

namespace kivo::window {

class Win32FormView final : public FormView, private ProgramWindow {
 public:
  // (instance, owner, font); `owner`: the application window, whose title
  // the taskbar shows.
  using ProgramWindow::ProgramWindow;
  ~Win32FormView() override;
  Win32FormView(const Win32FormView&) = delete;
  Win32FormView& operator=(const Win32FormView&) = delete;

  // Creates the window and its controls, hidden. False when it failed.
  bool Create();
  // The logic the window drives; set before the window is shown.
  void Attach(TFormDLL& form) { form_ = &form; }
  // Before the logic goes: a window still standing is destroyed without it.
  void Detach() { form_ = nullptr; }
  // Shows the About dialog; installed by the entry.
  void SetAboutHandler(std::function<void()> show) { show_about_ = std::move(show); }
  HWND Handle() const { return window_; }
  // Shows the window: the logic's FormShow (the placement is restored once
  // more), then ShowWindow with `show`, or maximised when the restored
  // placement asks for it.
  void Show(int show);

  // Runs one handler of the logic; errors reach ReportException.
  void Dispatch(const std::function<void()>& handler);
  // The Esc key: presses the first enabled cancel button (Stop, then Skip)
  // unless the memo has the focus; Tab leaves the memo. True when the
  // message was a key of ours.
  bool FilterKey(const MSG& msg);

  // FormView.
  std::string DaysText() override;
  void SetDaysText(const std::string& text) override;
  std::string TitleText() override;
  void SetTitleText(const std::string& text) override;
  void MemoClear() override;
  void MemoAdd(const std::string& line) override;
  int MemoLineCount() override;
  void SetStatusText(const std::string& text) override;
  void SetProgress(const ProgressReport& report, bool error_shown) override;
  void SetButtonEnabled(Button button, bool enabled) override;
  void InformationBox(const std::string& text) override;
  void Close() override;
  void ShowAbout() override;
  placement::PlacementWindow* PlacementWindow() override { return placement_.get(); }

  // The days field's display text: whole numbers with digit grouping
  // ("1,234", "-5"), anything else unchanged.
  static std::string GroupDigits(const std::string& text);

 private:
  // Creation and life (form_window.cpp).
  bool RegisterWindowClass() const;
  void CreateControls();
  void CreateRunButtons();
  void CreatePanelControls();
  void AddShopButtonHint();
  void AfterHandler();

  // Layout and geometry (form_layout.cpp).
  void Layout(int width, int height);
  static void LimitTrackSize(MINMAXINFO& info);
  void PaintPanel();

  // Message handling (form_messages.cpp): the window procedure hands each
  // message to one of these.
  friend LRESULT CALLBACK OwnedWindowProc<Win32FormView>(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK DaysFieldProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void OnActivate(bool active, bool minimised);
  bool OnSysCommand(WPARAM command);
  void OnCommand(int id, int code);
  void OnDaysFocus(bool gained);
  void OnEndSession();
  void DestroyIfIdle();
  void OnDestroy();
  LRESULT OnNcDestroy(WPARAM wparam, LPARAM lparam);

  // The view (form_view.cpp).
  HWND ButtonHandle(Button button) const;

  HWND days_ = nullptr, label1_ = nullptr, title_ = nullptr, about_ = nullptr, url_ = nullptr;
  HWND memo_ = nullptr, status_ = nullptr, tooltip_ = nullptr;
  HWND play_ = nullptr, skip_ = nullptr, stop_ = nullptr, pause_ = nullptr;
  TFormDLL* form_ = nullptr;
  std::function<void()> show_about_;
  std::unique_ptr<placement::Win32PlacementWindow> placement_;
  TaskbarProgress taskbar_;

  int depth_ = 0;               // handlers of the logic on the stack
  bool close_pending_ = false;  // Close() asked; destroy when depth_ is 0
  HWND saved_focus_ = nullptr;  // the focused control when the window went inactive
  std::string days_raw_;        // the days value as typed, without grouping
  bool days_focused_ = false;
  HWND days_next_focus_ = nullptr;  // where the focus goes when the field loses it
  std::string title_text_;
  std::string status_hint_;
};

}  // namespace kivo::window
