#pragma once
// Screenshots of the updater's windows for the documentation: the screen
// area under a window, written as the bitmap file Windows reads it into.
// The host turns them into PNG (cmake/tools/screenshots_to_png).
#include <windows.h>

#include <string>

namespace e2e {

// Saves what the screen shows inside `window`'s rectangle to `path` (.bmp).
// Returns false (and logs why) when the screen cannot be read.
bool SaveScreenshot(HWND window, const std::wstring& path);

}  // namespace e2e
