// What the registry module relies on from the four 8-bit calls, checked the
// same way against the in-memory double and against advapi32.  Outputs are
// pre-filled with junk so that a call that forgets to write, or writes too
// much, is caught.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "platform/tests/registry_world.h"
#include "platform/tests/scratch_key.h"

namespace platform::testing {
namespace {

constexpr std::uint32_t kJunk = 0xdeadbeef;
constexpr std::uint8_t kGuard = 0xAB;
constexpr RegStatus kOk = 0;
constexpr RegStatus kNotFound = 2;
constexpr RegStatus kAccessDenied = 5;
constexpr RegStatus kInvalidHandle = 6;
constexpr RegStatus kBadPathname = 161;
constexpr RegStatus kMoreData = 234;
constexpr SecurityAttributes kNoSecurity{};

class RegistryContract : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(world_->OpenHandles(), 0) << "a handle was left open"; }

  RegKey Open(RegKey parent, const char* name, std::uint32_t sam = kKeyAllAccess) {
    RegKey key = kJunk;
    EXPECT_EQ(reg_.OpenKeyExA(parent, name, 0, sam, &key), kOk) << (name ? name : "(null)");
    return key;
  }
  RegKey OpenScratch(std::uint32_t sam = kKeyAllAccess) {
    return Open(kHkeyCurrentUser, scratch_.Path().c_str(), sam);
  }
  void Set(const std::string& name, std::uint32_t type, std::string_view data) {
    ASSERT_EQ(admin_.SetValue(kHkeyCurrentUser, scratch_.Path(), name, type, data), kOk);
  }
  void Close(RegKey key) { EXPECT_EQ(reg_.CloseKey(key), kOk); }
  RegStatus Create(RegKey parent, const char* name, RegKey* key, std::uint32_t* disposition,
                   std::uint32_t sam = kKeyAllAccess) {
    return reg_.CreateKeyExA(parent, name, 0, "", kRegOptionNonVolatile, sam, &kNoSecurity, key,
                             disposition);
  }

  std::unique_ptr<RegistryWorld> world_ = MakeRegistryWorld();
  Registry& reg_ = world_->Api();
  RegistryAdmin& admin_ = world_->Admin();
  ScratchKey scratch_{admin_};
};

// A buffer with guard bytes all around its data.
struct Buffer {
  std::array<std::uint8_t, 64> bytes;
  Buffer() { bytes.fill(kGuard); }
  std::uint8_t* data() { return bytes.data(); }
  [[nodiscard]] bool UntouchedFrom(std::size_t from) const {
    for (std::size_t i = from; i < bytes.size(); ++i) {
      if (bytes[i] != kGuard) return false;
    }
    return true;
  }
  [[nodiscard]] std::string Head(std::size_t n) const {
    return std::string(reinterpret_cast<const char*>(bytes.data()), n);
  }
};

const std::string kFolder("C:\\Program Files\\Foo\0", 21);

// ---------------------------------------------------------------- queries

TEST_F(RegistryContract, SizeQueryReportsTypeAndTheExactSizeWithTheNul) {
  Set("Path", kRegSz, kFolder);
  const RegKey key = OpenScratch(kKeyRead);
  std::uint32_t type = kJunk, size = 0;
  EXPECT_EQ(reg_.QueryValueExA(key, "Path", &type, nullptr, &size), kOk);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 21u);
  // The type may be left out.
  size = 0;
  EXPECT_EQ(reg_.QueryValueExA(key, "Path", nullptr, nullptr, &size), kOk);
  EXPECT_EQ(size, 21u);
  Close(key);
}

