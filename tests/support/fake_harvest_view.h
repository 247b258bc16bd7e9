// A HarvestView for tests: it records what a run shows. An error goes to
// the status text and, as the window does, to the run log as an error line.
#pragma once

#include <string>
#include <vector>

#include "harvest/harvest_view.h"
#include "log/log_file.h"

namespace kivo::testing {

class FakeHarvestView : public HarvestView {
 public:
  explicit FakeHarvestView(TLogFile& log) : log_(log) {}

  void SetTitleText(const std::string& text) override {
    calls.push_back("SetTitleText " + text);
    title_text = text;
    titles.push_back(text);
  }
  void MemoClear() override {
    calls.push_back("MemoClear");
    memo.clear();
  }
  void MemoAdd(const std::string& line) override {
    calls.push_back("MemoAdd " + line);
    memo.push_back(line);
  }
  int MemoLineCount() override {
    calls.push_back("MemoLineCount");
    return static_cast<int>(memo.size());
  }
  void ShowError(const std::string& message) override {
    calls.push_back("ShowError " + message);
    status_text = message;
    log_.WriteLog(message, true);
  }
  void DisableRunButtons() override {
    calls.push_back("DisableRunButtons");
    run_buttons_off = true;
  }
  // Number of recorded calls equal to `call`.
  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call ? 1 : 0;
    return n;
  }

  std::string title_text;
  std::vector<std::string> titles;
  std::vector<std::string> memo;
  std::vector<std::string> calls;
  std::string status_text;
  bool run_buttons_off = false;

 private:
  TLogFile& log_;
};

}  // namespace kivo::testing
