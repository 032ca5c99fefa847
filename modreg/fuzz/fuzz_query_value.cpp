// QueryValue's conversions over any stored type and data, against the
// double, including data that changes between the size query and the read:
// no crash, no sanitizer report, no handle left open, and only the runtime
// errors 5 and 6.
//
// Input: type byte, kind byte (signed), a byte whose low bits say where the
// data splits into what the size query sees and what the read finds (0: the
// value does not change), then the data.
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

#include "modreg/fuzz/fuzz_support.h"
#include "modreg/modreg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::uint32_t type = data[0] < 16 ? data[0] : data[0] * 0x01010101u;
  const modreg::ResultKind kind = static_cast<std::int8_t>(data[1]);
  const std::size_t split = data[2];
  const std::string payload(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::string before = split == 0 ? payload : payload.substr(0, std::min(split, payload.size()));
  const std::string after = split == 0 ? payload : payload.substr(std::min(split, payload.size()));

  platform::doubles::FakeRegistry registry;
  fuzz::Populate(registry);
  const char* const below = "Software\\Velto\\Installazione";
  registry.SetValue(platform::kHkeyLocalMachine, below, "strPath", type, before);
  if (split != 0) {
    registry.BeforeCall(platform::doubles::RegCall::Query, [&] {
      registry.SetValue(platform::kHkeyLocalMachine, below, "strPath", type, after);
    }, 2);
  }
  fuzz::SilentDialogs dialogs;
  fuzz::InertProcess process;
  modreg::ModReg modReg(registry, dialogs, process);

  std::wstring name = L"STRPATH";
  modreg::RegValue result = 7.0;
  try {
    const std::int32_t status = modReg.QueryValue(
        L"HKEY_LOCAL_MACHINE\\Software\\Velto\\Installazione", name, result, kind);
    FUZZ_CHECK(status == 0 || status == -1);
    if (status == -1 || after.empty()) {
      FUZZ_CHECK(std::holds_alternative<double>(result) && std::get<double>(result) == 7.0);
    }
    if (status == 0 && !after.empty()) {
      if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&result)) {
        FUZZ_CHECK(!bytes->empty() && bytes->size() <= after.size());
      }
      const auto* text = std::get_if<std::wstring>(&result);
      if (text != nullptr && type != platform::kRegBinary && type != platform::kRegDword) {
        FUZZ_CHECK(text->size() <= before.size());
      }
    }
  } catch (const modreg::RuntimeError& error) {
    FUZZ_CHECK(error.Number() == 5 || error.Number() == 6);
    FUZZ_CHECK(type == platform::kRegDword);
    FUZZ_CHECK(std::holds_alternative<double>(result) && std::get<double>(result) == 7.0);
  }
  FUZZ_CHECK(registry.OpenHandles() == 0);
  return 0;
}