TEST_F(RegistryContract, TooSmallBufferIsLeftUntouchedAndTheSizeNeededReported) {
  Set("Path", kRegSz, kFolder);
  Set("Blob", kRegBinary, std::string("\x01\x02\x03\x04\x05\x06", 6));
  const RegKey key = OpenScratch(kKeyRead);
  for (const char* name : {"Path", "Blob"}) {
    Buffer buffer;
    std::uint32_t type = kJunk, size = 5;
    EXPECT_EQ(reg_.QueryValueExA(key, name, &type, buffer.data(), &size), kMoreData) << name;
    EXPECT_TRUE(buffer.UntouchedFrom(0)) << name;
    EXPECT_EQ(size, std::string(name) == "Path" ? 21u : 6u) << name;
    EXPECT_EQ(type, std::string(name) == "Path" ? kRegSz : kRegBinary) << name;
  }
  Close(key);
}

TEST_F(RegistryContract, ExactBufferReceivesExactlyTheData) {
  Set("Path", kRegSz, kFolder);
  const RegKey key = OpenScratch(kKeyRead);
  Buffer buffer;
  std::uint32_t type = kJunk, size = 21;
  EXPECT_EQ(reg_.QueryValueExA(key, "Path", &type, buffer.data(), &size), kOk);
  EXPECT_EQ(buffer.Head(21), kFolder);
  EXPECT_TRUE(buffer.UntouchedFrom(21));
  EXPECT_EQ(size, 21u);
  EXPECT_EQ(type, kRegSz);
  Close(key);
}

TEST_F(RegistryContract, StringWithoutNulGetsOneWhenTheBufferHasRoom) {
  // NT appends the missing NUL to string types only, and only past the data:
  // the size reported stays the stored one.
  for (std::uint32_t type : {kRegSz, kRegExpandSz, kRegMultiSz}) {
    Set("Bare", type, "abc");
    const RegKey key = OpenScratch(kKeyRead);
    Buffer buffer;
    std::uint32_t got = kJunk, size = 8;
    EXPECT_EQ(reg_.QueryValueExA(key, "Bare", &got, buffer.data(), &size), kOk);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buffer.Head(4), std::string("abc\0", 4)) << "type " << type;
    EXPECT_TRUE(buffer.UntouchedFrom(4)) << "type " << type;
    // Without room nothing is added.
    Buffer exact;
    size = 3;
    EXPECT_EQ(reg_.QueryValueExA(key, "Bare", &got, exact.data(), &size), kOk);
    EXPECT_EQ(exact.Head(3), "abc");
    EXPECT_TRUE(exact.UntouchedFrom(3));
    Close(key);
  }
}

TEST_F(RegistryContract, OtherTypesWithoutNulGetNothingAppended) {
  for (std::uint32_t type : {kRegNone, kRegBinary, kRegDword, kRegQword}) {
    Set("Raw", type, "abc");
    const RegKey key = OpenScratch(kKeyRead);
    Buffer buffer;
    std::uint32_t got = kJunk, size = 8;
    EXPECT_EQ(reg_.QueryValueExA(key, "Raw", &got, buffer.data(), &size), kOk);
    EXPECT_EQ(got, type);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(buffer.Head(3), "abc");
    EXPECT_TRUE(buffer.UntouchedFrom(3)) << "type " << type;
    Close(key);
  }
}

TEST_F(RegistryContract, ValueNamesMatchWithoutRegardToCase) {
  Set("ProgramFilesDir", kRegSz, kFolder);
  const RegKey key = OpenScratch(kKeyRead);
  for (const char* name : {"PROGRAMFILESDIR", "programfilesdir", "ProgramFilesDir"}) {
    std::uint32_t type = kJunk, size = 0;
    EXPECT_EQ(reg_.QueryValueExA(key, name, &type, nullptr, &size), kOk) << name;
    EXPECT_EQ(size, 21u);
  }
  Close(key);
}

TEST_F(RegistryContract, MissingValueIsNotFoundWithTypeNoneAndNothingElseWritten) {
  Set("Other", kRegSz, kFolder);
  const RegKey key = OpenScratch(kKeyRead);
  std::uint32_t type = kJunk, size = 0;
  EXPECT_EQ(reg_.QueryValueExA(key, "strPath", &type, nullptr, &size), kNotFound);
  EXPECT_EQ(type, kRegNone);
  EXPECT_EQ(size, 0u);
  Buffer buffer;
  size = 16;
  type = kJunk;
  EXPECT_EQ(reg_.QueryValueExA(key, "strPath", &type, buffer.data(), &size), kNotFound);
  EXPECT_EQ(type, kRegNone);
  EXPECT_EQ(size, 16u);
  EXPECT_TRUE(buffer.UntouchedFrom(0));
  Close(key);
}

