// The plugin window as a terminal: the title label and memo lines are
// printed as they change, the run controls are keys (or, in configuration
// mode, lines of input), and the message loop waits on standard input and
// the stop signals.
#pragma once

#include <string>

#include "shell/terminal/console.h"
#include "shell/terminal/keys.h"
#include "shell/view.h"
#include "shell/window_logic.h"

namespace kivo::terminal {

class TerminalView : public FormView {
 public:
  // `read_lines`: input is read as lines (configuration mode); otherwise as
  // single keys, and only when the console is in key mode.
  TerminalView(Console& console, bool read_lines);
  void Attach(TFormDLL& form) { form_ = &form; }

  std::string DaysText() override { return days_; }
  void SetDaysText(const std::string& text) override;
  std::string TitleText() override { return title_; }
  void SetTitleText(const std::string& text) override;
  void MemoClear() override { memo_lines_ = 0; }
  void MemoAdd(const std::string& line) override;
  int MemoLineCount() override { return memo_lines_; }
  void SetStatusText(const std::string& text) override;
  void SetProgress(const ProgressReport& report, bool error_shown) override;
  void SetButtonEnabled(Button button, bool enabled) override;
  void InformationBox(const std::string& text) override;
  void Close() override;
  void ShowAbout() override;

  bool Closed() const { return closed_; }
  // Handles every waiting message: stop signals, then keys or lines. The
  // run's message pump.
  void Pump() { Handle(0); }
  // Until the window closes: wait for input or a signal, handle it.
  void RunMessageLoop();

 private:
  void Handle(int timeout_ms);
  void HandleKeys();
  void HandleLines();
  void HandleLine(const std::string& line);
  void Dispatch(Command command);

  Console& console_;
  const bool read_lines_;
  TFormDLL* form_ = nullptr;
  std::string days_;
  std::string title_;
  int memo_lines_ = 0;
  int progress_day_ = 0;  // the day of the last progress line printed
  bool play_enabled_ = false;
  bool closed_ = false;
  bool end_handled_ = false;
  bool prompt_due_ = true;
  int stop_signals_handled_ = 0;
};

}  // namespace kivo::terminal
