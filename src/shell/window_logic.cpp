// The plugin window's life cycle and run controls. Every handler runs on the
// one window thread; the run controls act on a harvest only by setting the
// run-state flags that its loops test after each message pump.
#include "shell/window_logic.h"

#include <exception>
#include <new>
#include <string>
#include <utility>

#include "harvest/run_state.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "shell/shell_texts.h"
#include "text/bytes.h"
#include "text/text.h"

namespace kivo {
namespace {

// The days-back value when the settings hold none or no whole number.
constexpr int kDefaultBeforeDays = 30;

}  // namespace

TFormDLL::TFormDLL(FormView& view, RunHost& host, std::vector<std::string> args,
                   std::string program_path)
    : LogFile1(host),
      View(view),
      Host(host),
      Args(std::move(args)),
      ProgramPath(std::move(program_path)) {}

void TFormDLL::Invoke(const std::function<void()>& handler) noexcept {
  // The application-wide handler: whatever escapes an event handler is shown
  // and logged, and the window carries on.
  try {
    try {
      handler();
    } catch (const std::exception& e) {
      ReportException(ErrorMessage(e));
    } catch (...) {
      ReportException(texts::kUnexpectedError);
    }
  } catch (...) {
    // ReportException itself failed (out of memory in the view): nothing is
    // left that could show it.
  }
}

bool TFormDLL::ConfigurationMode() const { return !Args.empty() && Args[0] == "/c"; }

void TFormDLL::FormCreate() {
  FRunState.FHostDir = HostDirFromProgramPath(ProgramPath);
  FormPlacement1.SetWindow(View.PlacementWindow());
  FormPlacement1.IniFileName = HostFile(FRunState.FHostDir, kPlacementFileName);
  FormPlacement1.Active = true;
  FormPlacement1.LoadPlacement();
  const int days = LimitBeforeDays(
      ParseIntOr(ReadPluginValue(FRunState.FHostDir, kBeforeDaysKey), kDefaultBeforeDays));
  View.SetDaysText(std::to_string(days));
  FRunState.FBeforeDays = days;
  // Load last: a history that exists but cannot be read throws to the
  // window's handler, and everything above is already in place by then.
  LoadHistory(FRunState);
}

void TFormDLL::FormActivate() {
  if (FActivated) return;
  FActivated = true;
  LogFile1.SetLogFileName(HostFile(FRunState.FHostDir, kLogFileName));
  LogFile1.SetActive(true);
  if (ConfigurationMode()) return;
  // The window closes after the run however the run ended; an error of the
  // run still reaches the window's handler, after the close.
  std::exception_ptr run_error;
  FRunStarted = true;
  try {
    HarvestRun();
  } catch (...) {
    run_error = std::current_exception();
  }
  View.Close();
  if (run_error) std::rethrow_exception(run_error);
}

void TFormDLL::FormClose() {
  FRunState.FStopRequested = true;
  // A settings file that cannot be written must not keep the window open
  // for ever: the error is reported here and the close goes on.
  try {
    WritePluginValue(FRunState.FHostDir, kBeforeDaysKey, View.DaysText());
  } catch (const std::exception& e) {
    ReportException(ErrorMessage(e));
  }
}

void TFormDLL::FormShow() {
  FormPlacement1.FormShow([this](const std::string& m) { ReportException(m); });
}

void TFormDLL::FormCloseQuery() {
  FormPlacement1.FormCloseQuery(true, [this](const std::string& m) { ReportException(m); });
}

void TFormDLL::FormDestroy() {
  // A window destroyed without an allowed close stores its placement here.
  FormPlacement1.FormDestroy([this](const std::string& m) { ReportException(m); });
  FRunState.FHistory.Clear();
}

int TFormDLL::LimitBeforeDays(int days) {
  const int delete_days = ParseIntOr(ReadSetupValue(FRunState.FHostDir, kDataDeleteDaysKey), 0);
  if (delete_days > 0 && delete_days < days) {
    if (!Args.empty() && !Args[0].empty()) View.InformationBox(texts::kDaysCappedMessage);
    return delete_days;
  }
  return days;
}

void TFormDLL::BeforeDaysExit() {
  const int days = ParseIntOr(View.DaysText(), kDefaultBeforeDays);
  View.SetDaysText(std::to_string(LimitBeforeDays(days)));
}

std::string ErrorMessage(const std::exception& error) {
  // The program's own errors say what failed in Japanese; the library's
  // words for memory running out are English and help nobody.
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return texts::kOutOfMemory;
  return error.what();
}

void TFormDLL::ReportException(const std::string& message) {
  FErrorShown = true;
  View.SetStatusText(message);
  LogFile1.WriteLog(message, true);
}

void TFormDLL::ButtonStopClick() {
  FRunState.FStopRequested = true;
  DisableRunButtons();
  LogFile1.WriteLog(texts::kStopPressed, false);
  View.Close();
}

void TFormDLL::ButtonSkipClick() {
  FRunState.FSkipRequested = true;
  const std::string title = View.TitleText();
  if (!ContainsText(title, texts::kSkipMark)) View.SetTitleText(title + texts::kSkipMark);
  LogFile1.WriteLog(texts::kSkipPressed, false);
}

void TFormDLL::ButtonPauseClick() {
  FRunState.FPauseRequested = true;
  View.SetButtonEnabled(Button::Play, true);
  View.SetButtonEnabled(Button::Pause, false);
  // The run that delivered this click lies below us on the stack, so it
  // stays suspended until this loop ends.
  while (FRunState.FPauseRequested && !FRunState.FStopRequested && !FRunState.FSkipRequested) {
    Host.Sleep(100);
    PumpMessages(Host);
  }
  View.SetButtonEnabled(Button::Play, false);
  View.SetButtonEnabled(Button::Pause, true);
}

void TFormDLL::ButtonPlayClick() { FRunState.FPauseRequested = false; }

void TFormDLL::SpeedButtonURLClick() { OpenDocument(ShopBaseUrl(FRunState.FHostDir), ""); }

void TFormDLL::SpeedButtonAboutClick() { View.ShowAbout(); }

void TFormDLL::DisableRunButtons() {
  View.SetButtonEnabled(Button::Play, false);
  View.SetButtonEnabled(Button::Stop, false);
  View.SetButtonEnabled(Button::Skip, false);
  View.SetButtonEnabled(Button::Pause, false);
}

void TFormDLL::HarvestRun() {
  THarvest run(FRunState, *this, LogFile1, Host, ProgramPath);
  // The session may end while the run is on the stack; it then saves what
  // the run has done through this.
  struct Running {
    THarvest*& slot;
    ~Running() { slot = nullptr; }
  } running{FRunning};
  FRunning = &run;
  run.HarvestRun();
}

void OpenDocument(const std::string& target, const std::string& parameters) {
  // The default folder is the target up to its last "\\" or ":" (or the
  // system's own separator), at a character start: a 0x5C that is the
  // second byte of a Shift-JIS character is part of that character.
  const std::string delimiters = std::string("\\:") + platform::PathSeparator();
  platform::ShellOpen(target, parameters, target.substr(0, FolderPartLength(target, delimiters)));
}

}  // namespace kivo
