#pragma once

namespace platform {

class Process {
 public:
  virtual ~Process() = default;
  // Ends the program at once: no further event runs, no window is asked.
  [[noreturn]] virtual void EndNow() = 0;
  // The same, with an exit code other than 0.
  [[noreturn]] virtual void EndWith(int exitCode) = 0;
  // Puts the screen-wide mouse pointer back to the default.
  virtual void ResetMousePointer() = 0;
};

}  // namespace platform
