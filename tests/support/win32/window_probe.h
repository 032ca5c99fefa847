#pragma once
// Looking at windows the way a person would: by their titles, texts and
// buttons, whichever thread or process owns them.  Texts are read with
// WM_GETTEXT, which Windows marshals across processes (GetWindowText cannot
// read a foreign control).
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

using std::chrono::milliseconds;

[[nodiscard]] std::wstring ReadText(HWND window);
void WriteText(HWND window, const std::wstring& text);
[[nodiscard]] std::wstring ClassOf(HWND window);
// The class name, compared as Windows does: without regard to case.
[[nodiscard]] bool HasClass(HWND window, const wchar_t* name);
[[nodiscard]] bool IsPushButton(HWND window);

// Top-level windows belonging to the process: all of them, or the visible ones.
[[nodiscard]] std::vector<HWND> TopLevels(DWORD pid);
[[nodiscard]] std::vector<HWND> VisibleTopLevels(DWORD pid);
[[nodiscard]] std::vector<HWND> Children(HWND parent);

// Polls `ready` every few milliseconds until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& ready, milliseconds timeout);

// Presses a push button the way a click would end: BM_CLICK, queued.
void Click(HWND button);
// A key pressed and released in a control, queued as the keyboard would, so
// a dialog's own loop (IsDialogMessage) turns Enter and Esc into its buttons.
void PressKey(HWND control, WORD virtualKey);

}  // namespace test_support
