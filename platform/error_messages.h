#pragma once
// The system's own text for a Win32 status, so a log line says what an
// error number means without a lookup table of ours.
#include <string>

#include "platform/status.h"

namespace platform {

class ErrorMessages {
 public:
  virtual ~ErrorMessages() = default;
  // One line, in English where the system has it; empty when it has no text.
  [[nodiscard]] virtual std::wstring Text(Win32Status status) = 0;
};

}  // namespace platform
