// Key paths of any shape through OpenKeyPath, against the double: no crash,
// no sanitizer report, and no handle left open but the one returned.
//
// Input: one control byte (bit 0 createMissing, bit 1 full access instead of
// read, bits 2-4 pick an open or create call to fail with bits 5-7 choosing
// the status), then the path, one character per byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "modreg/fuzz/fuzz_support.h"
#include "modreg/modreg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = data[0];
  std::wstring path;
  path.reserve(size - 1);
  for (std::size_t i = 1; i < size; ++i) path.push_back(static_cast<wchar_t>(data[i]));

  platform::doubles::FakeRegistry registry;
  fuzz::Populate(registry);
  const int failAt = (control >> 2) & 7;
  static constexpr platform::RegStatus kStatuses[8] = {2, 5, 6, 87, 161, 234, 1010, 1018};
  if (failAt != 0) {
    const platform::RegStatus status = kStatuses[control >> 5];
    registry.FailCall((control & 0x80) ? platform::doubles::RegCall::Create
                                       : platform::doubles::RegCall::Open,
                      status, failAt);
  }
  fuzz::SilentDialogs dialogs;
  fuzz::InertProcess process;
  modreg::ModReg modReg(registry, dialogs, process);

  const bool createMissing = control & 1;
  const std::int32_t sam = (control & 2) ? 0xF003F : 0x20019;
  std::int32_t handle = -1;
  try {
    handle = modReg.OpenKeyPath(path, createMissing, sam);
  } catch (const modreg::RuntimeError& error) {
    // Only the 16-bit piece counter can raise, and before any registry call.
    FUZZ_CHECK(error.Number() == 6);
    FUZZ_CHECK(registry.Calls().empty());
    FUZZ_CHECK(registry.OpenHandles() == 0);
    return 0;
  }
  if (handle == -1) {
    FUZZ_CHECK(modReg.RegErrorRecord.Number != 0);
    FUZZ_CHECK(modReg.RegErrorRecord.Source == L"GestioneRegistro");
    FUZZ_CHECK(registry.OpenHandles() == 0);
    return 0;
  }
  const auto key = static_cast<platform::RegKey>(handle);
  if (handle == 0 || platform::IsPredefinedKey(key)) {
    FUZZ_CHECK(registry.OpenHandles() == 0);
  } else {
    FUZZ_CHECK(registry.OpenHandles() == 1);
  }
  FUZZ_CHECK(handle == 0 || modReg.CloseKey(handle) == 0);
  FUZZ_CHECK(registry.OpenHandles() == 0);
  return 0;
}
