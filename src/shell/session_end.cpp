// The end of the user's session (logoff, shutdown). The system ends the
// process as soon as the window has answered, so nothing may wait for the
// run below on the stack to unwind: everything a normal close would leave
// on disk is written here, at once.
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "harvest/run_state.h"
#include "shell/window_logic.h"

namespace kivo {

void TFormDLL::FormEndSession() {
  if (FSessionEnded) return;
  FSessionEnded = true;
  // The window's own close: the close query stores the placement, FormClose
  // stops the run and writes the days field's text.
  View.Close();

  if (FRunning != nullptr) {
    // Every title committed so far has its line and its entry on disk
    // already; this saves the pruned history whole, and the record of the
    // days still to walk, as the run's end would.
    FRunning->SaveProgress();
  } else if (FRunStarted) {
    try {
      SaveHistory(FRunState, Host.Now());
    } catch (const std::exception& e) {
      ReportException(ErrorMessage(e));
    }
  }
  // The end line; the log is off afterwards, so a run that still unwinds
  // (the system has not ended the process yet) writes no more lines.
  LogFile1.SetActive(false);
}

}  // namespace kivo