TEST_F(RegistryContract, EmptyDataReportsZeroBytes) {
  Set("Empty", kRegSz, "");
  Set("Nothing", kRegBinary, "");
  const RegKey key = OpenScratch(kKeyRead);
  for (const char* name : {"Empty", "Nothing"}) {
    std::uint32_t type = kJunk, size = 0;
    EXPECT_EQ(reg_.QueryValueExA(key, name, &type, nullptr, &size), kOk);
    EXPECT_EQ(size, 0u);
    Buffer buffer;
    type = kJunk;
    EXPECT_EQ(reg_.QueryValueExA(key, name, &type, buffer.data(), &size), kOk);
    EXPECT_EQ(size, 0u);
    EXPECT_NE(type, kJunk);
    EXPECT_TRUE(buffer.UntouchedFrom(0)) << name;
  }
  Close(key);
}

TEST_F(RegistryContract, DwordsComeBackRawWhateverTheirSize) {
  Set("Four", kRegDword, std::string("\x02\x01\x00\x00", 4));
  Set("Three", kRegDword, std::string("\xFF\x00\x01", 3));
  const RegKey key = OpenScratch(kKeyRead);
  Buffer buffer;
  std::uint32_t type = kJunk, size = 4;
  EXPECT_EQ(reg_.QueryValueExA(key, "Four", &type, buffer.data(), &size), kOk);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(buffer.Head(4), std::string("\x02\x01\x00\x00", 4));
  Buffer odd;
  size = 3;
  EXPECT_EQ(reg_.QueryValueExA(key, "Three", &type, odd.data(), &size), kOk);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(odd.Head(3), std::string("\xFF\x00\x01", 3));
  EXPECT_TRUE(odd.UntouchedFrom(3));
  Close(key);
}

TEST_F(RegistryContract, MultiStringKeepsEveryNul) {
  const std::string multi("a\0b\0\0", 5);
  Set("Multi", kRegMultiSz, multi);
  const RegKey key = OpenScratch(kKeyRead);
  Buffer buffer;
  std::uint32_t type = kJunk, size = 0;
  EXPECT_EQ(reg_.QueryValueExA(key, "Multi", &type, nullptr, &size), kOk);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(reg_.QueryValueExA(key, "Multi", &type, buffer.data(), &size), kOk);
  EXPECT_EQ(buffer.Head(5), multi);
  EXPECT_TRUE(buffer.UntouchedFrom(5));
  Close(key);
}

TEST_F(RegistryContract, NullAndEmptyValueNamesBothMeanTheDefaultValue) {
  const RegKey key = OpenScratch(kKeyRead);
  std::uint32_t type = kJunk, size = 0;
  EXPECT_EQ(reg_.QueryValueExA(key, nullptr, &type, nullptr, &size), kNotFound);
  Set("", kRegSz, std::string("dflt\0", 5));
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    size = 0;
    EXPECT_EQ(reg_.QueryValueExA(key, name, &type, nullptr, &size), kOk);
    EXPECT_EQ(size, 5u);
  }
  Close(key);
}

TEST_F(RegistryContract, EightBitCharactersSurviveTheRoundTrip) {
  const std::string text("caff\xE8\0", 6);
  Set("Accented", kRegSz, text);
  const RegKey key = OpenScratch(kKeyRead);
  Buffer buffer;
  std::uint32_t type = kJunk, size = 6;
  EXPECT_EQ(reg_.QueryValueExA(key, "ACCENTED", &type, buffer.data(), &size), kOk);
  EXPECT_EQ(buffer.Head(6), text);
  Close(key);
}

