// A host folder in a folder of the test's own (host/ with the settings file,
// host/plugin/ as the program's folder), a fake view and a fake run host,
// and a TFormDLL over them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/window_logic.h"
#include "support/fake_run_host.h"
#include "support/fake_view.h"
#include "support/scratch_folder.h"
#include "support/temp_folder.h"

namespace kivo::testing {

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    std::filesystem::create_directories(root_ / "host" / "plugin");
    std::filesystem::create_directories(root_ / "tmp");
  }
  void TearDown() override { form_.reset(); }

  std::filesystem::path HostPath(const std::string& name) const { return root_ / "host" / name; }
  void WriteHostFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(HostPath(name), std::ios::binary);
    out << bytes;
  }
  std::string ReadHostFile(const std::string& name) const {
    std::ifstream in(HostPath(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void WriteSettings(const std::string& before_days, const std::string& delete_days) {
    std::string ini = "[TSetup]\r\nDataDeleteDays_Text=" + delete_days + "\r\n";
    if (before_days != "-") ini += "[kivo]\r\nDLBeforeDays=" + before_days + "\r\n";
    WriteHostFile("Quillcast.ini", ini);
  }
  // The log's lines, without their CR LF.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const std::string text = ReadHostFile("Quillcas.log");
    std::size_t start = 0;
    while (true) {
      const std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) break;
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }
  int CountLogLines(const std::string& line) const {
    int n = 0;
    for (const auto& l : LogLines()) n += l == line ? 1 : 0;
    return n;
  }

  // The host folder as the window computes it.
  std::string HostDir() const {
    return (root_ / "host" / "plugin").string() + platform::PathSeparator() + "..";
  }

  TFormDLL& MakeForm(std::vector<std::string> args) {
    form_ = std::make_unique<TFormDLL>(view_, host_, std::move(args),
                                       (root_ / "host" / "plugin" / "kivo").string());
    view_.Attach(*form_);
    return *form_;
  }
  // Created and activated, with the log on.
  TFormDLL& StartConfiguration() {
    TFormDLL& form = MakeForm({"/c"});
    form.Invoke([&] { form.FormCreate(); });
    form.Invoke([&] { form.FormActivate(); });
    return form;
  }

  ScratchFolder scratch_{"kivo-shell-"};
  const std::filesystem::path root_ = scratch_.Path();
  ScopedTempDirEnv temp_env_{(root_ / "tmp").string()};
  FakeView view_;
  FakeRunHost host_;
  std::unique_ptr<TFormDLL> form_;
};

}  // namespace kivo::testing
