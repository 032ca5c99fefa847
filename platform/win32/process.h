#pragma once
#include "platform/process.h"

namespace platform::win32 {

class Win32Process final : public Process {
 public:
  [[noreturn]] void EndNow() override;
  [[noreturn]] void EndWith(int exitCode) override;
  void ResetMousePointer() override;
};

}  // namespace platform::win32