TEST_F(RegistryContract, QueryNeedsAValidHandleWithTheRightToQuery) {
  Set("Path", kRegSz, kFolder);
  std::uint32_t type = kJunk, size = 7;
  // A null handle is refused before anything is written; past that, a
  // failure reports the type REG_NONE, and a refused access a size of 0.
  EXPECT_EQ(reg_.QueryValueExA(0, "Path", &type, nullptr, &size), kInvalidHandle);
  EXPECT_EQ(type, kJunk);
  EXPECT_EQ(reg_.QueryValueExA(0x4321, "Path", &type, nullptr, &size), kInvalidHandle);
  EXPECT_EQ(type, kRegNone);
  const RegKey closed = OpenScratch(kKeyRead);
  Close(closed);
  type = kJunk;
  EXPECT_EQ(reg_.QueryValueExA(closed, "Path", &type, nullptr, &size), kInvalidHandle);
  EXPECT_EQ(type, kRegNone);
  for (std::uint32_t sam : {0x0004u, 0u}) {  // KEY_CREATE_SUB_KEY alone, no right at all
    const RegKey limited = OpenScratch(sam);
    type = kJunk;
    size = 7;
    EXPECT_EQ(reg_.QueryValueExA(limited, "Path", &type, nullptr, &size), kAccessDenied);
    EXPECT_EQ(type, kRegNone);
    EXPECT_EQ(size, 0u);
    Close(limited);
  }
}

// ---------------------------------------------------------------- opens

TEST_F(RegistryContract, MissingSubkeyIsNotFoundWithANullHandle) {
  const RegKey scratch = OpenScratch();
  RegKey key = kJunk;
  EXPECT_EQ(reg_.OpenKeyExA(scratch, "Missing", 0, kKeyRead, &key), kNotFound);
  EXPECT_EQ(key, 0u);
  Close(scratch);
}

TEST_F(RegistryContract, SubkeyNamesMatchWithoutRegardToCase) {
  ASSERT_EQ(admin_.CreateKey(kHkeyCurrentUser, scratch_.Path() + "\\Installazione"), kOk);
  const RegKey scratch = OpenScratch();
  Close(Open(scratch, "INSTALLAZIONE", kKeyRead));
  Close(Open(scratch, "installazione", kKeyRead));
  Close(scratch);
}

TEST_F(RegistryContract, NoNameOnAnOpenKeyGivesASeparateHandleToTheSameKey) {
  Set("Path", kRegSz, kFolder);
  for (const char* none : {static_cast<const char*>(nullptr), ""}) {
    const RegKey scratch = OpenScratch(kKeyRead);
    const RegKey again = Open(scratch, none, kKeyRead);
    EXPECT_NE(again, scratch);
    EXPECT_FALSE(IsPredefinedKey(again));
    Close(scratch);
    // The new handle outlives the one it was opened from.
    std::uint32_t type = kJunk, size = 0;
    EXPECT_EQ(reg_.QueryValueExA(again, "Path", &type, nullptr, &size), kOk);
    EXPECT_EQ(size, 21u);
    Close(again);
  }
}

TEST_F(RegistryContract, NoNameOnARootGivesTheRootItself) {
  for (RegKey root : {kHkeyCurrentUser, kHkeyLocalMachine, kHkeyClassesRoot}) {
    for (const char* none : {static_cast<const char*>(nullptr), ""}) {
      RegKey key = kJunk;
      EXPECT_EQ(reg_.OpenKeyExA(root, none, 0, kKeyRead, &key), kOk);
      EXPECT_EQ(key, root);
    }
  }
}

TEST_F(RegistryContract, OneCallOpensSeveralLevels) {
  ASSERT_EQ(admin_.CreateKey(kHkeyCurrentUser, scratch_.Path() + "\\A\\B"), kOk);
  const RegKey scratch = OpenScratch();
  Close(Open(scratch, "a\\b", kKeyRead));
  Close(Open(scratch, "A\\\\B", kKeyRead));
  Close(Open(scratch, "A\\B\\", kKeyRead));
  Close(Open(kHkeyCurrentUser, (scratch_.Path() + "\\a\\B").c_str(), kKeyRead));
  Close(scratch);
}

