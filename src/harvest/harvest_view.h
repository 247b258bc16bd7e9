// The part of the plugin window a harvest run writes to: the title label,
// the list of titles found, the status bar and the run buttons. The window
// logic implements it by forwarding to its view.
#pragma once

#include <string>

namespace kivo {

// Where a run stands, for the status bar and the taskbar button.
struct ProgressReport {
  std::string Text;  // "3/31日目 追加 12件 残り約4分"
  int Day = 0;       // the day being walked, 1-based, of
  int Days = 0;      // all the days this run walks
  int Permille = 0;  // how far the run is, 0 to 1000
};

class HarvestView {
 public:
  virtual ~HarvestView() = default;
  // LabelTitle's caption: what the run is doing.
  virtual void SetTitleText(const std::string& text) = 0;
  // Memo1: the titles the detail analysis finds.
  virtual void MemoClear() = 0;
  virtual void MemoAdd(const std::string& line) = 0;
  virtual int MemoLineCount() = 0;
  // Shows the message in the status bar and writes it to the run log as an
  // error line, as the window does with an error no code caught.
  virtual void ShowError(const std::string& message) = 0;
  // Where the run stands, at each page; the run log is not told.
  virtual void ShowProgress(const ProgressReport& report) = 0;
  // Play, Stop, Skip and Pause all off: the run has ended.
  virtual void DisableRunButtons() = 0;
};

}  // namespace kivo
