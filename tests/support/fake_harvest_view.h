// A HarvestView for tests: it records what a run shows. An error goes to
// the status text and, as the window does, to the run log as an error line.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "harvest/harvest_view.h"
#include "log/log_file.h"
#include "support/recording_lines.h"

namespace kivo::testing {

class FakeHarvestView : public RecordingLines<HarvestView> {
 public:
  explicit FakeHarvestView(TLogFile& log) : log_(log) {}

  void ShowError(const std::string& message) override {
    calls.push_back("ShowError " + message);
    status_text = message;
    log_.WriteLog(message, true);
  }
  void ShowProgress(const ProgressReport& report) override {
    progress.push_back(report);
    if (on_progress) on_progress(report);
  }
  void DisableRunButtons() override {
    calls.push_back("DisableRunButtons");
    run_buttons_off = true;
  }

  std::string status_text;
  std::vector<ProgressReport> progress;
  std::function<void(const ProgressReport&)> on_progress;
  bool run_buttons_off = false;

 private:
  TLogFile& log_;
};

}  // namespace kivo::testing
