#include "shell/terminal/terminal_view.h"

#include <cstdio>

#include "about/version.h"
#include "platform/platform.h"
#include "shell/shell_texts.h"

namespace kivo::terminal {
namespace {

// How long the message loop waits before it looks at the signals again.
constexpr int kLoopWaitMs = 200;

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20 && text[begin] != kEscape) {
    ++begin;
  }
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20 &&
         text[end - 1] != kEscape) {
    --end;
  }
  return text.substr(begin, end - begin);
}

}  // namespace

TerminalView::TerminalView(Console& console, bool read_lines)
    : console_(console), read_lines_(read_lines) {}

void TerminalView::SetDaysText(const std::string& text) {
  days_ = text;
  console_.Line(text + " " + texts::kDaysLabel);
  prompt_due_ = true;
}

void TerminalView::SetTitleText(const std::string& text) {
  if (text == title_) return;
  title_ = text;
  if (!text.empty()) console_.Line("> " + text);
}

void TerminalView::MemoAdd(const std::string& line) {
  ++memo_lines_;
  console_.Line("  " + line);
}

void TerminalView::SetStatusText(const std::string& text) { console_.Line("! " + text); }

void TerminalView::SetProgress(const ProgressReport& report, bool /*error_shown*/) {
  // An error is a line of its own here, so progress hides nothing. Into a
  // file or a pipe, one line a day is enough to follow the run.
  if (console_.OutputIsTerminal()) {
    console_.Status(report.Text);
  } else if (report.Day != progress_day_) {
    progress_day_ = report.Day;
    console_.Line(report.Text);
  }
}

void TerminalView::SetButtonEnabled(Button button, bool enabled) {
  if (button != Button::Play) return;
  // Resume becomes available exactly when a pause begins.
  if (enabled && !play_enabled_) {
    console_.Line(read_lines_ ? "Paused: enter r to resume, s to stop, k to skip."
                              : "Paused: r resumes, s stops, k skips.");
  }
  play_enabled_ = enabled;
}

void TerminalView::InformationBox(const std::string& text) {
  console_.Line(text);
  if (!console_.Interactive()) return;  // nobody to answer: go on at once
  console_.Text("[Enter] ");
  // Modal: other input is swallowed until Enter, end of input or a signal
  // (the signal's Stop is handled once the box is gone).
  while (true) {
    std::string& pending = console_.Pending();
    const std::size_t enter = pending.find('\n');
    if (enter != std::string::npos) {
      pending.erase(0, enter + 1);
      break;
    }
    pending.clear();
    if (console_.AtEnd() || console_.StopSignals() > stop_signals_handled_) break;
    console_.Fill(kLoopWaitMs);
  }
  if (console_.KeyMode()) console_.Line("");
}

void TerminalView::Close() {
  // Like a window's close: the close handler runs every time it is asked.
  closed_ = true;
  if (form_ != nullptr) form_->Invoke([this] { form_->FormClose(); });
}

void TerminalView::ShowAbout() {
  TVersion version;
  ReadVersionInfo(platform::ProgramPath(), version);
  console_.Line(version.ProductName);
  console_.Line(std::string(texts::kAboutVersionPrefix) + version.FileVersion);
  console_.Line(std::string(texts::kAboutAuthorPrefix) + version.LegalCopyright);
}

void TerminalView::RunMessageLoop() {
  while (!closed_) {
    if (read_lines_ && prompt_due_ && console_.Interactive() && !console_.AtEnd()) {
      console_.Text("New value (Enter keeps it; s closes): ");
      prompt_due_ = false;
    }
    Handle(kLoopWaitMs);
  }
}

void TerminalView::Handle(int timeout_ms) {
  if (form_ == nullptr) return;
  if (console_.StopSignals() > stop_signals_handled_) {
    stop_signals_handled_ = console_.StopSignals();
    Dispatch(Command::Stop);
  }
  if (read_lines_) {
    console_.Fill(timeout_ms);
    HandleLines();
  } else if (console_.KeyMode()) {
    console_.Fill(timeout_ms);
    HandleKeys();
  } else if (timeout_ms > 0) {
    // Standard input is not ours to read during a run; only signals count.
    console_.Wait(timeout_ms);
  }
}

void TerminalView::HandleKeys() {
  std::string& pending = console_.Pending();
  while (!pending.empty()) {
    const char key = pending[0];
    if (key == kEscape && pending.size() > 1 && (pending[1] == '[' || pending[1] == 'O')) {
      // An arrow or function key's sequence: not a press of Esc.
      std::size_t end = 2;
      while (end < pending.size() && !(pending[end] >= 0x40 && pending[end] <= 0x7E)) ++end;
      pending.erase(0, end < pending.size() ? end + 1 : pending.size());
      continue;
    }
    pending.erase(0, 1);
    Dispatch(CommandForKey(key));
  }
}

void TerminalView::HandleLines() {
  while (true) {
    std::string& pending = console_.Pending();
    const std::size_t end = pending.find('\n');
    if (end == std::string::npos) break;
    const std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    HandleLine(line);
    prompt_due_ = true;
  }
  if (console_.AtEnd() && !end_handled_) {
    end_handled_ = true;
    std::string rest;
    rest.swap(console_.Pending());
    if (!rest.empty()) HandleLine(rest);
    // End of input is the user closing the window.
    if (!closed_) Close();
  }
}

void TerminalView::HandleLine(const std::string& line) {
  const std::string value = Trimmed(line);
  if (value.empty()) return;  // keeps the value
  if (value.size() == 1 && CommandForKey(value[0]) != Command::None) {
    Dispatch(CommandForKey(value[0]));
    return;
  }
  // Typing into the days field and leaving it.
  days_ = value;
  form_->Invoke([this] { form_->BeforeDaysExit(); });
}

void TerminalView::Dispatch(Command command) {
  switch (command) {
    case Command::Stop:
      form_->Invoke([this] { form_->ButtonStopClick(); });
      break;
    case Command::Pause:
      form_->Invoke([this] { form_->ButtonPauseClick(); });
      break;
    case Command::Resume:
      form_->Invoke([this] { form_->ButtonPlayClick(); });
      break;
    case Command::Skip:
      form_->Invoke([this] { form_->ButtonSkipClick(); });
      break;
    case Command::About:
      form_->Invoke([this] { form_->SpeedButtonAboutClick(); });
      break;
    case Command::OpenShop:
      form_->Invoke([this] { form_->SpeedButtonURLClick(); });
      break;
    case Command::None:
      break;
  }
}

}  // namespace kivo::terminal
