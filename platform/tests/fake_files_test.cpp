// What the file double adds to the contract: failed calls that keep the
// handle rules, free space that follows the writes, and names.  Its failures
// on demand and call log are tested in call_script_test.cpp.
#include <gtest/gtest.h>

#include <vector>

#include "platform/doubles/fake_files.h"

namespace platform::doubles {
namespace {

std::vector<std::byte> Bytes(std::size_t n) { return std::vector<std::byte>(n, std::byte{7}); }

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
