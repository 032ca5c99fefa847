#include "platform/win32/window.h"

#include <commctrl.h>

#include <exception>
#include <string>
#include <utility>

#include "platform/win32/dpi.h"
#include "platform/win32/fatal.h"
#include "platform/win32/system_module.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kClassName[] = L"Lumarso2015Window";
constexpr int kButtonId = 1001;
constexpr int kProgressBarId = 1002;
constexpr UINT_PTR kTimerId = 1;
// Work that ends sooner leaves the window as it was.
constexpr UINT_PTR kRevealTimerId = 2;
constexpr UINT kRevealAfterMs = 300;
constexpr UINT kWorkPostedMessage = WM_APP + 1;
constexpr UINT kMarqueeStepMs = 30;

// Design sizes at 96 DPI.
constexpr int kClientWidth = 557;
constexpr int kClientHeight = 137;
constexpr RECT kButtonRect{15, 22, 15 + 529, 22 + 100};
constexpr RECT kProgressRect{15, 126, 15 + 529, 126 + 8};
constexpr int kFontHundredthsOfPoint = 975;  // 9.75 pt
constexpr wchar_t kFontFace[] = L"MS Sans Serif";

// A fixed window: no resizing border, no maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;

// "<call> failed, error <code>", the text of the fatal-error box.  Neither
// std::system_error nor std::runtime_error: either would link the library's
// error categories or its old std::string, for one line of text.
class WindowError final : public std::exception {
 public:
  // The system's wsprintfA: the call's name is one of ours, far below the buffer's size.
  WindowError(const char* call, DWORD code) noexcept {
    wsprintfA(text_, "%s failed, error %lu", call, code);
  }
  [[nodiscard]] const char* what() const noexcept override { return text_; }

 private:
  char text_[128] = {};
};

[[noreturn]] void ThrowLastError(const char* what) { throw WindowError(what, GetLastError()); }

HFONT CreateButtonFont(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(kFontHundredthsOfPoint, static_cast<int>(dpi), 72 * 100);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(font.lfFaceName, kFontFace, LF_FACESIZE);
  // The font mapper picks the closest face the system has.
  return CreateFontIndirectW(&font);
}

// Common Controls 6 (the manifest's), for the progress bar and its marquee,
// loaded with the window: a silent run never pays for its start-up.  By name,
// so that the manifest's side-by-side copy is the one loaded (the DLL search
// is already held to the system folder).  Never freed: its window classes
// must outlive every window made from them.
bool LoadCommonControls() noexcept {
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  InitFn init = nullptr;
  const HMODULE comctl32 = LoadLibraryW(L"comctl32.dll");
  if (comctl32 == nullptr || !Bind(comctl32, "InitCommonControlsEx", &init)) return false;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  return init(&controls) != FALSE;
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, WORD iconId)
    : instance_(instance), iconId_(iconId) {}

Win32MainWindow::~Win32MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Win32MainWindow::Create() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Win32MainWindow::WndProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(iconId_));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(iconId_), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowLastError("RegisterClassExW");
  }
  const SIZE size = WindowSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, kDesignDpi);
  // The system chooses where the window opens.
  if (CreateWindowExW(kExStyle, kClassName, caption_.c_str(), kStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance_, this) ==
      nullptr) {
    ThrowLastError("CreateWindowExW");
  }
  // The monitor is known only now: scale from the design sizes.
  ApplyLayout(DpiForWindow(hwnd_), true);
  ApplyTimer();
}

void Win32MainWindow::Show(WindowEvents& events) {
  events_ = &events;
  if (hwnd_ == nullptr) Create();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

LRESULT CALLBACK Win32MainWindow::WndProc(HWND hwnd, UINT message, WPARAM wParam,
                                          LPARAM lParam) noexcept {
  try {
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
      self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->hwnd_ = hwnd;
      self->postTarget_ = hwnd;
    }
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportFatalAndExit(hwnd);
  }
}

LRESULT Win32MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_COMMAND: OnCommand(wParam); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case kWorkPostedMessage: if (events_ != nullptr) events_->OnWorkPosted(); return 0;
    case WM_DPICHANGED: return OnDpiChanged(wParam, lParam);
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case DM_GETDEFID: return OnGetDefId();
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_NCDESTROY: OnNcDestroy(); return DefWindowProcW(hwnd_, message, wParam, lParam);
    default: return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

LRESULT Win32MainWindow::OnCreate() {
  // Tab index 0 and the default button: Enter and Space press it.
  button_ = CreateWindowExW(0, L"BUTTON", buttonCaption_.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                            kButtonRect.left, kButtonRect.top, kButtonRect.right - kButtonRect.left,
                            kButtonRect.bottom - kButtonRect.top, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), instance_,
                            nullptr);
  if (button_ == nullptr) return -1;
  // Hidden until work has gone on for a while; not a tab stop.  Without
  // comctl32 the window goes on without it: the work does not need it.
  if (!LoadCommonControls()) return 0;
  bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | PBS_SMOOTH, kProgressRect.left,
                         kProgressRect.top, kProgressRect.right - kProgressRect.left,
                         kProgressRect.bottom - kProgressRect.top, hwnd_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressBarId)), instance_,
                         nullptr);
  if (bar_ != nullptr) SendMessageW(bar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(kProgressRange));
  return 0;
}

