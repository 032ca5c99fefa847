#include "platform/win32/input_box.h"

#include <cstddef>
#include <vector>

#include "platform/win32/fatal.h"

namespace platform::win32 {

namespace {

// Layout in dialog units, so the box follows its font and the monitor's DPI.
constexpr short kWidth = 240;
constexpr short kHeight = 82;
constexpr WORD kFontPoints = 8;
constexpr wchar_t kFontFace[] = L"MS Shell Dlg";
constexpr wchar_t kOkText[] = L"OK";
constexpr wchar_t kCancelText[] = L"Annulla";

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

struct InputBoxState {
  const std::wstring* prompt;
  const std::wstring* title;
  const std::wstring* defaultText;
  std::wstring answer;
};

// Builds a DLGTEMPLATE and its items, each item on a DWORD boundary.
class TemplateBuilder {
 public:
  void Dialog(DWORD style, short cx, short cy, WORD items) {
    Dword(style);
    Dword(0);  // extended style
    Word(items);
    Word(0);  // x: the system places the box
    Word(0);  // y
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(L"");  // the title is set when the box opens
    Word(kFontPoints);
    Text(kFontFace);
  }

  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom,
            const wchar_t* text) {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx));
    Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }

  [[nodiscard]] const DLGTEMPLATE* get() const {
    return reinterpret_cast<const DLGTEMPLATE*>(words_.data());
  }

 private:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(const wchar_t* text) {
    for (; *text != L'\0'; ++text) Word(static_cast<WORD>(*text));
    Word(0);
  }
  void Align() {
    if (words_.size() % 2 != 0) Word(0);
  }

  // operator new aligns for any type, so the template starts on a DWORD.
  std::vector<WORD> words_;
};

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

void OnInitDialog(HWND dialog, InputBoxState& state) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
  SetWindowTextW(dialog, state.title->c_str());
  SetDlgItemTextW(dialog, kInputBoxPromptId, state.prompt->c_str());
  HWND edit = GetDlgItem(dialog, kInputBoxEditId);
  // Room for any path the user may type, far beyond MAX_PATH.
  SendMessageW(edit, EM_SETLIMITTEXT, 0x7FFE, 0);
  SetWindowTextW(edit, state.defaultText->c_str());
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
      case WM_INITDIALOG:
        OnInitDialog(dialog, *reinterpret_cast<InputBoxState*>(lParam));
        return FALSE;  // the focus was set by hand
      case WM_COMMAND:
        if (state == nullptr) return FALSE;
        if (LOWORD(wParam) == IDOK) {
          state->answer = WindowText(GetDlgItem(dialog, kInputBoxEditId));
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          state->answer.clear();
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        }
        return FALSE;
      default:
        return FALSE;
    }
  } catch (...) {
    ReportFatalAndExit(dialog);
  }
}

}  // namespace

std::wstring ShowInputBox(HINSTANCE instance, HWND owner, const std::wstring& prompt,
                          const std::wstring& title, const std::wstring& defaultText) {
  TemplateBuilder builder;
  builder.Dialog(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                 kWidth, kHeight, 4);
  builder.Item(SS_LEFT, 7, 7, 170, 44, kInputBoxPromptId, kStaticAtom, L"");
  builder.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 183, 7, 50, 14, IDOK, kButtonAtom, kOkText);
  builder.Item(BS_PUSHBUTTON | WS_TABSTOP, 183, 25, 50, 14, IDCANCEL, kButtonAtom, kCancelText);
  builder.Item(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 60, 226, 13, kInputBoxEditId,
               kEditAtom, L"");
  InputBoxState state{&prompt, &title, &defaultText, {}};
  const INT_PTR result = DialogBoxIndirectParamW(instance, builder.get(), owner, &InputBoxProc,
                                                 reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return {};
  return state.answer;
}

}  // namespace platform::win32
