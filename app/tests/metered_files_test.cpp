// The worker's file service: reads and writes cut into pieces of about a
// quarter of a second at the storage's measured speed, and a cancel that
// stops everything but the cleanup.
#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "app/metered_files.h"
#include "platform/doubles/fake_clock.h"
#include "platform/doubles/fake_files.h"
#include "platform/doubles/fake_window.h"

namespace app::testing {
namespace {

using platform::FileId;
using platform::Win32Status;
using platform::doubles::FakeFileSystem;

constexpr wchar_t kTarget[] = L"C:\\Q\\Lumarso2015.zip";
constexpr wchar_t kTemp[] = L"C:\\Q\\Lumarso2015.zip.~00000001.tmp";

// Storage of a given speed: each read or write moves the clock on by the
// time its bytes take.
class SlowFiles final : public platform::FileSystem {
 public:
  SlowFiles(FakeFileSystem& files, platform::doubles::FakeClock& clock, std::uint64_t bytesPerSecond)
      : files_(files), clock_(clock), rate_(bytesPerSecond) {}
  std::uint32_t GetAttributes(const std::wstring& p, Win32Status* e) override { return files_.GetAttributes(p, e); }
  Win32Status Delete(const std::wstring& p) override { return files_.Delete(p); }
  Win32Status CreateNew(const std::wstring& p, FileId* f) override { return files_.CreateNew(p, f); }
  Win32Status Write(FileId f, const void* d, std::uint32_t n) override {
    Take(n);
    return files_.Write(f, d, n);
  }
  Win32Status Flush(FileId f) override { return files_.Flush(f); }
  Win32Status Close(FileId f) override { return files_.Close(f); }
  Win32Status MoveReplace(const std::wstring& a, const std::wstring& b) override { return files_.MoveReplace(a, b); }
  Win32Status FreeSpace(const std::wstring& p, std::uint64_t* b) override { return files_.FreeSpace(p, b); }
  Win32Status List(const std::wstring& f, const std::wstring& p, std::vector<std::wstring>* n) override {
    return files_.List(f, p, n);
  }
  Win32Status OpenRead(const std::wstring& p, FileId* f) override { return files_.OpenRead(p, f); }
  Win32Status GetSize(FileId f, std::uint64_t* b) override { return files_.GetSize(f, b); }
  Win32Status ReadAt(FileId f, std::uint64_t o, void* b, std::uint32_t n, std::uint32_t* r) override {
    Take(n);
    return files_.ReadAt(f, o, b, n, r);
  }

  std::uint64_t longestMicros = 0;
  int calls = 0;
  std::function<void()> afterCall;

 private:
  void Take(std::uint32_t n) {
    const std::uint64_t micros = std::uint64_t{n} * 1000000u / rate_;
    clock_.micros += micros;
    longestMicros = std::max(longestMicros, micros);
    ++calls;
    if (afterCall) afterCall();
  }

