// What the plugin window and a harvest run share: the flags the run
// controls set and the run's loops test, the host folder, the days back,
// the last fetch's start and the history. The window logic owns it for the
// life of the process and hands it to each run by reference.
#pragma once

#include <string>

#include "harvest/history.h"

namespace kivo {

struct TRunState {
  // Set by Stop and by closing the window; cleared when a run starts.
  bool FStopRequested = false;
  // Set by Skip; cleared when a run starts and as each day begins.
  bool FSkipRequested = false;
  // Set by Pause, cleared by Resume.
  bool FPauseRequested = false;
  // The host's folder, no trailing separator.
  std::string FHostDir;
  // Days back to harvest for this process's run.
  int FBeforeDays = 0;
  // Start of the last fetch (0: none yet): fetches keep 900 ms apart.
  double FLastFetch = 0;
  THistory FHistory;
  // The history file existed but could not be read at creation: a run must
  // not save its few entries over the months the file still holds.
  bool FHistoryUnread = false;
};

// Loads the history file of `state.FHostDir` into `state.FHistory` when the
// file exists (else the history stays empty). Throws std::runtime_error when
// it exists but cannot be read; FHistoryUnread then tells a later save to
// read it once more rather than replace it.
void LoadHistory(TRunState& state);

// Prunes the history to what a run of `state.FBeforeDays` days back must
// keep and replaces the history file with it, atomically. A history that
// could not be read at creation is read once more and merged first. Throws
// std::runtime_error("<path> に書き込めません") when it cannot be written or
// still cannot be read.
void SaveHistory(const TRunState& state, double now);

}  // namespace kivo
