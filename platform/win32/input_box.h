#pragma once
// A modal text prompt: the prompt, an edit field holding the default text
// (selected), OK (the default, Enter) and "Annulla" (Esc).  Its template is
// built in memory, so the program needs no dialog resource.
#include <windows.h>

#include <string>

namespace platform::win32 {

inline constexpr int kInputBoxPromptId = 100;
inline constexpr int kInputBoxEditId = 101;

// The text on OK, empty text on Annulla (or when the field was emptied).
[[nodiscard]] std::wstring ShowInputBox(HINSTANCE instance, HWND owner, const std::wstring& prompt,
                                        const std::wstring& title,
                                        const std::wstring& defaultText);

}  // namespace platform::win32
