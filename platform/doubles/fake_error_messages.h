#pragma once
// System texts for the statuses the tests meet, in the system's wording.
#include <string>

#include "platform/error_messages.h"

namespace platform::doubles {

class FakeErrorMessages final : public ErrorMessages {
 public:
  [[nodiscard]] std::wstring Text(Win32Status status) override {
    switch (status) {
      case kErrorFileNotFound: return L"File not found.";
      case kErrorPathNotFound: return L"Path not found.";
      case kErrorAccessDenied: return L"Access denied.";
      case kErrorSharingViolation: return L"Sharing violation.";
      case kErrorDiskFull: return L"Disk full.";
      default: return L"";
    }
  }
};

}  // namespace platform::doubles
