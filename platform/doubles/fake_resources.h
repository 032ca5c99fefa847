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
  // Where LocateInFile says a stored resource lies: at `offset` in the
  // image file `path` (which a test puts in its file double).  A resource
  // never placed is in no section's file data.
  void PlaceInFile(const std::wstring& type, std::uint16_t id, std::wstring path,
                   std::uint64_t offset);
  // The next `count` LocateInFile calls fail with `status`.
  void FailNextLocate(Win32Status status, int count = 1);

  std::optional<std::span<const std::byte>> Find(const std::wstring& type, std::uint16_t id,
                                                 Win32Status* error) override;
  Win32Status LocateInFile(std::span<const std::byte> view, ImageFileRange* where) override;

  [[nodiscard]] int Lookups() const noexcept { return lookups_; }

 private:
  std::map<std::pair<std::wstring, std::uint16_t>, std::vector<std::byte>> resources_;
  std::map<std::pair<std::wstring, std::uint16_t>, ImageFileRange> placed_;
  Win32Status failLocateStatus_ = kErrorSuccess;
  int failLocateCount_ = 0;
  Win32Status failStatus_ = kErrorSuccess;
  int failCount_ = 0;
  int lookups_ = 0;
};

}  // namespace platform::doubles
