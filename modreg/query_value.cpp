// Reading one value: a size query, a read into a buffer of that size, the
// three forms, and the key closed again on every way out.
#include <algorithm>
#include <string>
#include <vector>

#include "modreg/modreg.h"
#include "modreg/value_forms.h"
#include "platform/codepage.h"

namespace modreg {
namespace {

constexpr std::int32_t kFailed = -1;
constexpr platform::RegStatus kMoreData = 234;

// Closes the key through CloseKey when the query ends, a runtime error
// included; a failed close records itself and changes no result.
class ClosesKey {
 public:
  ClosesKey(ModReg& modReg, std::int32_t handle) noexcept : modReg_(modReg), handle_(handle) {}
  ~ClosesKey() { static_cast<void>(modReg_.CloseKey(handle_)); }
  ClosesKey(const ClosesKey&) = delete;
  ClosesKey& operator=(const ClosesKey&) = delete;

 private:
  ModReg& modReg_;
  std::int32_t handle_;
};

}  // namespace

std::int32_t ModReg::QueryValue(const std::wstring& keyPath, std::wstring& valueName,
                                RegValue& result, const ResultKind& resultKind) {
  ClearRegError();
  const std::int32_t handle =
      OpenKeyPath(keyPath, false, static_cast<std::int32_t>(platform::kKeyRead));
  if (handle == kFailed) return kFailed;
  const ClosesKey closes(*this, handle);
  const auto key = static_cast<platform::RegKey>(handle);

  // The name goes out in 8-bit text and is written back as it came through.
  const std::string name = platform::ToAnsi(valueName);

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  platform::RegStatus status = registry_.QueryValueExA(key, name.c_str(), &type, nullptr, &size);
  valueName = platform::FromAnsi(name);
  if (status != 0 && status != kMoreData) {
    SetRegErrorWin32(status);
    return kFailed;
  }

  // A space-filled buffer of the size just reported.  It always has storage,
  // so even an empty one is a buffer and never the size query again.
  const std::size_t reserved = size;
  std::vector<std::uint8_t> buffer(std::max<std::size_t>(reserved, 1), ' ');
  std::uint32_t written = size;
  status = registry_.QueryValueExA(key, name.c_str(), &type, buffer.data(), &written);
  valueName = platform::FromAnsi(name);
  if (status != 0) {
    SetRegErrorWin32(status);
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
