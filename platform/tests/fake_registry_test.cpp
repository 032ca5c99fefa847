// What only the registry double has: the count of open handles that the
// module's tests rely on, and keys deleted under an open handle.  Its
// failures on demand and call log are tested in call_script_test.cpp.
#include <gtest/gtest.h>

#include "platform/doubles/fake_registry.h"

namespace platform::doubles {
namespace {

constexpr SecurityAttributes kNoSecurity{};

class FakeRegistryHandles : public ::testing::Test {
 protected:
  FakeRegistryHandles() {
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

TEST_F(FakeRegistryHandles, CountsEveryHandleUntilItIsClosed) {
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

TEST_F(FakeRegistryHandles, HandlesToADeletedKeyGoStaleButStillClose) {
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
