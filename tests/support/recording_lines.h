// What the two fake views share: the title label and the list of titles as
// the real controls hold them, and a record of every call.
#pragma once

#include <string>
#include <vector>

namespace kivo::testing {

// `View` is an interface with the label and list calls of the plugin
// window (FormView, HarvestView).
template <class View>
class RecordingLines : public View {
 public:
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
};

}  // namespace kivo::testing
