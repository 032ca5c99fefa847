#pragma once
// Screenshots of the updater's windows for the documentation: the screen
// area under a window, written as PNG.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// 8-bit RGB rows, top to bottom, as an uncompressed (stored) PNG.
[[nodiscard]] std::vector<std::uint8_t> EncodePng(int width, int height,
                                                  const std::vector<std::uint8_t>& rgb);

// Saves what the screen shows inside `window`'s rectangle to `path` (.png).
// Returns false (and logs why) when the screen cannot be read.
bool SaveScreenshot(HWND window, const std::wstring& path);

}  // namespace e2e
