// What the updater relies on from the file services, with the statuses
// Windows (as Wine 8.0) gives.  The same cases run against the double and
// against the real API; where they disagree, the double is wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/tests/files_world.h"

namespace platform::testing {
namespace {

class FilesContract : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = MakeFilesWorld();
    root_ = world_->Root();
  }

  FileSystem& fs() { return world_->Fs(); }

  std::uint32_t Attributes(const std::wstring& path, Win32Status* status) {
    *status = 0xDEADBEEF;
    return fs().GetAttributes(path, status);
  }

  // Creates `path` through the FileSystem, writes `text`, flushes, closes.
  Win32Status Make(const std::wstring& path, const std::string& text) {
    FileId id{};
    if (Win32Status status = fs().CreateNew(path, &id); status != kErrorSuccess) return status;
    UniqueFile file(fs(), id);
    if (!text.empty()) {
      if (Win32Status status = fs().Write(id, text.data(), static_cast<std::uint32_t>(text.size()));
          status != kErrorSuccess) {
        return status;
      }
    }
    if (Win32Status status = fs().Flush(id); status != kErrorSuccess) return status;
    return file.Close();
  }

  std::vector<std::wstring> Listed(const std::wstring& pattern) {
    std::vector<std::wstring> names{L"junk"};
    EXPECT_EQ(fs().List(root_, pattern, &names), kErrorSuccess);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<FilesWorld> world_;
  std::wstring root_;
};

TEST_F(FilesContract, AttributesTellFilesFoldersAndWhyNothingIsThere) {
  world_->PutFile(root_ + L"file.txt", "x");
  world_->MakeFolder(root_ + L"sub");
  Win32Status status;
  EXPECT_EQ(Attributes(root_ + L"file.txt", &status), kFileAttributeArchive);
  EXPECT_EQ(Attributes(root_ + L"FILE.TXT", &status), kFileAttributeArchive) << "names ignore case";
  EXPECT_EQ(Attributes(root_ + L"sub", &status), kFileAttributeDirectory);
  EXPECT_EQ(Attributes(root_ + L"sub\\", &status), kFileAttributeDirectory);

  EXPECT_EQ(Attributes(root_ + L"missing.txt", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorFileNotFound);
  EXPECT_EQ(Attributes(root_ + L"nofolder\\file.txt", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorPathNotFound);
  EXPECT_EQ(Attributes(root_ + L"file.txt\\inside", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorPathNotFound) << "a file used as a folder";
  EXPECT_EQ(Attributes(root_ + L"bad<name", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorInvalidName);
  EXPECT_EQ(Attributes(root_ + std::wstring(300, L'a'), &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorFileNotFound) << "a name too long to exist";
  EXPECT_EQ(Attributes(root_ + std::wstring(300, L'a') + L"\\x", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorPathNotFound);
  EXPECT_EQ(Attributes(root_ + L"NUL", &status), kFileAttributeArchive) << "device names look like files";
}

TEST_F(FilesContract, AttributesShowReadOnlyHiddenAndSystem) {
  world_->PutFile(root_ + L"a", "x");
  Win32Status status;
  world_->SetAttributes(root_ + L"a", kFileAttributeReadOnly | kFileAttributeArchive);
  EXPECT_EQ(Attributes(root_ + L"a", &status), kFileAttributeReadOnly | kFileAttributeArchive);
  EXPECT_TRUE(IsOrdinaryFile(fs(), root_ + L"a")) << "read-only is still an ordinary file";
  world_->SetAttributes(root_ + L"a", kFileAttributeHidden | kFileAttributeArchive);
  EXPECT_EQ(Attributes(root_ + L"a", &status), kFileAttributeHidden | kFileAttributeArchive);
  world_->SetAttributes(root_ + L"a", kFileAttributeSystem | kFileAttributeArchive);
  EXPECT_EQ(Attributes(root_ + L"a", &status), kFileAttributeSystem | kFileAttributeArchive);
  EXPECT_FALSE(IsOrdinaryFile(fs(), root_ + L"a"));
  world_->SetAttributes(root_ + L"a", kFileAttributeArchive);
  EXPECT_TRUE(IsOrdinaryFile(fs(), root_ + L"a"));
  EXPECT_FALSE(IsOrdinaryFile(fs(), root_));
}

TEST_F(FilesContract, CreateNewWritesInOrderAndNeverOpensWhatExists) {
  EXPECT_EQ(Make(root_ + L"new.bin", "first,"), kErrorSuccess);
  EXPECT_EQ(world_->Read(root_ + L"new.bin"), "first,");

  FileId id = 123;
  EXPECT_EQ(fs().CreateNew(root_ + L"NEW.BIN", &id), kErrorFileExists);
  EXPECT_EQ(id, FileId{});
  EXPECT_EQ(world_->Read(root_ + L"new.bin"), "first,") << "an existing file stays as it was";
  world_->MakeFolder(root_ + L"dir");
  EXPECT_EQ(fs().CreateNew(root_ + L"dir", &id), kErrorFileExists);
  EXPECT_EQ(fs().CreateNew(root_ + L"nofolder\\x", &id), kErrorPathNotFound);
  EXPECT_EQ(fs().CreateNew(root_ + L"bad|name", &id), kErrorInvalidName);
  EXPECT_EQ(fs().CreateNew(root_ + std::wstring(300, L'n'), &id), kErrorFileNotFound) << "Wine";

  ASSERT_EQ(fs().CreateNew(root_ + L"parts.bin", &id), kErrorSuccess);
  {
    UniqueFile file(fs(), id);
    for (const char* part : {"one ", "two ", "three"}) {
      ASSERT_EQ(fs().Write(id, part, static_cast<std::uint32_t>(std::string(part).size())), kErrorSuccess);
    }
    EXPECT_EQ(fs().Flush(id), kErrorSuccess);
  }
  EXPECT_EQ(world_->Read(root_ + L"parts.bin"), "one two three");
  EXPECT_EQ(Make(root_ + L"empty.bin", ""), kErrorSuccess);
  EXPECT_EQ(world_->Read(root_ + L"empty.bin"), "");
}

TEST_F(FilesContract, AFileBeingCreatedIsSharedWithNobody) {
  FileId id{};
  ASSERT_EQ(fs().CreateNew(root_ + L"busy.tmp", &id), kErrorSuccess);
  UniqueFile file(fs(), id);
  Win32Status status = 0;
  EXPECT_EQ(world_->HoldOpen(root_ + L"busy.tmp", kShareRead | kShareWrite | kShareDelete, &status), 0);
  EXPECT_EQ(status, kErrorSharingViolation);
  EXPECT_EQ(fs().Delete(root_ + L"busy.tmp"), kErrorSharingViolation);
  EXPECT_EQ(fs().MoveReplace(root_ + L"busy.tmp", root_ + L"moved.tmp"), kErrorSharingViolation);
  EXPECT_EQ(file.Close(), kErrorSuccess);
  EXPECT_EQ(fs().Delete(root_ + L"busy.tmp"), kErrorSuccess);
}

TEST_F(FilesContract, OpenReadReadsAtOffsetsAndLetsOthersReadAndDelete) {
  world_->PutFile(root_ + L"exe.bin", "0123456789");
  FileId id = 123;
  EXPECT_EQ(fs().OpenRead(root_ + L"missing.bin", &id), kErrorFileNotFound);
  EXPECT_EQ(id, FileId{});
  ASSERT_EQ(fs().OpenRead(root_ + L"EXE.BIN", &id), kErrorSuccess);
  UniqueFile file(fs(), id);
  std::uint64_t size = 0xDEADBEEF;
  EXPECT_EQ(fs().GetSize(id, &size), kErrorSuccess);
  EXPECT_EQ(size, 10u);
  std::string buffer(8, '#');
  std::uint32_t read = 0xDEADBEEF;
  EXPECT_EQ(fs().ReadAt(id, 6, buffer.data(), 8, &read), kErrorSuccess);
  EXPECT_EQ(buffer, "6789####") << "short only at the end, nothing written past it";
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(fs().ReadAt(id, 1, buffer.data(), 3, &read), kErrorSuccess);
  EXPECT_EQ(buffer.substr(0, 3), "123");
  EXPECT_EQ(fs().ReadAt(id, 50, buffer.data(), 3, &read), kErrorSuccess);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(fs().Write(id, "x", 1), kErrorAccessDenied);

  Win32Status status = 0;
  const int reader = world_->HoldOpen(root_ + L"exe.bin", kShareRead, &status);
  EXPECT_NE(reader, 0) << status;
  world_->Release(reader);
  EXPECT_EQ(fs().Delete(root_ + L"exe.bin"), kErrorSuccess) << "delete sharing";
  EXPECT_EQ(file.Close(), kErrorSuccess);
  EXPECT_EQ(Attributes(root_ + L"exe.bin", &status), kInvalidFileAttributes);

  // A reader that came first and shares only reading (a viewer showing the
  // file) lets it be read, and is not disturbed by that.
  world_->PutFile(root_ + L"shown.bin", "abc");
  const int viewer = world_->HoldOpen(root_ + L"shown.bin", kShareRead, &status);
  ASSERT_NE(viewer, 0) << status;
  ASSERT_EQ(fs().OpenRead(root_ + L"shown.bin", &id), kErrorSuccess);
  EXPECT_EQ(fs().ReadAt(id, 0, buffer.data(), 3, &read), kErrorSuccess);
  EXPECT_EQ(buffer.substr(0, read), "abc");
  EXPECT_EQ(fs().Close(id), kErrorSuccess);
  world_->Release(viewer);

  world_->PutFile(root_ + L"locked.bin", "x");
  const int locker = world_->HoldOpen(root_ + L"locked.bin", 0, &status);
  ASSERT_NE(locker, 0);
  EXPECT_EQ(fs().OpenRead(root_ + L"locked.bin", &id), kErrorSharingViolation);
  world_->Release(locker);
}

TEST_F(FilesContract, DeleteRefusesFoldersReadOnlyFilesAndHeldFiles) {
  world_->PutFile(root_ + L"gone.txt", "x");
  EXPECT_EQ(fs().Delete(root_ + L"GONE.TXT"), kErrorSuccess);
  Win32Status status;
  EXPECT_EQ(Attributes(root_ + L"gone.txt", &status), kInvalidFileAttributes);
  EXPECT_EQ(fs().Delete(root_ + L"gone.txt"), kErrorFileNotFound);
  EXPECT_EQ(fs().Delete(root_ + L"nofolder\\gone.txt"), kErrorPathNotFound);

  world_->MakeFolder(root_ + L"dir");
  EXPECT_EQ(fs().Delete(root_ + L"dir"), kErrorAccessDenied);

  world_->PutFile(root_ + L"ro.txt", "keep");
  world_->SetAttributes(root_ + L"ro.txt", kFileAttributeReadOnly);
  EXPECT_EQ(fs().Delete(root_ + L"ro.txt"), kErrorAccessDenied);
  EXPECT_EQ(world_->Read(root_ + L"ro.txt"), "keep");

  world_->PutFile(root_ + L"held.txt", "keep");
  const int holder = world_->HoldOpen(root_ + L"held.txt", kShareRead | kShareWrite, &status);
  ASSERT_NE(holder, 0);
  EXPECT_EQ(fs().Delete(root_ + L"held.txt"), kErrorSharingViolation);
  world_->Release(holder);
  EXPECT_EQ(world_->Read(root_ + L"held.txt"), "keep");
}

TEST_F(FilesContract, DeleteOfAFileHeldWithDeleteSharingWaitsForTheHolder) {
  world_->PutFile(root_ + L"pending.txt", "x");
  Win32Status status;
  const int holder = world_->HoldOpen(root_ + L"pending.txt", kShareRead | kShareDelete, &status);
  ASSERT_NE(holder, 0);
  EXPECT_EQ(fs().Delete(root_ + L"pending.txt"), kErrorSuccess);
  FileId id{};
  EXPECT_EQ(fs().CreateNew(root_ + L"pending.txt", &id), kErrorFileExists)
      << "the name stays taken until the holder closes";
  EXPECT_EQ(fs().Delete(root_ + L"pending.txt"), kErrorSuccess) << "already going";
  world_->Release(holder);
  EXPECT_EQ(Attributes(root_ + L"pending.txt", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorFileNotFound);
}

TEST_F(FilesContract, MoveReplaceRenamesOverFilesButNotFoldersOrHeldFiles) {
  ASSERT_EQ(Make(root_ + L"a.tmp", "new"), kErrorSuccess);
  EXPECT_EQ(fs().MoveReplace(root_ + L"a.tmp", root_ + L"target"), kErrorSuccess);
  EXPECT_EQ(world_->Read(root_ + L"target"), "new");
  Win32Status status;
  EXPECT_EQ(Attributes(root_ + L"a.tmp", &status), kInvalidFileAttributes);

  ASSERT_EQ(Make(root_ + L"b.tmp", "newer, longer"), kErrorSuccess);
  EXPECT_EQ(fs().MoveReplace(root_ + L"b.tmp", root_ + L"TARGET"), kErrorSuccess);
  EXPECT_EQ(world_->Read(root_ + L"target"), "newer, longer");

  EXPECT_EQ(fs().MoveReplace(root_ + L"missing.tmp", root_ + L"target"), kErrorFileNotFound);
  ASSERT_EQ(Make(root_ + L"c.tmp", "c"), kErrorSuccess);
  EXPECT_EQ(fs().MoveReplace(root_ + L"c.tmp", root_ + L"nofolder\\target"), kErrorPathNotFound);

  world_->MakeFolder(root_ + L"dir");
  EXPECT_EQ(fs().MoveReplace(root_ + L"c.tmp", root_ + L"dir"), kErrorAccessDenied);
  EXPECT_EQ(Attributes(root_ + L"dir", &status), kFileAttributeDirectory);

  for (std::uint32_t share : {kShareRead, kShareRead | kShareDelete}) {
    const int holder = world_->HoldOpen(root_ + L"target", share, &status);
    ASSERT_NE(holder, 0);
    EXPECT_EQ(fs().MoveReplace(root_ + L"c.tmp", root_ + L"target"), kErrorAccessDenied)
        << "share " << share;
    world_->Release(holder);
    EXPECT_EQ(world_->Read(root_ + L"target"), "newer, longer");
  }
  EXPECT_EQ(world_->Read(root_ + L"c.tmp"), "c");
}

TEST_F(FilesContract, MoveReplaceOverAReadOnlyFileSucceedsOnWine) {
  // Windows refuses (5); Wine 8.0 does not.  Callers check the attribute.
  world_->PutFile(root_ + L"ro", "old");
  world_->SetAttributes(root_ + L"ro", kFileAttributeReadOnly);
  ASSERT_EQ(Make(root_ + L"n.tmp", "new"), kErrorSuccess);
  EXPECT_EQ(fs().MoveReplace(root_ + L"n.tmp", root_ + L"ro"), kErrorSuccess);
  EXPECT_EQ(world_->Read(root_ + L"ro"), "new");
}

TEST_F(FilesContract, FreeSpaceOfAnExistingFolder) {
  std::uint64_t bytes = 0;
  EXPECT_EQ(fs().FreeSpace(root_, &bytes), kErrorSuccess);
  EXPECT_GT(bytes, 0u);
  bytes = 7;
  EXPECT_EQ(fs().FreeSpace(root_ + L"nofolder\\", &bytes), kErrorFileNotFound);
  EXPECT_EQ(fs().FreeSpace(root_ + L"no\\folder\\", &bytes), kErrorPathNotFound);
}

TEST_F(FilesContract, ListMatchesWildcardsWithoutRegardToCase) {
  world_->PutFile(root_ + L"Lumarso2015.zip", "z");
  world_->PutFile(root_ + L"Lumarso2015.zip.~0000abcd.tmp", "t");
  world_->PutFile(root_ + L"lumarso2015.ZIP.~12345678.TMP", "t");
  world_->PutFile(root_ + L"other.tmp", "o");
  world_->MakeFolder(root_ + L"sub");
  EXPECT_EQ(Listed(L"Lumarso2015.zip.~*.tmp"),
            (std::vector<std::wstring>{L"Lumarso2015.zip.~0000abcd.tmp",
                                       L"lumarso2015.ZIP.~12345678.TMP"}));
  EXPECT_EQ(Listed(L"nothing*"), std::vector<std::wstring>{});
  EXPECT_EQ(Listed(L"*").size(), 5u) << "no . or ..";
  std::vector<std::wstring> names;
  EXPECT_EQ(fs().List(root_ + L"nofolder\\", L"*", &names), kErrorPathNotFound);
  EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace platform::testing
