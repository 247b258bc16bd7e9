// A harvest run on the fake platform: the run state a window would own, a
// HarvestView that records what the run shows, the run log, and a THarvest
// over them, against the in-memory shop.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "harvest/harvest.h"
#include "harvest/run_state.h"
#include "log/log_file.h"
#include "support/fake_harvest_view.h"
#include "support/fake_shop.h"

namespace kivo::testing {

class HarvestTest : public ::testing::Test, protected ShopFolders {
 protected:
  HarvestTest() : view_(log_) {}

  // What the window does before a run: the days value and the host folder
  // set, the history loaded, the log switched on; then a fresh run.
  void Create(int before_days = 0) {
    // The other values stay: a run leaves its record of unfinished days
    // there for the next.
    platform::IniWrite(HostFile("Quillcast.ini"), "kivo", "DLBeforeDays",
                       std::to_string(before_days));
    state_.FHostDir = host_dir_;
    state_.FBeforeDays = before_days;
    LoadHistory(state_);
    log_.SetLogFileName(HostFile("Quillcas.log"));
    log_.SetActive(true);
    harvest_.emplace(state_, view_, log_, host_, ProgramPath());
  }
  void RunHarvest() { harvest_->HarvestRun(); }

  TRunState state_;
  TLogFile log_{host_};
  FakeHarvestView view_;
  std::optional<THarvest> harvest_;
};

}  // namespace kivo::testing
