// The real Win32 plugin window with the real window logic over a fake run
// host, set up as the program's entry sets it up (key filter, dialog keys,
// FormCreate), in a host folder of its own. Windows only; the tests run
// under Wine and Xvfb.
#pragma once

#include <windows.h>
#undef DeleteFile
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"
#include "shell/window/form_window.h"
#include "shell/window/message_pump.h"
#include "shell/window_logic.h"
#include "support/fake_run_host.h"

namespace kivo::testing {

class Win32FormFixture : public ::testing::Test {
 protected:
  // A fresh host folder whose Quillcast.ini holds `ini_text`, and the font.
  void MakeHost(const std::string& ini_text) {
    host_dir_ = platform::SystemTempFolder() + "kivo-" +
                ::testing::UnitTest::GetInstance()->current_test_suite()->name() + "-" +
                std::to_string(GetCurrentProcessId());
    platform::CreateFolder(host_dir_);
    platform::CreateFolder(host_dir_ + "\\plugins");
    ini_ = host_dir_ + "\\Quillcast.ini";
    ASSERT_TRUE(platform::SaveAtomically(ini_, ini_text));
    font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"");
  }

  // A start in configuration mode up to FormCreate: the window made, hidden.
  // `application`: the application window owning the plugin window.
  void Open(HWND application = nullptr) {
    Drop();
    view_ = std::make_unique<window::Win32FormView>(GetModuleHandleW(nullptr), application, font_);
    ASSERT_TRUE(view_->Create());
    window_ = view_->Handle();
    host_.on_pump = [] { window::PumpMessages(); };
    form_ = std::make_unique<TFormDLL>(*view_, host_, std::vector<std::string>{"/c"},
                                       host_dir_ + "\\plugins\\kivo.exe");
    view_->Attach(*form_);
    window::SetKeyFilter([this](const MSG& msg) { return view_->FilterKey(msg); });
    window::AddDialogWindow(window_);
    view_->Dispatch([this] { form_->FormCreate(); });
    days_ = FindWindowExW(window_, nullptr, L"EDIT", nullptr);
    memo_ = FindWindowExW(window_, days_, L"EDIT", nullptr);
    status_ = FindWindowExW(window_, nullptr, STATUSCLASSNAMEW, nullptr);
  }

  // The window and its logic gone, and the WM_QUIT its end posts taken out,
  // so that the next window starts clean.
  void Drop() {
    window::SetKeyFilter(nullptr);
    window::RemoveDialogWindow(window_);
    view_.reset();
    window::PumpMessages();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    form_.reset();
    window_ = days_ = memo_ = status_ = nullptr;
  }

  void TearDown() override {
    Drop();
    for (const std::string& name : platform::FindFiles(host_dir_ + "\\*")) {
      platform::DeleteFile(host_dir_ + "\\" + name);
    }
    RemoveDirectoryW(platform::win32::Wide(host_dir_ + "\\plugins").c_str());
    RemoveDirectoryW(platform::win32::Wide(host_dir_).c_str());
    if (font_) DeleteObject(font_);
  }

  HWND Button(const char* caption) const {
    return FindWindowExW(window_, nullptr, L"BUTTON", platform::win32::Wide(caption).c_str());
  }
  // A message as the message loop hands it on (key filter, dialog keys).
  static void Deliver(HWND target, UINT message, WPARAM wparam, LPARAM lparam = 0) {
    MSG msg{target, message, wparam, lparam, 0, {0, 0}};
    window::HandleMessage(msg);
  }

  std::string host_dir_, ini_;
  HFONT font_ = nullptr;
  FakeRunHost host_;
  std::unique_ptr<window::Win32FormView> view_;
  std::unique_ptr<TFormDLL> form_;
  HWND window_ = nullptr, days_ = nullptr, memo_ = nullptr, status_ = nullptr;
};

}  // namespace kivo::testing