TEST_F(RegistryContract, LeadingBackslashIsABadPath) {
  ASSERT_EQ(admin_.CreateKey(kHkeyCurrentUser, scratch_.Path() + "\\A"), kOk);
  const RegKey scratch = OpenScratch();
  RegKey key = kJunk;
  EXPECT_EQ(reg_.OpenKeyExA(scratch, "\\A", 0, kKeyRead, &key), kBadPathname);
  EXPECT_EQ(key, 0u);
  Close(scratch);
}

TEST_F(RegistryContract, BogusParentIsAnInvalidHandle) {
  RegKey key = kJunk;
  EXPECT_EQ(reg_.OpenKeyExA(0x4321, "Software", 0, kKeyRead, &key), kInvalidHandle);
  EXPECT_EQ(key, 0u);
  // A null parent is refused before the out handle is written.
  key = kJunk;
  EXPECT_EQ(reg_.OpenKeyExA(0, "Software", 0, kKeyRead, &key), kInvalidHandle);
  EXPECT_EQ(key, kJunk);
}

TEST_F(RegistryContract, LongNamesAreRefusedByLevelAndByWholeArgument) {
  const RegKey scratch = OpenScratch();
  // One level may hold 256 characters.
  const std::string longest(256, 'k');
  RegKey key = kJunk;
  std::uint32_t disposition = kJunk;
  ASSERT_EQ(Create(scratch, longest.c_str(), &key, &disposition), kOk);
  Close(key);
  Close(Open(scratch, longest.c_str(), kKeyRead));
  const std::string tooLong(257, 'k');
  key = kJunk;
  EXPECT_EQ(reg_.OpenKeyExA(scratch, tooLong.c_str(), 0, kKeyRead, &key), 87);
  EXPECT_EQ(key, 0u);
  key = kJunk;
  disposition = kJunk;
  EXPECT_EQ(Create(scratch, tooLong.c_str(), &key, &disposition), 87);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(disposition, kJunk);
  // The level is judged when the walk reaches it: a missing level before it
  // is simply not found.
  EXPECT_EQ(reg_.OpenKeyExA(scratch, ("No\\" + tooLong).c_str(), 0, kKeyRead, &key), kNotFound);
  // The whole subkey argument may hold 260 bytes; beyond that the call fails
  // with 234 and leaves the out arguments alone.
  const std::string twoLevels = std::string(200, 'a') + "\\" + std::string(59, 'b');
  ASSERT_EQ(Create(scratch, twoLevels.c_str(), &key, &disposition), kOk);
  Close(key);
  Close(Open(scratch, twoLevels.c_str(), kKeyRead));
  const std::string over = twoLevels + "b";
  key = kJunk;
  disposition = kJunk;
  EXPECT_EQ(reg_.OpenKeyExA(scratch, over.c_str(), 0, kKeyRead, &key), kMoreData);
  EXPECT_EQ(key, kJunk);
  EXPECT_EQ(Create(scratch, over.c_str(), &key, &disposition), kMoreData);
  EXPECT_EQ(key, kJunk);
  EXPECT_EQ(disposition, kJunk);
  Close(scratch);
}

// ---------------------------------------------------------------- creation

TEST_F(RegistryContract, CreateMakesANewKeyThenOpensTheExistingOne) {
  const RegKey scratch = OpenScratch();
  RegKey key = kJunk;
  std::uint32_t disposition = kJunk;
  ASSERT_EQ(Create(scratch, "Velto", &key, &disposition), kOk);
  EXPECT_EQ(disposition, 1u);  // REG_CREATED_NEW_KEY
  EXPECT_FALSE(IsPredefinedKey(key));
  EXPECT_NE(key, 0u);
  Close(key);
  EXPECT_TRUE(admin_.KeyExists(kHkeyCurrentUser, scratch_.Path() + "\\Velto"));
  key = kJunk;
  disposition = kJunk;
  ASSERT_EQ(Create(scratch, "VELTO", &key, &disposition), kOk);
  EXPECT_EQ(disposition, 2u);  // REG_OPENED_EXISTING_KEY
  Close(key);
  Close(scratch);
}

