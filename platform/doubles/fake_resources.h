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

#include "platform/doubles/call_script.h"
#include "platform/resources.h"

namespace platform::doubles {

enum class ResourceCall { Find, LocateInFile };

// One lookup as the double saw it.
struct ResourceCallRecord {
  ResourceCall call = ResourceCall::Find;
  std::wstring type;
  std::uint16_t id = 0;
  Win32Status status = kErrorSuccess;
};

// Failures on demand (FailCall, FailOnName by resource type, BeforeCall) and
// the log of lookups (Calls, CountCalls) come from call_script.h.
class FakeResources final : public Resources,
                            public CallScript<ResourceCall, Win32Status, std::wstring>,
                            public CallLog<ResourceCallRecord> {
 public:
  void Add(const std::wstring& type, std::uint16_t id, std::vector<std::byte> bytes);
  // Where LocateInFile says a stored resource lies: at `offset` in the
  // image file `path` (which a test puts in its file double).  A resource
  // never placed is in no section's file data.
  void PlaceInFile(const std::wstring& type, std::uint16_t id, std::wstring path,
                   std::uint64_t offset);

  std::optional<std::span<const std::byte>> Find(const std::wstring& type, std::uint16_t id,
                                                 Win32Status* error) override;
  Win32Status LocateInFile(std::span<const std::byte> view, ImageFileRange* where) override;

 private:
  std::map<std::pair<std::wstring, std::uint16_t>, std::vector<std::byte>> resources_;
  std::map<std::pair<std::wstring, std::uint16_t>, ImageFileRange> placed_;
};

}  // namespace platform::doubles
