// The plugin window's logic: the window's life-cycle handlers, the run
// controls and the start of a harvest run. It owns the run state the
// controls and the run share, talks to the screen only through FormView and
// to the system through RunHost and the platform seam, so the Win32 window,
// the terminal front-end and the tests share it. Each run is a THarvest of
// its own, handed the run state by reference; it writes to the window
// through the HarvestView this class implements.
//
// Where the members are defined:
//   shell/window_logic.cpp   life cycle, controls, LimitBeforeDays, ReportException, HarvestRun
//   shell/session_end.cpp    FormEndSession
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "harvest/harvest.h"
#include "harvest/harvest_view.h"
#include "harvest/run_state.h"
#include "log/log_file.h"
#include "placement/form_placement.h"
#include "platform/run_host.h"
#include "shell/view.h"

namespace kivo {

class TFormDLL : private HarvestView {
 public:
  // `args` are the command-line arguments after the program name;
  // `program_path` the running program file (it locates the host folder).
  TFormDLL(FormView& view, RunHost& host, std::vector<std::string> args, std::string program_path);

  // Runs an event handler; an error escaping it goes to ReportException.
  void Invoke(const std::function<void()>& handler) noexcept;

  // Window life.
  void FormCreate();
  void FormActivate();
  void FormClose();
  void FormDestroy();
  // The window is about to be shown (placement restored once more).
  void FormShow();
  // Closing was asked and is allowed: the placement is stored.
  void FormCloseQuery();
  // The user's session is ending and the process will be ended as soon as
  // this returns: stops a run, stores the days value and the placement
  // (through the window's close), saves the history of a run that has
  // started (and the run's record of unfinished days) and writes the log's
  // end line. Later calls do nothing.
  void FormEndSession();

  // Controls.
  void ButtonStopClick();
  void ButtonPauseClick();
  void ButtonPlayClick();
  void ButtonSkipClick();
  void BeforeDaysExit();
  void SpeedButtonURLClick();
  void SpeedButtonAboutClick();

  // The days value capped by the host's data deletion days.
  int LimitBeforeDays(int days);
  // Shows the message in the status bar and logs it as an error line.
  void ReportException(const std::string& message);

  // True in configuration mode (first argument exactly "/c").
  bool ConfigurationMode() const;

  // One harvest run over the run state.
  void HarvestRun();

  // What the controls and the runs share, for the front-ends to show.
  const TRunState& RunState() const { return FRunState; }

 private:
  // HarvestView: the run's writes, forwarded to the view.
  void SetTitleText(const std::string& text) override { View.SetTitleText(text); }
  void MemoClear() override { View.MemoClear(); }
  void MemoAdd(const std::string& line) override { View.MemoAdd(line); }
  int MemoLineCount() override { return View.MemoLineCount(); }
  void ShowError(const std::string& message) override { ReportException(message); }
  void ShowProgress(const ProgressReport& report) override {
    View.SetProgress(report, FErrorShown);
  }
  void DisableRunButtons() override;

  bool FActivated = false;
  TRunState FRunState;
  TLogFile LogFile1;
  placement::TFormPlacement FormPlacement1;
  // A harvest has begun in this process; the run on the stack, if any.
  bool FRunStarted = false;
  THarvest* FRunning = nullptr;
  bool FSessionEnded = false;
  // An error is shown in the status bar: progress does not hide it.
  bool FErrorShown = false;

  FormView& View;
  RunHost& Host;
  const std::vector<std::string> Args;
  const std::string ProgramPath;
};

// The words that show an error escaping a handler: its own message, which
// the program writes in Japanese, or for memory running out (whose message
// is the library's English) the Japanese texts::kOutOfMemory.
std::string ErrorMessage(const std::exception& error);

// Hands a target to the desktop shell's "open" verb; the default folder is
// the target cut after its last "\" or ":". The result is not looked at.
void OpenDocument(const std::string& target, const std::string& parameters);

}  // namespace kivo