  FakeFileSystem& files_;
  platform::doubles::FakeClock& clock_;
  std::uint64_t rate_;
};

std::vector<std::byte> Pattern(std::size_t size) {
  std::vector<std::byte> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>((i * 31 + i / 977) & 0xFF);
  return bytes;
}

TEST(MeteredFiles, LongReadsAndWritesGoInPiecesOfAQuarterSecondAtTheMeasuredSpeed) {
  const struct Row {
    std::uint64_t bytesPerSecond;
    int mostCalls;  // for one 4 MiB write, and one 4 MiB read
  } rows[] = {
      {400'000, 66},          // 64 KiB pieces: each about 0.16 s
      {20'000'000, 2},        // one small first piece, then the rest
      {1'000'000'000, 2},
  };
  const std::vector<std::byte> data = Pattern(4u << 20);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bytesPerSecond);
    FakeFileSystem fake;
    fake.MakeFolders(L"C:\\Q\\");
    platform::doubles::FakeClock clock;
    platform::doubles::FakeWindow window;
    SlowFiles slow(fake, clock, row.bytesPerSecond);
    MeteredFiles files(slow, window, &clock);
    FileId id = 0;
    ASSERT_EQ(files.CreateNew(kTemp, &id), platform::kErrorSuccess);
    ASSERT_EQ(files.Write(id, data.data(), static_cast<std::uint32_t>(data.size())), platform::kErrorSuccess);
    ASSERT_EQ(files.Close(id), platform::kErrorSuccess);
    EXPECT_EQ(fake.Content(kTemp), data);
    EXPECT_LE(slow.longestMicros, 250'000u);
    EXPECT_LE(slow.calls, row.mostCalls);

    slow.calls = 0;
    std::vector<std::byte> back(data.size() + 10);
    std::uint32_t read = 0;
    ASSERT_EQ(files.OpenRead(kTemp, &id), platform::kErrorSuccess);
    // Past the end: fewer bytes, as ReadFile gives them.
    ASSERT_EQ(files.ReadAt(id, 0, back.data(), static_cast<std::uint32_t>(back.size()), &read),
              platform::kErrorSuccess);
    EXPECT_EQ(read, data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
    EXPECT_LE(slow.longestMicros, 250'000u);
    EXPECT_LE(slow.calls, row.mostCalls + 1);
    (void)files.Close(id);
  }
}

TEST(MeteredFiles, AMovingBarWakesTheWindowThreadAFewTimesASecondAndEveryChangeOfKindAtOnce) {
  FakeFileSystem fake;
  fake.MakeFolders(L"C:\\Q\\");
  platform::doubles::FakeClock clock;
  platform::doubles::FakeWindow window;
  SlowFiles slow(fake, clock, 16'000'000);  // 64 KiB in 4 ms
  MeteredFiles files(slow, window, &clock);
  files.Begin(kTarget);
  files.Expect(50u << 16);
  FileId id = 0;
  ASSERT_EQ(files.CreateNew(kTemp, &id), platform::kErrorSuccess);
  const std::vector<std::byte> data = Pattern(1u << 16);
  int posts = window.TakePosts();  // the marquee of the set-up
  std::uint32_t shown = 0;
  for (int chunk = 0; chunk < 50; ++chunk) {
    ASSERT_EQ(files.Write(id, data.data(), 1u << 16), platform::kErrorSuccess);
    posts += window.TakePosts();
    shown = files.Look().position;  // the window thread reads what it was told
  }
  // 0.2 s of writing: the change to counted, then a move every 50 ms.
  EXPECT_GE(posts, 4);
  EXPECT_LE(posts, 6);
  EXPECT_EQ(shown, platform::kProgressRange);  // a read always gets the latest
  ASSERT_EQ(files.Flush(id), platform::kErrorSuccess);
  EXPECT_EQ(window.TakePosts(), 1);  // the marquee of the flush
}

TEST(MeteredFiles, ACancelStopsAtTheNextPieceAndLetsOnlyTheCleanupThrough) {
  FakeFileSystem fake;
  fake.PutFile(kTarget, Pattern(10));
  platform::doubles::FakeClock clock;
  platform::doubles::FakeWindow window;
  SlowFiles slow(fake, clock, 400'000);
  MeteredFiles files(slow, window, &clock);
  files.Begin(kTarget);
  files.Expect(1u << 20);
  FileId id = 0;
  ASSERT_EQ(files.CreateNew(kTemp, &id), platform::kErrorSuccess);
  slow.afterCall = [&] {
    if (slow.calls == 3) files.Cancel();
  };
  const std::vector<std::byte> data = Pattern(1u << 20);

  EXPECT_EQ(files.Write(id, data.data(), static_cast<std::uint32_t>(data.size())),
            platform::kErrorOperationAborted);

  EXPECT_EQ(slow.calls, 3);
  platform::Win32Status error = 0;
  EXPECT_EQ(files.GetAttributes(kTarget, &error), platform::kInvalidFileAttributes);
  EXPECT_EQ(error, platform::kErrorOperationAborted);
  EXPECT_EQ(files.Flush(id), platform::kErrorOperationAborted);
  EXPECT_EQ(files.MoveReplace(kTemp, kTarget), platform::kErrorOperationAborted);
  EXPECT_EQ(files.Delete(kTarget), platform::kErrorOperationAborted);
  EXPECT_EQ(files.Close(id), platform::kErrorSuccess);
  EXPECT_EQ(files.Delete(kTemp), platform::kErrorSuccess);
  EXPECT_EQ(fake.Content(kTarget), Pattern(10));
  EXPECT_FALSE(fake.Exists(kTemp));
}

}  // namespace
}  // namespace app::testing
