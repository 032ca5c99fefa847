// The double's own controls: failures on demand, the call log and the count
// of open handles that the module's tests rely on.
#include <gtest/gtest.h>

#include "platform/doubles/fake_registry.h"

namespace platform::doubles {
namespace {

constexpr SecurityAttributes kNoSecurity{};

class FakeRegistryControls : public ::testing::Test {
 protected:
  FakeRegistryControls() {
    reg.SetValue(kHkeyLocalMachine, "Software\\Velto\\Installazione", "strPath", kRegSz,
                 std::string("C:\\Velto\\\0", 10));
  }
  RegKey Open(const char* path) {
    RegKey key = 0;
    EXPECT_EQ(reg.OpenKeyExA(kHkeyLocalMachine, path, 0, kKeyRead, &key), 0);
    return key;
  }
  FakeRegistry reg;
};

TEST_F(FakeRegistryControls, CountsEveryHandleUntilItIsClosed) {
  EXPECT_EQ(reg.OpenHandles(), 0);
  const RegKey a = Open("Software");
  const RegKey b = Open("Software\\Velto");
  RegKey c = 0;
  std::uint32_t disposition = 0;
  ASSERT_EQ(reg.CreateKeyExA(kHkeyLocalMachine, "Software\\New", 0, "", 0, kKeyAllAccess, &kNoSecurity, &c, &disposition), 0);
  EXPECT_EQ(reg.OpenHandles(), 3);
  RegKey root = 0;
  ASSERT_EQ(reg.OpenKeyExA(kHkeyLocalMachine, nullptr, 0, kKeyRead, &root), 0);
  EXPECT_EQ(reg.OpenHandles(), 3) << "a root is not a handle of its own";
  for (RegKey key : {a, b, c}) EXPECT_EQ(reg.CloseKey(key), 0);
  EXPECT_EQ(reg.OpenHandles(), 0);
  EXPECT_EQ(reg.CountCalls(RegCall::Open), 3);
  EXPECT_EQ(reg.CountCalls(RegCall::Create), 1);
  EXPECT_EQ(reg.CountCalls(RegCall::Close), 3);
}

TEST_F(FakeRegistryControls, FailsTheNthCallOfAKindOnceWithoutOtherEffect) {
  reg.FailCall(RegCall::Open, 5, 2);
  const RegKey a = Open("Software");
  RegKey b = 0xdeadbeef;
  EXPECT_EQ(reg.OpenKeyExA(kHkeyLocalMachine, "Software", 0, kKeyRead, &b), 5);
  EXPECT_EQ(b, 0u);
  EXPECT_EQ(reg.OpenHandles(), 1);
  const RegKey c = Open("Software");  // the third call is back to normal
  reg.FailCall(RegCall::Close, 1009);
  EXPECT_EQ(reg.CloseKey(a), 1009);
  EXPECT_EQ(reg.OpenHandles(), 2) << "a failed close leaves the key open";
  EXPECT_EQ(reg.CloseKey(a), 0);
  EXPECT_EQ(reg.CloseKey(c), 0);
}

TEST_F(FakeRegistryControls, FailsCallsByNameWithoutRegardToCase) {
  reg.FailOnName(RegCall::Query, "STRPATH", 1012, 2);
  reg.FailOnName(RegCall::Open, "velto", 5);
  const RegKey key = Open("Software\\Velto\\Installazione");  // the name is the whole path
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, nullptr, &size), 1012);
  EXPECT_EQ(reg.QueryValueExA(key, "strpath", &type, nullptr, &size), 1012);
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, nullptr, &size), 0);
  EXPECT_EQ(size, 10u);
  const RegKey software = Open("Software");
  RegKey velto = 0;
  EXPECT_EQ(reg.OpenKeyExA(software, "Velto", 0, kKeyRead, &velto), 5);
  EXPECT_EQ(reg.OpenKeyExA(software, "Velto", 0, kKeyRead, &velto), 5);
  reg.FailOnName(RegCall::Close, "installazione", 1013, 1);
  EXPECT_EQ(reg.CloseKey(key), 1013);
  EXPECT_EQ(reg.CloseKey(key), 0);
  EXPECT_EQ(reg.CloseKey(software), 0);
}

TEST_F(FakeRegistryControls, RunsAnActionBeforeTheNthCall) {
  // The value grows between the size query and the read.
  reg.BeforeCall(RegCall::Query, [&] {
    reg.SetValue(kHkeyLocalMachine, "Software\\Velto\\Installazione", "strPath", kRegSz,
                 std::string("D:\\Programmi\\Velto\\\0", 20));
  }, 2);
  const RegKey key = Open("Software\\Velto\\Installazione");
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, nullptr, &size), 0);
  std::string buffer(size, ' ');
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, reinterpret_cast<std::uint8_t*>(buffer.data()), &size),
            234);
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(reg.CloseKey(key), 0);
}

TEST_F(FakeRegistryControls, LogsEveryCallWithItsArguments) {
  const RegKey key = Open("Software");
  RegKey same = 0;
  EXPECT_EQ(reg.OpenKeyExA(key, nullptr, 0, 0x20019, &same), 0);
  EXPECT_EQ(reg.CloseKey(key), 0);
  EXPECT_EQ(reg.CloseKey(same), 0);
  const auto& log = reg.Calls();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].call, RegCall::Open);
  EXPECT_EQ(log[0].key, kHkeyLocalMachine);
  EXPECT_EQ(log[0].name, "Software");
  EXPECT_EQ(log[0].handle, key);
  EXPECT_EQ(log[1].key, key);
  EXPECT_FALSE(log[1].name.has_value());
  EXPECT_EQ(log[1].samDesired, 0x20019u);
  EXPECT_EQ(log[2].call, RegCall::Close);
  EXPECT_EQ(log[3].key, same);
}

TEST_F(FakeRegistryControls, HandlesToADeletedKeyGoStaleButStillClose) {
  const RegKey key = Open("Software\\Velto\\Installazione");
  ASSERT_TRUE(reg.DeleteTree(kHkeyLocalMachine, "Software\\Velto"));
  EXPECT_FALSE(reg.KeyExists(kHkeyLocalMachine, "Software\\Velto\\Installazione"));
  EXPECT_TRUE(reg.KeyExists(kHkeyLocalMachine, "Software"));
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, nullptr, &size), 1018);
  EXPECT_EQ(reg.CloseKey(key), 0);
}

}  // namespace
}  // namespace platform::doubles
