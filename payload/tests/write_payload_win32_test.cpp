// One attempt of the updater on real files under Wine, with the payload
// embedded in this test program exactly as in the updater.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "payload/write_payload.h"
#include "platform/doubles/fake_dialogs.h"
#include "platform/win32/files.h"
#include "platform/win32/resources.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/win32/scratch_folder.h"

namespace payload::testing {
namespace {

using namespace test_support;

using platform::win32::UniqueFileHandle;

std::vector<std::byte> Filler(std::size_t size) { return std::vector<std::byte>(size, std::byte{0xA5}); }

TEST(Win32Resources, FindsTheEmbeddedArchiveByteForByteWithoutCopying) {
  platform::win32::Win32Resources resources;
  platform::Win32Status status = 0xDEADBEEF;
  const auto view = resources.Find(L"CUSTOM", 101, &status);
  ASSERT_TRUE(view) << status;
  EXPECT_EQ(status, 0u);
  const auto archive = ReadAll(LUMARSO_ARCHIVE_WINE_PATH);
  ASSERT_TRUE(archive);
  ASSERT_EQ(view->size(), archive->size());
  EXPECT_TRUE(std::equal(view->begin(), view->end(), archive->begin()));

  // Inside this image, and the same bytes every time.
  const auto* base = reinterpret_cast<const std::byte*>(::GetModuleHandleW(nullptr));
  EXPECT_GT(view->data(), base);
  EXPECT_EQ(resources.Find(L"custom", 101, &status)->data(), view->data());

  EXPECT_FALSE(resources.Find(L"CUSTOM", 102, &status));
  EXPECT_EQ(status, platform::kErrorResourceNameNotFound);
  EXPECT_FALSE(resources.Find(L"NOSUCHTYPE", 101, &status));
  EXPECT_EQ(status, platform::kErrorResourceTypeNotFound);
}

TEST(Win32Resources, LocatesTheArchiveInTheExesOwnFileFromItsSectionTable) {
  platform::win32::Win32Resources resources;
  const auto view = resources.Find(L"CUSTOM", 101, nullptr);
  ASSERT_TRUE(view);
  platform::ImageFileRange where;
  ASSERT_EQ(resources.LocateInFile(*view, &where), 0u);
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  EXPECT_EQ(where.path, self);
  const auto exe = ReadAll(where.path);
  ASSERT_TRUE(exe);
  ASSERT_LE(where.offset + view->size(), exe->size());
  EXPECT_TRUE(std::equal(view->begin(), view->end(), exe->begin() + where.offset))
      << "offset 0x" << std::hex << where.offset;

  // A part of the resource is found at its own place.
  platform::ImageFileRange part;
  ASSERT_EQ(resources.LocateInFile(view->subspan(5000, 100), &part), 0u);
  EXPECT_EQ(part.offset, where.offset + 5000);
  // The headers lie in no section, nor does a range running past the data.
  const auto* base = reinterpret_cast<const std::byte*>(::GetModuleHandleW(nullptr));
  EXPECT_EQ(resources.LocateInFile({base, 64}, &part), platform::kErrorBadExeFormat);
  EXPECT_EQ(resources.LocateInFile({view->data(), view->size() + (1u << 20)}, &part),
            platform::kErrorBadExeFormat);
}

TEST(Win32Resources, ThePayloadPagesAreNotWritable) {
  platform::win32::Win32Resources resources;
  const auto view = resources.Find(L"CUSTOM", 101, nullptr);
  ASSERT_TRUE(view);
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(view->data(), &info, sizeof info), 0u);
  EXPECT_EQ(info.Type, static_cast<DWORD>(MEM_IMAGE));
  EXPECT_EQ(info.Protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE), 0u)
      << "protection 0x" << std::hex << info.Protect;
}

class WritePayloadOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto view = resources_.Find(kResourceType, kResourceId, nullptr);
    ASSERT_TRUE(view);
    payload_ = *view;
    target_ = scratch_.Path() + kZipName;
  }

  bool Attempt(ReadFrom way = ReadFrom::kMappedImage) {
    last_ = WritePayload(fs_, resources_, dialogs_, strTargetDir_, way);
    if (last_.payload) bytPayload_ = *last_.payload;
    return last_.written;
  }

  void PutOld(std::size_t size) {
    old_ = Filler(size);
    ASSERT_TRUE(WriteAll(target_, old_.data(), old_.size()));
  }

  void ExpectFailedQuietlyWithOldIntact() {
    EXPECT_FALSE(Attempt());
    EXPECT_TRUE(dialogs_.Shown().empty());
    EXPECT_EQ(ReadAll(target_), old_);
    EXPECT_EQ(NamesIn(scratch_.Path()), std::vector<std::wstring>{kZipName});
  }

  ScratchFolder scratch_ = ScratchFolder::InTemp(L"payload");
  platform::win32::Win32FileSystem fs_;
  platform::win32::Win32Resources resources_;
  platform::doubles::FakeDialogs dialogs_;
  std::span<const std::byte> payload_;
  std::vector<std::byte> old_;
  std::wstring target_;
  std::wstring strTargetDir_ = scratch_.Path();
  std::span<const std::byte> bytPayload_;
  PayloadAttempt last_;
};

TEST_F(WritePayloadOnDisk, LongerAndShorterOldFilesEndEqualToThePayloadReadEitherWay) {
  for (ReadFrom way : {ReadFrom::kMappedImage, ReadFrom::kExeFile}) {
    for (std::size_t size : {payload_.size() + 100000, std::size_t{1000}}) {
      PutOld(size);
      dialogs_.ClearShown();
      ASSERT_TRUE(Attempt(way)) << size;
      EXPECT_EQ(last_.readFrom, way) << "the exe's own file opens and passes the check";
      EXPECT_EQ(ReadAll(target_), std::vector<std::byte>(payload_.begin(), payload_.end())) << size;
      EXPECT_EQ(NamesIn(scratch_.Path()), std::vector<std::wstring>{kZipName});
      ASSERT_EQ(dialogs_.MessagesWithText(L"Aggiornamento terminato!").size(), 1u);
    }
  }
  EXPECT_EQ(bytPayload_.data(), payload_.data());
}

TEST_F(WritePayloadOnDisk, AReadOnlyOldFileStaysAsItWas) {
  PutOld(1000);
  ASSERT_TRUE(::SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_READONLY));
  ExpectFailedQuietlyWithOldIntact();
  EXPECT_TRUE(::GetFileAttributesW(target_.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(WritePayloadOnDisk, AnOldFileHeldOpenElsewhereStaysAsItWas) {
  PutOld(1000);
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_DELETE}}) {
    UniqueFileHandle held(::CreateFileW(target_.c_str(), GENERIC_READ, share, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(Attempt()) << share;
    EXPECT_TRUE(dialogs_.Shown().empty());
    EXPECT_EQ(NamesIn(scratch_.Path()), std::vector<std::wstring>{kZipName});
    held.reset();
    EXPECT_EQ(ReadAll(target_), old_);
  }
}

TEST_F(WritePayloadOnDisk, AMissingFolderIsNotCreated) {
  strTargetDir_ = scratch_.Path() + L"Quadrivo\\";
  EXPECT_FALSE(Attempt());
  EXPECT_TRUE(dialogs_.Shown().empty());
  EXPECT_TRUE(NamesIn(scratch_.Path()).empty());
}

TEST_F(WritePayloadOnDisk, AFolderNamedLikeTheTargetStays) {
  ASSERT_TRUE(::CreateDirectoryW(target_.c_str(), nullptr));
  EXPECT_FALSE(Attempt());
  EXPECT_TRUE(dialogs_.Shown().empty());
  EXPECT_EQ(::GetFileAttributesW(target_.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(NamesIn(scratch_.Path()), std::vector<std::wstring>{kZipName});
}

}  // namespace
}  // namespace payload::testing
