// The controls every double shares (call_script.h), through each double that
// has them: a scripted failure hits exactly the calls it names and changes
// nothing else, an action runs just before its call, and every call is
// logged with its arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/doubles/fake_files.h"
#include "platform/doubles/fake_registry.h"
#include "platform/doubles/fake_resources.h"

namespace platform::doubles {
namespace {

constexpr SecurityAttributes kNoSecurity{};
constexpr char kInstall[] = "Software\\Velto\\Installazione";

std::vector<std::byte> Bytes(std::size_t n) { return std::vector<std::byte>(n, std::byte{7}); }

// A registry holding the maker's key and value.
struct MakerRegistry {
  MakerRegistry() {
    reg.SetValue(kHkeyLocalMachine, kInstall, "strPath", kRegSz, std::string("C:\\Velto\\\0", 10));
  }
  RegKey Open(const char* path) {
    RegKey key = 0;
    EXPECT_EQ(reg.OpenKeyExA(kHkeyLocalMachine, path, 0, kKeyRead, &key), 0);
    return key;
  }
  FakeRegistry reg;
};

TEST(DoubleControls, FailCallHitsOnlyTheNthNextCallAndChangesNothing) {
  FakeFileSystem fs;
  fs.PutFile(L"C:\\d\\a", Bytes(1));
  fs.PutFile(L"C:\\d\\b", Bytes(1));
  fs.FailCall(FileOp::Delete, kErrorAccessDenied, 2);
  EXPECT_EQ(fs.Delete(L"C:\\d\\a"), kErrorSuccess);
  EXPECT_EQ(fs.Delete(L"C:\\d\\b"), kErrorAccessDenied);
  EXPECT_TRUE(fs.Exists(L"C:\\d\\b"));
  EXPECT_EQ(fs.Delete(L"C:\\d\\b"), kErrorSuccess) << "only once";

  MakerRegistry machine;
  FakeRegistry& reg = machine.reg;
  reg.FailCall(RegCall::Open, 5, 2);
  const RegKey a = machine.Open("Software");
  RegKey b = 0xdeadbeef;
  EXPECT_EQ(reg.OpenKeyExA(kHkeyLocalMachine, "Software", 0, kKeyRead, &b), 5);
  EXPECT_EQ(b, 0u);
  EXPECT_EQ(reg.OpenHandles(), 1);
  const RegKey c = machine.Open("Software");  // the third call is back to normal
  reg.FailCall(RegCall::Close, 1009);
  EXPECT_EQ(reg.CloseKey(a), 1009);
  EXPECT_EQ(reg.OpenHandles(), 2) << "a failed close leaves the key open";
  EXPECT_EQ(reg.CloseKey(a), 0);
  EXPECT_EQ(reg.CloseKey(c), 0);

  FakeResources resources;
  resources.Add(L"CUSTOM", 101, {std::byte{1}});
  Win32Status status = 0;
  resources.FailCall(ResourceCall::Find, kErrorNotEnoughMemory);
  EXPECT_FALSE(resources.Find(L"CUSTOM", 101, &status));
  EXPECT_EQ(status, kErrorNotEnoughMemory);
  EXPECT_TRUE(resources.Find(L"CUSTOM", 101, &status));
}

TEST(DoubleControls, FailCallCanGoOnForSomeOrEveryCallUntilCleared) {
  FakeResources resources;
  resources.Add(L"CUSTOM", 101, {std::byte{1}});
  resources.FailCall(ResourceCall::Find, kErrorNotEnoughMemory, 2, 2);
  std::vector<bool> found;
  for (int i = 0; i < 4; ++i) found.push_back(resources.Find(L"CUSTOM", 101, nullptr).has_value());
  EXPECT_EQ(found, (std::vector<bool>{true, false, false, true}));

  resources.FailCall(ResourceCall::Find, kErrorNotEnoughMemory, 1, -1);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(resources.Find(L"CUSTOM", 101, nullptr));
  resources.ClearFailures();
  EXPECT_TRUE(resources.Find(L"CUSTOM", 101, nullptr));
}

TEST(DoubleControls, FailOnNameMatchesWithoutRegardToCase) {
  FakeFileSystem fs;
  fs.PutFile(L"C:\\d\\a", Bytes(1));
  fs.FailOnName(FileOp::GetAttributes, L"c:\\D\\A", kErrorInvalidName);
  Win32Status status = 0;
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\a", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorInvalidName);
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\a", &status), kInvalidFileAttributes);
  fs.ClearFailures();
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\a", &status), kFileAttributeArchive);

  MakerRegistry machine;
  FakeRegistry& reg = machine.reg;
  reg.FailOnName(RegCall::Query, "STRPATH", 1012, 2);
  reg.FailOnName(RegCall::Open, "velto", 5);
  const RegKey key = machine.Open(kInstall);  // the name is the whole path
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, nullptr, &size), 1012);
  EXPECT_EQ(reg.QueryValueExA(key, "strpath", &type, nullptr, &size), 1012);
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, nullptr, &size), 0);
  EXPECT_EQ(size, 10u);
  const RegKey software = machine.Open("Software");
  RegKey velto = 0;
  EXPECT_EQ(reg.OpenKeyExA(software, "Velto", 0, kKeyRead, &velto), 5);
  EXPECT_EQ(reg.OpenKeyExA(software, "Velto", 0, kKeyRead, &velto), 5);
  reg.FailOnName(RegCall::Close, "installazione", 1013, 1);
  EXPECT_EQ(reg.CloseKey(key), 1013);
  EXPECT_EQ(reg.CloseKey(key), 0);
  EXPECT_EQ(reg.CloseKey(software), 0);

  FakeResources resources;
  resources.Add(L"CUSTOM", 101, {std::byte{1}});
  resources.FailOnName(ResourceCall::Find, L"custom", kErrorResourceDataNotFound, 1);
  EXPECT_FALSE(resources.Find(L"Custom", 101, &status));
  EXPECT_EQ(status, kErrorResourceDataNotFound);
  EXPECT_TRUE(resources.Find(L"Custom", 101, &status));
}

