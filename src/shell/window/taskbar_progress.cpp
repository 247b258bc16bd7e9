#include "shell/window/taskbar_progress.h"

#include <shobjidl.h>

namespace kivo::window {

TaskbarProgress::~TaskbarProgress() {
  if (list_ != nullptr) list_->Release();
}

void TaskbarProgress::Show(HWND window, int permille, bool error) {
  if (!tried_) {
    // COM is initialised on this thread by the program's entry; without it,
    // or on a system without the interface, there is simply no progress.
    tried_ = true;
    void* list = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskbarList3, &list))) {
      list_ = static_cast<ITaskbarList3*>(list);
      if (FAILED(list_->HrInit())) {
        list_->Release();
        list_ = nullptr;
      }
    }
  }
  if (list_ == nullptr || window == nullptr) return;
  list_->SetProgressState(window, error ? TBPF_ERROR : TBPF_NORMAL);
  list_->SetProgressValue(window, static_cast<ULONGLONG>(permille), 1000);
}

}  // namespace kivo::window
