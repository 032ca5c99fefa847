#pragma once
// Modal boxes, all owned by the main window.
#include <string>

// <windows.h> maps MessageBox to MessageBoxW; the member keeps its own name.
#ifdef MessageBox
#undef MessageBox
#endif

namespace platform {

enum class Icon { Information, Warning, Question, Critical };
enum class Buttons { Ok, YesNo };  // with YesNo, Yes is the default button
enum class Answer { Ok, Yes, No };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual Answer MessageBox(const std::wstring& text, Icon icon, Buttons buttons,
                            const std::wstring& title) = 0;
  // The text typed, or empty text on Cancel (an emptied field is empty too).
  virtual std::wstring InputBox(const std::wstring& prompt, const std::wstring& title,
                                const std::wstring& defaultText) = 0;
};

}  // namespace platform
