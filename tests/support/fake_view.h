// A FormView for tests: it records every call, holds the days field, title,
// memo, status and button states like the real controls, and closes like a
// real window by running the form's FormClose.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "shell/view.h"
#include "shell/window_logic.h"
#include "support/recording_lines.h"

namespace kivo::testing {

class FakeView : public RecordingLines<FormView> {
 public:
  // Attach the form after both exist; Close() needs it.
  void Attach(TFormDLL& form) { form_ = &form; }

  std::string DaysText() override {
    calls.push_back("DaysText");
    return days_text;
  }
  void SetDaysText(const std::string& text) override {
    calls.push_back("SetDaysText " + text);
    days_text = text;
  }
  std::string TitleText() override {
    calls.push_back("TitleText");
    return title_text;
  }
  void SetStatusText(const std::string& text) override {
    calls.push_back("SetStatusText " + text);
    status_text = text;
  }
  void SetProgress(const ProgressReport& report, bool error_shown) override {
    calls.push_back("SetProgress " + report.Text + (error_shown ? " (error shown)" : ""));
    if (!error_shown) status_text = report.Text;
  }
  void SetButtonEnabled(Button button, bool enabled) override {
    calls.push_back(std::string("SetButtonEnabled ") + ButtonName(button) +
                    (enabled ? " on" : " off"));
    this->enabled[button] = enabled;
  }
  void InformationBox(const std::string& text) override {
    calls.push_back("InformationBox");
    information_boxes.push_back(text);
    if (on_information_box) on_information_box();
  }
  void Close() override {
    calls.push_back("Close");
    ++closes;
    closed = true;
    if (form_ != nullptr) form_->FormClose();
  }
  void ShowAbout() override {
    calls.push_back("ShowAbout");
    ++abouts;
  }

  static const char* ButtonName(Button button) {
    switch (button) {
      case Button::Play:
        return "Play";
      case Button::Pause:
        return "Pause";
      case Button::Stop:
        return "Stop";
      case Button::Skip:
        return "Skip";
    }
    return "?";
  }
  // A button's state; the real window creates Play disabled, the others
  // enabled.
  bool Enabled(Button button) const {
    auto it = enabled.find(button);
    if (it != enabled.end()) return it->second;
    return button != Button::Play;
  }
  std::string days_text;
  std::string status_text;
  std::vector<std::string> information_boxes;
  std::map<Button, bool> enabled;
  std::function<void()> on_information_box;
  int closes = 0;
  int abouts = 0;
  bool closed = false;

 private:
  TFormDLL* form_ = nullptr;
};

}  // namespace kivo::testing
