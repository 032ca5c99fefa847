#pragma once
// The main window: a fixed window holding one large push button, a timer,
// and a progress bar below the button while work goes on.
// Its procedure only dispatches to OnXxx members; the C++ object reaches it
// through the create parameter.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/win32/taskbar_progress.h"
#include "platform/win32/unique_gdi.h"
#include "platform/window.h"

namespace platform::win32 {

class Win32MainWindow final : public MainWindow {
 public:
  // `iconId` names an icon of the exe's resources (the exe's own icon too).
  Win32MainWindow(HINSTANCE instance, WORD iconId);
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;
  ~Win32MainWindow() override;

  void Show(WindowEvents& events) override;
  void SetCaption(const std::wstring& caption) override;
  [[nodiscard]] std::wstring Caption() const override { return caption_; }
  void SetButtonCaption(const std::wstring& caption) override;
  [[nodiscard]] std::wstring ButtonCaption() const override;
  void SetTimerInterval(std::uint32_t milliseconds) override;
  [[nodiscard]] std::uint32_t TimerInterval() const override { return interval_; }
  void SetTimerEnabled(bool enabled) override;
  [[nodiscard]] bool TimerEnabled() const override { return timerEnabled_; }
  void RunPendingMessages() override;
  void SetWorking(bool working) override;
  void SetProgress(bool counted, std::uint32_t position) override;
  void PostFromWorker() override;

  // The program's message loop: returns the exit code once the window is closed.
  int RunUntilClosed();

  [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }
  [[nodiscard]] HWND button() const noexcept { return button_; }
  [[nodiscard]] HWND progressBar() const noexcept { return bar_; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  LRESULT OnCreate();
  void OnCommand(WPARAM wParam);
  void OnTimer(WPARAM wParam);
  LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
  void OnSetFocus();
  LRESULT OnGetDefId();
  void OnNcDestroy();

  void Create();
  void ApplyLayout(UINT dpi, bool resizeWindow);
  void ApplyTimer();
  void ApplyProgress();
  // Dispatches one message, giving the dialog keys (Enter, Space, Tab) their meaning.
  void Dispatch(MSG& message);

  HINSTANCE instance_;
  WORD iconId_;
  std::wstring caption_;
  std::wstring buttonCaption_;
  WindowEvents* events_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND button_ = nullptr;
  HWND bar_ = nullptr;
  // What PostFromWorker posts to, read on any thread; null once the window is gone.
  std::atomic<HWND> postTarget_{nullptr};
  bool working_ = false;
  bool barShown_ = false;
  bool counted_ = false;
  std::uint32_t position_ = 0;
  TaskbarProgress taskbar_;
  UniqueFont font_;
  std::uint32_t interval_ = 0;
  bool timerEnabled_ = false;
};

}  // namespace platform::win32
