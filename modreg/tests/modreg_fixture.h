#pragma once
// The module on the in-memory registry, with scripted boxes; every test ends
// with no key handle left open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modreg/modreg.h"
#include "platform/doubles/fake_dialogs.h"
#include "platform/doubles/fake_process.h"
#include "platform/doubles/fake_registry.h"

namespace modreg::testing {

using platform::doubles::RegCall;
using platform::doubles::RegCallRecord;

class ModRegTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(registry.OpenHandles(), 0) << "a key handle leaked"; }

  void ExpectRecord(std::int32_t number, const std::wstring& description) const {
    EXPECT_EQ(modReg.RegErrorRecord.Number, number);
    EXPECT_EQ(modReg.RegErrorRecord.Description, description);
    EXPECT_EQ(modReg.RegErrorRecord.Source, L"GestioneRegistro");
  }
  void ExpectRecordEmpty() const {
    EXPECT_EQ(modReg.RegErrorRecord.Number, 0);
    EXPECT_EQ(modReg.RegErrorRecord.Description, L"");
    EXPECT_EQ(modReg.RegErrorRecord.Source, L"");
  }
  // Something to be overwritten, so a test sees that a reset happened.
  void DirtyRecord() { modReg.SetRegErrorCode(300); }

  [[nodiscard]] std::vector<RegCallRecord> CallsOf(RegCall call) const {
    std::vector<RegCallRecord> calls;
    for (const auto& record : registry.Calls()) {
      if (record.call == call) calls.push_back(record);
    }
    return calls;
  }

  platform::doubles::FakeRegistry registry;
  platform::doubles::FakeDialogs dialogs;
  platform::doubles::FakeProcess process;
  ModReg modReg{registry, dialogs, process};
};

inline constexpr std::int32_t kKeyRead = 0x20019;
inline constexpr std::int32_t kKeyAllAccess = 0xF003F;
inline const std::wstring kNotFoundText = L"La chiave/valore specificata/o non esiste";
inline const std::wstring kUnexpectedStatusText = L"Errore non previsto";

}  // namespace modreg::testing