TEST(DoubleControls, BeforeCallRunsItsActionJustBeforeTheNthNextCall) {
  // The value grows between the size query and the read.
  MakerRegistry machine;
  FakeRegistry& reg = machine.reg;
  reg.BeforeCall(RegCall::Query, [&] {
    reg.SetValue(kHkeyLocalMachine, kInstall, "strPath", kRegSz,
                 std::string("D:\\Programmi\\Velto\\\0", 20));
  }, 2);
  const RegKey key = machine.Open(kInstall);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, nullptr, &size), 0);
  std::string buffer(size, ' ');
  EXPECT_EQ(reg.QueryValueExA(key, "strPath", &type, reinterpret_cast<std::uint8_t*>(buffer.data()), &size),
            234);
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(reg.CloseKey(key), 0);
}

TEST(DoubleControls, CallsLogEveryCallWithItsArguments) {
  FakeFileSystem fs;
  fs.MakeFolders(L"C:\\d");
  FileId id{};
  ASSERT_EQ(fs.CreateNew(L"C:\\d\\f", &id), kErrorSuccess);
  const char data[] = "abcdef";
  ASSERT_EQ(fs.Write(id, data, 6), kErrorSuccess);
  ASSERT_EQ(fs.Close(id), kErrorSuccess);
  ASSERT_EQ(fs.Calls().size(), 3u);
  EXPECT_EQ(fs.Calls()[1].op, FileOp::Write);
  EXPECT_EQ(fs.Calls()[1].data, data);
  EXPECT_EQ(fs.Calls()[1].size, 6u);
  EXPECT_EQ(fs.Calls()[1].path, L"C:\\d\\f");
  EXPECT_EQ(fs.CountCalls(FileOp::Close), 1);

  MakerRegistry machine;
  FakeRegistry& reg = machine.reg;
  const RegKey key = machine.Open("Software");
  RegKey same = 0;
  EXPECT_EQ(reg.OpenKeyExA(key, nullptr, 0, 0x20019, &same), 0);
  RegKey created = 0;
  std::uint32_t disposition = 0;
  ASSERT_EQ(reg.CreateKeyExA(key, "New", 0, "", kRegOptionNonVolatile, kKeyAllAccess, &kNoSecurity,
                             &created, &disposition), 0);
  EXPECT_EQ(reg.CloseKey(key), 0);
  EXPECT_EQ(reg.CloseKey(same), 0);
  EXPECT_EQ(reg.CloseKey(created), 0);
  const auto& log = reg.Calls();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0].call, RegCall::Open);
  EXPECT_EQ(log[0].key, kHkeyLocalMachine);
  EXPECT_EQ(log[0].name, "Software");
  EXPECT_EQ(log[0].handle, key);
  EXPECT_EQ(log[1].key, key);
  EXPECT_FALSE(log[1].name.has_value());
  EXPECT_EQ(log[1].samDesired, 0x20019u);
  EXPECT_EQ(log[2].call, RegCall::Create);
  EXPECT_EQ(log[2].options, kRegOptionNonVolatile);
  EXPECT_EQ(log[2].samDesired, kKeyAllAccess);
  EXPECT_EQ(log[3].call, RegCall::Close);
  EXPECT_EQ(log[4].key, same);
  EXPECT_EQ(reg.CountCalls(RegCall::Close), 3);

  FakeResources resources;
  resources.Add(L"CUSTOM", 101, {std::byte{1}});
  EXPECT_FALSE(resources.Find(L"custom", 102, nullptr));
  ASSERT_EQ(resources.Calls().size(), 1u);
  EXPECT_EQ(resources.Calls()[0].type, L"custom");
  EXPECT_EQ(resources.Calls()[0].id, 102);
  EXPECT_EQ(resources.Calls()[0].status, kErrorResourceNameNotFound);
}

}  // namespace
}  // namespace platform::doubles
