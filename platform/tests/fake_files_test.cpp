// What the file double adds to the contract: failures on demand, free space
// that follows the writes, and a record of the calls.
#include <gtest/gtest.h>

#include <vector>

#include "platform/doubles/fake_files.h"

namespace platform::doubles {
namespace {

std::vector<std::byte> Bytes(std::size_t n) { return std::vector<std::byte>(n, std::byte{7}); }

TEST(FakeFiles, CountedFailureHitsOnlyTheNthCallAndChangesNothing) {
  FakeFileSystem fs;
  fs.PutFile(L"C:\\d\\a", Bytes(1));
  fs.PutFile(L"C:\\d\\b", Bytes(1));
  fs.FailCall(FileOp::Delete, kErrorAccessDenied, 2);
  EXPECT_EQ(fs.Delete(L"C:\\d\\a"), kErrorSuccess);
  EXPECT_EQ(fs.Delete(L"C:\\d\\b"), kErrorAccessDenied);
  EXPECT_TRUE(fs.Exists(L"C:\\d\\b"));
  EXPECT_EQ(fs.Delete(L"C:\\d\\b"), kErrorSuccess) << "only once";
}

TEST(FakeFiles, PathFailureHitsEveryCallOnThatPathWhateverTheCase) {
  FakeFileSystem fs;
  fs.PutFile(L"C:\\d\\a", Bytes(1));
  fs.FailOnName(FileOp::GetAttributes, L"c:\\D\\A", kErrorInvalidName);
  Win32Status status = 0;
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\a", &status), kInvalidFileAttributes);
  EXPECT_EQ(status, kErrorInvalidName);
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\a", &status), kInvalidFileAttributes);
  fs.ClearFailures();
  EXPECT_EQ(fs.GetAttributes(L"C:\\d\\a", &status), kFileAttributeArchive);
}

TEST(FakeFiles, FailedWriteFlushAndCloseKeepTheHandleRules) {
  FakeFileSystem fs;
  fs.MakeFolders(L"C:\\d");
  FileId id{};
  ASSERT_EQ(fs.CreateNew(L"C:\\d\\f", &id), kErrorSuccess);
  fs.FailCall(FileOp::Write, kErrorWriteFault);
  fs.FailCall(FileOp::Flush, kErrorDiskFull);
  fs.FailCall(FileOp::Close, kErrorDiskFull);
  EXPECT_EQ(fs.Write(id, "abc", 3), kErrorWriteFault);
  EXPECT_EQ(fs.Content(L"C:\\d\\f")->size(), 0u) << "a failed write writes nothing";
  EXPECT_EQ(fs.Flush(id), kErrorDiskFull);
  EXPECT_EQ(fs.Close(id), kErrorDiskFull);
  EXPECT_EQ(fs.OpenFiles(), 0) << "CloseHandle releases even when it reports a failure";
  EXPECT_EQ(fs.Close(id), kErrorInvalidHandle);
  EXPECT_EQ(fs.Write(id, "abc", 3), kErrorInvalidHandle);
}

TEST(FakeFiles, WritesUseFreeSpaceAndDeletesGiveItBack) {
  FakeFileSystem fs;
  fs.AddVolume(L'D', 10);
  fs.MakeFolders(L"D:\\x");
  FileId id{};
  ASSERT_EQ(fs.CreateNew(L"D:\\x\\f", &id), kErrorSuccess);
  EXPECT_EQ(fs.Write(id, "12345678", 8), kErrorSuccess);
  EXPECT_EQ(fs.Write(id, "123", 3), kErrorDiskFull);
  std::uint64_t free = 0;
  EXPECT_EQ(fs.FreeSpace(L"D:\\x\\", &free), kErrorSuccess);
  EXPECT_EQ(free, 2u);
  EXPECT_EQ(fs.Close(id), kErrorSuccess);
  EXPECT_EQ(fs.MoveReplace(L"D:\\x\\f", L"C:\\f"), 17u) << "no move across volumes";
  EXPECT_EQ(fs.Delete(L"D:\\x\\f"), kErrorSuccess);
  EXPECT_EQ(fs.FreeBytes(L'D'), 10u);
}

TEST(FakeFiles, RecordsCallsWithTheCallersBuffer) {
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
}

TEST(FakeFiles, NamesKeepTheirCaseAndPathsNormalise) {
  FakeFileSystem fs;
  fs.PutFile(L"C:\\Velto\\Quadrivo\\Quadrivo.EXE", Bytes(2));
  EXPECT_EQ(fs.Names(L"c:\\velto\\quadrivo"), std::vector<std::wstring>{L"Quadrivo.EXE"});
  EXPECT_TRUE(fs.Exists(L"C:/velto/./x/../Quadrivo/quadrivo.exe"));
  EXPECT_TRUE(fs.Exists(L"C:\\velto\\quadrivo\\quadrivo.exe. "));
  EXPECT_FALSE(fs.Exists(L"E:\\velto"));
}

}  // namespace
}  // namespace platform::doubles
