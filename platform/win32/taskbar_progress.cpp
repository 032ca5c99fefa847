#include "platform/win32/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

namespace platform::win32 {

TaskbarProgress::~TaskbarProgress() {
  if (taskbar_ != nullptr) taskbar_->Release();
  if (comStarted_) uninitialize_();
}

bool TaskbarProgress::Connect() {
  if (tried_) return taskbar_ != nullptr;
  tried_ = true;
  // ole32 only now: a run that never shows progress never loads COM.
  ole32_ = LoadFromSystemFolder(L"ole32.dll");
  using Initialize = HRESULT(WINAPI*)(LPVOID, DWORD);
  using Create = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  Initialize initialize = nullptr;
  Create create = nullptr;
  if (!ole32_ || !Bind(ole32_.get(), "CoInitializeEx", &initialize) ||
      !Bind(ole32_.get(), "CoCreateInstance", &create) ||
      !Bind(ole32_.get(), "CoUninitialize", &uninitialize_)) {
    return false;
  }
  // The window's thread is a single-threaded apartment, as every UI thread.
  comStarted_ = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
  void* taskbar = nullptr;
  if (FAILED(create(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &taskbar))) {
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
