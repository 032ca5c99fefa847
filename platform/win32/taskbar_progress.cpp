#include "platform/win32/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

namespace platform::win32 {

TaskbarProgress::~TaskbarProgress() {
  if (taskbar_ != nullptr) taskbar_->Release();
  if (comStarted_) CoUninitialize();
}

bool TaskbarProgress::Connect() {
  if (tried_) return taskbar_ != nullptr;
  tried_ = true;
  // The window's thread is a single-threaded apartment, as every UI thread.
  comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  void* taskbar = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              &taskbar))) {
    return false;
  }
  taskbar_ = static_cast<ITaskbarList3*>(taskbar);
  if (FAILED(taskbar_->HrInit())) {
    taskbar_->Release();
    taskbar_ = nullptr;
  }
  return taskbar_ != nullptr;
}

void TaskbarProgress::Show(HWND window, bool counted, std::uint32_t position, std::uint32_t range) {
  if (!Connect()) return;
  if (counted) {
    taskbar_->SetProgressState(window, TBPF_NORMAL);
    taskbar_->SetProgressValue(window, position, range);
  } else {
    taskbar_->SetProgressState(window, TBPF_INDETERMINATE);
  }
}

void TaskbarProgress::Clear(HWND window) {
  if (taskbar_ != nullptr) taskbar_->SetProgressState(window, TBPF_NOPROGRESS);
}

}  // namespace platform::win32
