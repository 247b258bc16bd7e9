// The part of the plugin window a harvest run writes to: the title label,
// the list of titles found, the status bar and the run buttons. The window
// logic implements it by forwarding to its view.
#pragma once

#include <string>

namespace kivo {

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
  // Play, Stop, Skip and Pause all off: the run has ended.
  virtual void DisableRunButtons() = 0;
};

}  // namespace kivo