void Win32MainWindow::OnCommand(WPARAM wParam) {
  if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED && events_ != nullptr) {
    events_->OnButtonClick();
  }
}

void Win32MainWindow::OnTimer(WPARAM wParam) {
  if (wParam == kRevealTimerId) {
    KillTimer(hwnd_, kRevealTimerId);
    if (!working_) return;
    barShown_ = true;
    ApplyProgress();
    ShowWindow(bar_, SW_SHOWNA);
    return;
  }
  // A tick already queued when the timer was disabled is dropped.
  if (wParam == kTimerId && timerEnabled_ && events_ != nullptr) events_->OnTimerTick();
}

LRESULT Win32MainWindow::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
               suggested->right - suggested->left, suggested->bottom - suggested->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyLayout(HIWORD(wParam), false);
  return 0;
}

void Win32MainWindow::OnSetFocus() {
  if (button_ != nullptr) SetFocus(button_);
}

LRESULT Win32MainWindow::OnGetDefId() { return MAKELRESULT(kButtonId, DC_HASDEFID); }

void Win32MainWindow::OnNcDestroy() {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  postTarget_ = nullptr;
  hwnd_ = nullptr;
  button_ = nullptr;
  bar_ = nullptr;
}

void Win32MainWindow::ApplyLayout(UINT dpi, bool resizeWindow) {
  if (resizeWindow) {
    const SIZE size = WindowSizeForClient(ScaleForDpi(kClientWidth, dpi),
                                          ScaleForDpi(kClientHeight, dpi), kStyle, kExStyle, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(button_, nullptr, ScaleForDpi(kButtonRect.left, dpi),
               ScaleForDpi(kButtonRect.top, dpi),
               ScaleForDpi(kButtonRect.right - kButtonRect.left, dpi),
               ScaleForDpi(kButtonRect.bottom - kButtonRect.top, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(bar_, nullptr, ScaleForDpi(kProgressRect.left, dpi),
               ScaleForDpi(kProgressRect.top, dpi),
               ScaleForDpi(kProgressRect.right - kProgressRect.left, dpi),
               ScaleForDpi(kProgressRect.bottom - kProgressRect.top, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
  UniqueFont font(CreateButtonFont(dpi));
  if (font.get() != nullptr) {
    SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);  // the old font goes only after the button let go of it
  }
}

void Win32MainWindow::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (hwnd_ != nullptr) SetWindowTextW(hwnd_, caption.c_str());
}

void Win32MainWindow::SetButtonCaption(const std::wstring& caption) {
  buttonCaption_ = caption;
  if (button_ != nullptr) SetWindowTextW(button_, caption.c_str());
}

std::wstring Win32MainWindow::ButtonCaption() const { return buttonCaption_; }

void Win32MainWindow::SetTimerInterval(std::uint32_t milliseconds) {
  interval_ = milliseconds;
  ApplyTimer();
}

void Win32MainWindow::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  ApplyTimer();
}

void Win32MainWindow::ApplyTimer() {
  if (hwnd_ == nullptr) return;
  if (timerEnabled_ && interval_ > 0) {
    // Setting it again restarts the interval, as a re-enabled timer should.
    SetTimer(hwnd_, kTimerId, interval_, nullptr);
  } else {
    KillTimer(hwnd_, kTimerId);
  }
}

void Win32MainWindow::SetWorking(bool working) {
  working_ = working;
  counted_ = false;
  position_ = 0;
  if (hwnd_ == nullptr) return;
  if (working) {
    SetTimer(hwnd_, kRevealTimerId, kRevealAfterMs, nullptr);
    return;
  }
  KillTimer(hwnd_, kRevealTimerId);
  if (barShown_) {
    barShown_ = false;
    ShowWindow(bar_, SW_HIDE);
    SendMessageW(bar_, PBM_SETMARQUEE, FALSE, 0);
    taskbar_.Clear(hwnd_);
  }
}

void Win32MainWindow::SetProgress(bool counted, std::uint32_t position) {
  if (counted == counted_ && position == position_) return;
  counted_ = counted;
  position_ = position;
  if (barShown_) ApplyProgress();
}

void Win32MainWindow::ApplyProgress() {
  const LONG_PTR style = GetWindowLongPtrW(bar_, GWL_STYLE);
  const bool marquee = (style & PBS_MARQUEE) != 0;
  if (counted_) {
    if (marquee) {
      SendMessageW(bar_, PBM_SETMARQUEE, FALSE, 0);
      SetWindowLongPtrW(bar_, GWL_STYLE, style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    }
    SendMessageW(bar_, PBM_SETPOS, position_, 0);
  } else if (!marquee) {
    SetWindowLongPtrW(bar_, GWL_STYLE, style | PBS_MARQUEE);
    SendMessageW(bar_, PBM_SETMARQUEE, TRUE, kMarqueeStepMs);
  }
  taskbar_.Show(hwnd_, counted_, position_, kProgressRange);
}

void Win32MainWindow::PostFromWorker() {
  const HWND target = postTarget_;
  if (target != nullptr) PostMessageW(target, kWorkPostedMessage, 0, 0);
}

void Win32MainWindow::Dispatch(MSG& message) {
  if (hwnd_ != nullptr && IsDialogMessageW(hwnd_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32MainWindow::RunPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Leave it for the main loop, which ends the program.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

int Win32MainWindow::RunUntilClosed() {
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    Dispatch(message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace platform::win32
