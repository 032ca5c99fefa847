#pragma once
#include "platform/error_messages.h"

namespace platform::win32 {

class Win32ErrorMessages final : public ErrorMessages {
 public:
  [[nodiscard]] std::wstring Text(Win32Status status) override;
};

}  // namespace platform::win32
