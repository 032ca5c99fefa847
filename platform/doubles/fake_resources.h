#pragma once
// Resources held in memory: Find hands out a view of the stored bytes, the
// way the real one hands out a view of the mapped image.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/resources.h"

namespace platform::doubles {

class FakeResources final : public Resources {
 public:
  void Add(const std::wstring& type, std::uint16_t id, std::vector<std::byte> bytes);
  // The next `count` lookups fail with `status`.
  void FailNext(Win32Status status, int count = 1);

  std::optional<std::span<const std::byte>> Find(const std::wstring& type, std::uint16_t id,
                                                 Win32Status* error) override;

  [[nodiscard]] int Lookups() const noexcept { return lookups_; }

 private:
  std::map<std::pair<std::wstring, std::uint16_t>, std::vector<std::byte>> resources_;
  Win32Status failStatus_ = kErrorSuccess;
  int failCount_ = 0;
  int lookups_ = 0;
};

}  // namespace platform::doubles