TEST_F(RegistryContract, CreateMakesEveryMissingLevel) {
  const RegKey scratch = OpenScratch();
  RegKey key = kJunk;
  std::uint32_t disposition = kJunk;
  ASSERT_EQ(Create(scratch, "A\\B\\C", &key, &disposition), kOk);
  EXPECT_EQ(disposition, 1u);
  Close(key);
  EXPECT_TRUE(admin_.KeyExists(kHkeyCurrentUser, scratch_.Path() + "\\A\\B\\C"));
  Close(scratch);
}

TEST_F(RegistryContract, CreateDoesNotAskTheParentHandleForTheRightToCreate) {
  // Windows refuses this with 5; Wine 8.0 creates the key.
  const RegKey scratch = OpenScratch(kKeyRead);
  RegKey key = kJunk;
  std::uint32_t disposition = kJunk;
  EXPECT_EQ(Create(scratch, "New", &key, &disposition), kOk);
  EXPECT_EQ(disposition, 1u);
  Close(key);
  EXPECT_TRUE(admin_.KeyExists(kHkeyCurrentUser, scratch_.Path() + "\\New"));
  Close(scratch);
}

TEST_F(RegistryContract, CreateWithNoNameGivesANewHandleToTheParent) {
  Set("Path", kRegSz, kFolder);
  const RegKey scratch = OpenScratch();
  for (const char* none : {static_cast<const char*>(nullptr), ""}) {
    RegKey key = kJunk;
    std::uint32_t disposition = kJunk;
    ASSERT_EQ(Create(scratch, none, &key, &disposition), kOk);
    EXPECT_NE(key, scratch);
    EXPECT_EQ(disposition, 1u);  // so Wine reports it
    std::uint32_t type = kJunk, size = 0;
    EXPECT_EQ(reg_.QueryValueExA(key, "Path", &type, nullptr, &size), kOk);
    Close(key);
  }
  Close(scratch);
}

TEST_F(RegistryContract, CreateWithABadParentOrPathFails) {
  RegKey key = kJunk;
  std::uint32_t disposition = kJunk;
  EXPECT_EQ(Create(0x4321, "X", &key, &disposition), kInvalidHandle);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(disposition, kJunk);
  key = kJunk;
  EXPECT_EQ(Create(0, "X", &key, &disposition), kInvalidHandle);
  EXPECT_EQ(key, kJunk);
  const RegKey scratch = OpenScratch();
  key = kJunk;
  EXPECT_EQ(Create(scratch, "\\X", &key, &disposition), kBadPathname);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(disposition, kJunk);
  EXPECT_FALSE(admin_.KeyExists(kHkeyCurrentUser, scratch_.Path() + "\\X"));
  Close(scratch);
}

// ---------------------------------------------------------------- closing

TEST_F(RegistryContract, ClosingARootSucceedsAndTheRootKeepsWorking) {
  EXPECT_EQ(reg_.CloseKey(kHkeyCurrentUser), kOk);
  EXPECT_EQ(reg_.CloseKey(kHkeyCurrentUser), kOk);
  Close(Open(kHkeyCurrentUser, scratch_.Path().c_str(), kKeyRead));
}

TEST_F(RegistryContract, ClosingANullBogusOrClosedHandleIsAnInvalidHandle) {
  EXPECT_EQ(reg_.CloseKey(0), kInvalidHandle);
  EXPECT_EQ(reg_.CloseKey(0x4321), kInvalidHandle);
  const RegKey key = OpenScratch();
  Close(key);
  EXPECT_EQ(reg_.CloseKey(key), kInvalidHandle);
}

}  // namespace
}  // namespace platform::testing
