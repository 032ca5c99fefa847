#include "modreg/query_value.h"

#include <algorithm>
#include <vector>

#include "modreg/value_forms.h"
#include "platform/codepage.h"
#include "platform/status.h"

namespace modreg {
namespace {

constexpr std::int32_t kFailed = -1;

// Closes the key through CloseKey when the query ends, a runtime error
// included; a failed close records itself and changes no result.
class ClosesKey {
 public:
  ClosesKey(KeyWalk& keys, std::int32_t handle) noexcept : keys_(keys), handle_(handle) {}
  ~ClosesKey() { static_cast<void>(keys_.CloseKey(handle_)); }
  ClosesKey(const ClosesKey&) = delete;
  ClosesKey& operator=(const ClosesKey&) = delete;

 private:
  KeyWalk& keys_;
  std::int32_t handle_;
};

}  // namespace

std::int32_t QueryValue(KeyWalk& keys, const std::wstring& keyPath, std::wstring& valueName,
                        RegValue& result, const ResultKind& resultKind) {
  platform::Registry& registry = keys.Registry();
  RegErrorRecordT& record = keys.Record();
  ClearRegError(record);
  const std::int32_t handle =
      keys.OpenKeyPath(keyPath, false, static_cast<std::int32_t>(platform::kKeyRead));
  if (handle == kFailed) return kFailed;
  const ClosesKey closes(keys, handle);
  const auto key = static_cast<platform::RegKey>(handle);

  // The name goes out in 8-bit text and is written back as it came through.
  const std::string name = platform::ToAnsi(valueName);

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  platform::RegStatus status = registry.QueryValueExA(key, name.c_str(), &type, nullptr, &size);
  valueName = platform::FromAnsi(name);
  if (!platform::IsSuccess(status) && !platform::IsMoreData(status)) {
    SetRegErrorWin32(record, status);
    return kFailed;
  }

  // A space-filled buffer of the size just reported.  It always has storage,
  // so even an empty one is a buffer and never the size query again.
  const std::size_t reserved = size;
  std::vector<std::uint8_t> buffer(std::max<std::size_t>(reserved, 1), ' ');
  std::uint32_t written = size;
  status = registry.QueryValueExA(key, name.c_str(), &type, buffer.data(), &written);
  valueName = platform::FromAnsi(name);
  if (!platform::IsSuccess(status)) {
    SetRegErrorWin32(record, status);
    return kFailed;
  }
  buffer.resize(reserved);
  // The registry never reports more than it was given room for; should it,
  // only the buffer is converted.
  const std::size_t n = std::min<std::size_t>(written, reserved);
  if (n == 0) return 0;

  result = SelectForm(ConvertValue(type, buffer, n), resultKind, type);
  return 0;
}

}  // namespace modreg
