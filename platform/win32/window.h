#pragma once
// The main window: a fixed window holding one large push button and a timer.
// Its procedure only dispatches to OnXxx members; the C++ object reaches it
// through the create parameter.
#include <windows.h>

#include <cstdint>
#include <string>

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

  // The program's message loop: returns the exit code once the window is closed.
  int RunUntilClosed();

  [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }
  [[nodiscard]] HWND button() const noexcept { return button_; }

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
  // Dispatches one message, giving the dialog keys (Enter, Space, Tab) their meaning.
  void Dispatch(MSG& message);

  HINSTANCE instance_;
  WORD iconId_;
  std::wstring caption_;
  std::wstring buttonCaption_;
  WindowEvents* events_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND button_ = nullptr;
  UniqueFont font_;
  std::uint32_t interval_ = 0;
  bool timerEnabled_ = false;
};

}  // namespace platform::win32
