#pragma once
// The running executable's own resources.
#include "platform/resources.h"

namespace platform::win32 {

class Win32Resources final : public Resources {
 public:
  std::optional<std::span<const std::byte>> Find(const std::wstring& type, std::uint16_t id,
                                                 Win32Status* error) override;
  Win32Status LocateInFile(std::span<const std::byte> view, ImageFileRange* where) override;
};

}  // namespace platform::win32
