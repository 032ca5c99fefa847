// The per-write times a run reports must be the writes' own: each Write timed
// once, in call order, failed ones too, and every other call passed through.
#include "bench/timed_files.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/doubles/fake_files.h"

namespace {

using platform::doubles::FakeFileSystem;
using platform::doubles::FileOp;

TEST(TimedFilesTest, TimesEachWriteAndPassesEveryCallThrough) {
  FakeFileSystem files;
  files.MakeFolders(L"C:\\Velto\\");
  // Every call of the clock moves it on; a write costs the step between its two readings.
  std::vector<double> readings = {0.0, 1.0, 10.0, 22.5, 30.0, 31.0, 40.0, 47.0, 50.0, 53.5};
  std::size_t next = 0;
  bench::TimedFiles timed(files, [&] { return readings.at(next++); });

  platform::FileId id{};
  ASSERT_EQ(timed.CreateNew(L"C:\\Velto\\a.zip", &id), platform::kErrorSuccess);
  const std::vector<std::byte> chunk(100, std::byte{7});
  EXPECT_EQ(timed.Write(id, chunk.data(), 100), platform::kErrorSuccess);
  EXPECT_EQ(timed.Write(id, chunk.data(), 100), platform::kErrorSuccess);
  files.FailCall(FileOp::Write, platform::kErrorAccessDenied);
  EXPECT_EQ(timed.Write(id, chunk.data(), 100), platform::kErrorAccessDenied);
  EXPECT_EQ(timed.Flush(id), platform::kErrorSuccess);
  EXPECT_EQ(timed.Close(id), platform::kErrorSuccess);
  EXPECT_EQ(timed.MoveReplace(L"C:\\Velto\\a.zip", L"C:\\Velto\\b.zip"), platform::kErrorSuccess);

  EXPECT_EQ(timed.WriteMs(), (std::vector<double>{1.0, 12.5, 1.0}));
  EXPECT_EQ(timed.FlushMs(), 7.0);
  EXPECT_EQ(timed.MoveMs(), 3.5);
  EXPECT_EQ(timed.ReadMs(), 0.0);
  EXPECT_EQ(files.Content(L"C:\\Velto\\b.zip")->size(), 200u);
  EXPECT_EQ(files.CountCalls(FileOp::Write), 3);
  EXPECT_EQ(files.OpenFiles(), 0);
}

}  // namespace
