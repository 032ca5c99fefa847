// One attempt of the updater against the file double: what lands on disk,
// what the user is told, and that every failure leaves the old file alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

#include "payload/image_file_source.h"
#include "payload/temp_names.h"
#include "payload/write_payload.h"
#include "platform/doubles/fake_dialogs.h"
#include "platform/doubles/fake_files.h"
#include "platform/doubles/fake_resources.h"

namespace payload {
namespace {

using platform::doubles::FakeDialogs;
using platform::doubles::FakeFileSystem;
using platform::doubles::FakeResources;
using platform::doubles::FileOp;
using platform::doubles::ResourceCall;
using platform::doubles::kShareNone;
using platform::doubles::kShareRead;

constexpr wchar_t kFolder[] = L"C:\\Velto\\Quadrivo\\";
constexpr wchar_t kTarget[] = L"C:\\Velto\\Quadrivo\\Lumarso2015.zip";
// The updater's own file, with the archive stored at kExeOffset.
constexpr wchar_t kExe[] = L"C:\\Updater\\Lumarso2015.exe";
constexpr std::size_t kExeOffset = 0x3000;
// More than two chunks, and not a multiple of one.
constexpr std::size_t kPayloadSize = 2 * kWriteChunk + 12345;

std::vector<std::byte> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::byte> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>((i * 131 + seed) >> 3);
  return bytes;
}

class WritePayloadTest : public ::testing::Test {
 public:
  WritePayloadTest() {
    resources_.Add(L"CUSTOM", 101, Pattern(kPayloadSize, 1));
    payload_ = *resources_.Find(L"CUSTOM", 101, nullptr);
    fs_.MakeFolders(kFolder);
    resources_.PlaceInFile(L"CUSTOM", 101, kExe, kExeOffset);
    PutExe(ExeBytes());
  }

  // The exe's file: headers and code before the archive, more after it.
  [[nodiscard]] std::vector<std::byte> ExeBytes() const {
    std::vector<std::byte> exe = Pattern(kExeOffset, 7);
    exe.insert(exe.end(), payload_.begin(), payload_.end());
    const auto tail = Pattern(5000, 8);
    exe.insert(exe.end(), tail.begin(), tail.end());
    return exe;
  }
  void PutExe(const std::vector<std::byte>& bytes) { fs_.PutFile(kExe, bytes); }

  // Keeps what the window keeps of an attempt, as Form1 does.
  bool Attempt(ReadFrom way = ReadFrom::kMappedImage) {
    last_ = WritePayload(fs_, resources_, dialogs_, strTargetDir_, way);
    strZipName_ = last_.zipName;
    if (last_.payload) bytPayload_ = *last_.payload;
    return last_.written;
  }

  [[nodiscard]] std::vector<std::byte> Expected() const {
    return {payload_.begin(), payload_.end()};
  }

  void PutOld(std::size_t size, std::uint32_t attributes = platform::kFileAttributeArchive) {
    old_ = Pattern(size, 99);
    fs_.PutFile(kTarget, old_, attributes);
  }

  // Everything a silent failure must leave: the old file as it was, no
  // temporary file, no open handle, no box.
  void ExpectUntouched() {
    EXPECT_EQ(fs_.Content(kTarget), old_);
    EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{kZipName});
    EXPECT_EQ(fs_.OpenFiles(), 0);
    EXPECT_TRUE(dialogs_.Shown().empty());
  }

  FakeFileSystem fs_;
  FakeResources resources_;
  FakeDialogs dialogs_;
  std::span<const std::byte> payload_;
  std::vector<std::byte> old_;
  std::wstring strTargetDir_ = kFolder;
  std::wstring strZipName_;
  std::span<const std::byte> bytPayload_;
  PayloadAttempt last_;
};

TEST_F(WritePayloadTest, WritesThePayloadThenSaysSoOnce) {
  ASSERT_TRUE(Attempt());
  EXPECT_EQ(fs_.Content(kTarget), Expected());
  EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{kZipName});
  EXPECT_EQ(fs_.OpenFiles(), 0);
  EXPECT_EQ(strZipName_, L"Lumarso2015.zip");
  ASSERT_EQ(dialogs_.Shown().size(), 1u);
  const auto& box = dialogs_.Shown()[0];
  EXPECT_EQ(box.text, L"Aggiornamento terminato!");
  EXPECT_EQ(box.title, L"Velto S.r.l.");
  EXPECT_EQ(box.icon, platform::Icon::Information);
  EXPECT_EQ(box.buttons, platform::Buttons::Ok);
}

TEST_F(WritePayloadTest, LongerAndShorterOldFilesEndEqualToThePayload) {
  for (std::size_t oldSize : {kPayloadSize + 4096, std::size_t{17}, std::size_t{0}}) {
    PutOld(oldSize);
    dialogs_.ClearShown();
    EXPECT_TRUE(Attempt()) << oldSize;
    EXPECT_EQ(fs_.Content(kTarget), Expected()) << oldSize;
    EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{kZipName});
  }
}

TEST_F(WritePayloadTest, WritesStraightFromTheResourceInChunksThenFlushesClosesAndRenames) {
  ASSERT_TRUE(Attempt());
  EXPECT_EQ(bytPayload_.data(), payload_.data()) << "bytPayload is a view of the resource";
  EXPECT_EQ(bytPayload_.size(), payload_.size());

  std::vector<FileOp> order;
  std::size_t written = 0;
  const std::byte* expectedNext = payload_.data();
  for (const auto& call : fs_.Calls()) {
    if (call.op == FileOp::Write) {
      EXPECT_EQ(call.data, expectedNext) << "no copy: each chunk comes from the mapped view";
      EXPECT_LE(call.size, kWriteChunk);
      expectedNext += call.size;
      written += call.size;
    }
    if (order.empty() || order.back() != call.op) order.push_back(call.op);
  }
  EXPECT_EQ(written, payload_.size());
  const std::vector<FileOp> tail{FileOp::CreateNew, FileOp::Write, FileOp::Flush, FileOp::Close,
                                 FileOp::MoveReplace};
  ASSERT_GE(order.size(), tail.size());
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), order.end() - tail.size()));
}

TEST_F(WritePayloadTest, TheTemporaryFileIsNewAndBesideTheTarget) {
  fs_.FailCall(FileOp::CreateNew, platform::kErrorFileExists);  // a name still taken
  ASSERT_TRUE(Attempt());
  std::vector<std::wstring> tried;
  for (const auto& call : fs_.Calls()) {
    if (call.op == FileOp::CreateNew) tried.push_back(call.path);
  }
  ASSERT_EQ(tried.size(), 2u);
  EXPECT_NE(tried[0], tried[1]);
  for (const auto& path : tried) {
    ASSERT_TRUE(path.starts_with(kFolder));
    EXPECT_TRUE(IsTempName(path.substr(std::wstring(kFolder).size()), kZipName)) << path;
  }
}

TEST_F(WritePayloadTest, EachAttemptFindsTheResourceAfresh) {
  const int before = resources_.CountCalls(ResourceCall::Find);
  ASSERT_TRUE(Attempt());
  ASSERT_TRUE(Attempt());
  EXPECT_EQ(resources_.CountCalls(ResourceCall::Find), before + 2);
}

struct Step {
  const char* name;
  FileOp op;
  int nth;
  platform::Win32Status status;
  ReadFrom way = ReadFrom::kMappedImage;
  // Not 0: instead of failing, the call finds the exe's file cut to this size.
  std::size_t exeEndsAt = 0;
};

void PrintTo(const Step& step, std::ostream* os) { *os << step.name; }

class FailingStep : public WritePayloadTest, public ::testing::WithParamInterface<Step> {};

TEST_P(FailingStep, LeavesTheOldFileAndNoTemporaryFileAndSaysNothing) {
  PutOld(5000);
  const Step step = GetParam();
  if (step.exeEndsAt != 0) {
    fs_.BeforeCall(step.op, [this, step] {
      auto exe = ExeBytes();
      exe.resize(step.exeEndsAt);
      PutExe(exe);
    }, step.nth);
  } else {
    fs_.FailCall(step.op, step.status, step.nth);
  }
  EXPECT_FALSE(Attempt(step.way));
  ExpectUntouched();
  // The next attempt, with nothing failing, succeeds.
  EXPECT_TRUE(Attempt(step.way));
  EXPECT_EQ(fs_.Content(kTarget), Expected());
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, FailingStep,
    ::testing::Values(Step{"Attributes", FileOp::GetAttributes, 1, platform::kErrorAccessDenied},
                      Step{"FreeSpace", FileOp::FreeSpace, 1, platform::kErrorAccessDenied},
                      Step{"Create", FileOp::CreateNew, 1, platform::kErrorAccessDenied},
                      Step{"FirstWrite", FileOp::Write, 1, platform::kErrorDiskFull},
                      Step{"LastWrite", FileOp::Write, 3, platform::kErrorWriteFault},
                      Step{"Flush", FileOp::Flush, 1, platform::kErrorWriteFault},
                      // The first close is of the old copy, opened to compare sizes.
                      Step{"Close", FileOp::Close, 2, platform::kErrorWriteFault},
                      Step{"Rename", FileOp::MoveReplace, 1, platform::kErrorAccessDenied},
                      // Reading the exe's file: the first read is the check.
                      Step{"FirstChunkRead", FileOp::ReadAt, 2, platform::kErrorReadFault,
                           ReadFrom::kExeFile},
                      Step{"LastChunkRead", FileOp::ReadAt, 4, platform::kErrorReadFault,
                           ReadFrom::kExeFile},
                      // A short read is no whole chunk: the rest of the buffer is stale.
                      Step{"ExeEndsEarlyAtTheThirdRead", FileOp::ReadAt, 3, platform::kErrorSuccess,
                           ReadFrom::kExeFile, kExeOffset + kWriteChunk + 100},
                      Step{"WriteOfAChunkRead", FileOp::Write, 2, platform::kErrorDiskFull,
                           ReadFrom::kExeFile},
                      Step{"FlushOfAFileRead", FileOp::Flush, 1, platform::kErrorWriteFault,
                           ReadFrom::kExeFile}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- reading the exe's own file, and falling back to the mapped view

struct Source {
  const char* name;
  void (*arrange)(WritePayloadTest&, FakeFileSystem&, FakeResources&);
  ReadFrom expected;
};

void PrintTo(const Source& source, std::ostream* os) { *os << source.name; }

class ReadingTheExe : public WritePayloadTest, public ::testing::WithParamInterface<Source> {};

TEST_P(ReadingTheExe, WritesTheArchiveFromTheFileOrElseFromTheView) {
  PutOld(5000);
  GetParam().arrange(*this, fs_, resources_);
  ASSERT_TRUE(Attempt(ReadFrom::kExeFile));
  EXPECT_EQ(last_.readFrom, GetParam().expected);
  EXPECT_EQ(fs_.Content(kTarget), Expected());
  EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{kZipName});
  EXPECT_EQ(fs_.OpenFiles(), 0) << "the exe's file is closed again";
  EXPECT_EQ(dialogs_.Shown().size(), 1u);
  EXPECT_EQ(bytPayload_.data(), payload_.data());
  // Written from the view only when the file was not used, and then whole.
  const auto fromView = std::count_if(fs_.Calls().begin(), fs_.Calls().end(), [&](const auto& c) {
    return c.op == FileOp::Write && c.data >= payload_.data() &&
           c.data < payload_.data() + payload_.size();
  });
  EXPECT_EQ(fromView, GetParam().expected == ReadFrom::kExeFile ? 0 : 3);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCheck, ReadingTheExe,
    ::testing::Values(
        Source{"TheFileHoldsTheArchive", [](auto&, auto&, auto&) {}, ReadFrom::kExeFile},
        Source{"NoSectionHoldsIt",
               [](auto&, auto&, FakeResources& r) {
                 r.FailCall(ResourceCall::LocateInFile, platform::kErrorBadExeFormat);
               },
               ReadFrom::kMappedImage},
        Source{"TheFileCannotBeOpened",
               [](auto&, FakeFileSystem& fs, auto&) {
                 fs.FailCall(FileOp::OpenRead, platform::kErrorSharingViolation);
               },
               ReadFrom::kMappedImage},
        Source{"ItsSizeIsUnknown",
               [](auto&, FakeFileSystem& fs, auto&) {
                 fs.FailCall(FileOp::GetSize, platform::kErrorAccessDenied);
               },
               ReadFrom::kMappedImage},
        Source{"ItEndsBeforeTheArchiveDoes",
               [](WritePayloadTest& t, auto&, auto&) {
                 auto exe = t.ExeBytes();
                 exe.resize(kExeOffset + kPayloadSize - 1);
                 t.PutExe(exe);
               },
               ReadFrom::kMappedImage},
        Source{"ItsFirstBytesDiffer",
               [](WritePayloadTest& t, auto&, auto&) {
                 auto exe = t.ExeBytes();
                 exe[kExeOffset + kCheckedBytes - 1] ^= std::byte{1};
                 t.PutExe(exe);
               },
               ReadFrom::kMappedImage},
        Source{"TheCheckCannotBeRead",
               [](auto&, FakeFileSystem& fs, auto&) {
                 fs.FailCall(FileOp::ReadAt, platform::kErrorReadFault);
               },
               ReadFrom::kMappedImage}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- a copy already in place: left alone when it is current, else replaced

struct OldCopy {
  const char* name;
  std::ptrdiff_t sizeChange;  // against the payload's size
  std::ptrdiff_t flipAt;      // the one byte that differs from the payload's; -1: none
  void (*arrange)(FakeFileSystem&);
  ReadFrom way;
  bool succeeds;
  bool current;
  std::uint64_t compared;
  int reads;  // of the old copy
};

void PrintTo(const OldCopy& row, std::ostream* os) { *os << row.name; }

class CopyInPlace : public WritePayloadTest, public ::testing::WithParamInterface<OldCopy> {};

TEST_P(CopyInPlace, IsLeftAloneWhenItHoldsThePayloadElseReplaced) {
  const OldCopy row = GetParam();
  old_ = Expected();
  old_.resize(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(kPayloadSize) + row.sizeChange),
              std::byte{0x11});
  if (row.flipAt >= 0) old_[static_cast<std::size_t>(row.flipAt)] ^= std::byte{1};
  fs_.PutFile(kTarget, old_);
  if (row.arrange != nullptr) row.arrange(fs_);
  fs_.ClearCalls();

  EXPECT_EQ(Attempt(row.way), row.succeeds);
  EXPECT_EQ(last_.alreadyCurrent, row.current);
  EXPECT_EQ(last_.comparedBytes, row.compared);
  EXPECT_EQ(std::count_if(fs_.Calls().begin(), fs_.Calls().end(),
                          [](const auto& c) { return c.op == FileOp::ReadAt && c.path == kTarget; }),
            row.reads);
  // Current: not one change of any kind, not even a temporary file.
  int changes = 0;
  for (FileOp op : {FileOp::CreateNew, FileOp::Write, FileOp::Flush, FileOp::MoveReplace,
                    FileOp::Delete}) {
    changes += fs_.CountCalls(op);
  }
  if (row.current) {
    EXPECT_EQ(changes, 0);
    // Compared with the mapped view: of the exe's file at most the first
    // bytes are read, which tell whether it could be written from.
    EXPECT_LE(std::count_if(fs_.Calls().begin(), fs_.Calls().end(),
                            [](const auto& c) { return c.op == FileOp::ReadAt && c.path == kExe; }),
              1);
  } else if (row.succeeds) {
    EXPECT_EQ(fs_.CountCalls(FileOp::MoveReplace), 1);
  }
  EXPECT_EQ(fs_.Content(kTarget), row.succeeds ? Expected() : old_);
  EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{kZipName});
  EXPECT_EQ(fs_.OpenFiles(), 0);
  EXPECT_EQ(dialogs_.MessagesWithText(kDoneText).size(), row.succeeds ? 1u : 0u);
}

constexpr std::uint64_t kAll = kPayloadSize;
constexpr std::ptrdiff_t kMiddle = kPayloadSize / 2;  // in the second chunk

INSTANTIATE_TEST_SUITE_P(
    EveryKind, CopyInPlace,
    ::testing::Values(
        OldCopy{"Equal", 0, -1, nullptr, ReadFrom::kMappedImage, true, true, kAll, 3},
        OldCopy{"EqualReadingTheExe", 0, -1, nullptr, ReadFrom::kExeFile, true, true, kAll, 3},
        OldCopy{"EqualAndReadOnly", 0, -1,
                [](FakeFileSystem& fs) {
                  fs.SetAttributes(kTarget, platform::kFileAttributeReadOnly);
                },
                ReadFrom::kMappedImage, true, true, kAll, 3},
        OldCopy{"EqualAndHeldByAReaderSharingOnlyReading", 0, -1,
                [](FakeFileSystem& fs) { (void)fs.OpenElsewhere(kTarget, kShareRead); },
                ReadFrom::kMappedImage, true, true, kAll, 3},
        // Each difference costs at most one compare and one write.
        OldCopy{"FirstByteDiffers", 0, 0, nullptr, ReadFrom::kMappedImage, true, false, 0, 1},
        OldCopy{"MiddleByteDiffers", 0, kMiddle, nullptr, ReadFrom::kMappedImage, true, false,
                kMiddle, 2},
        OldCopy{"LastByteDiffers", 0, kPayloadSize - 1, nullptr, ReadFrom::kMappedImage, true,
                false, kAll - 1, 3},
        OldCopy{"LastByteDiffersReadingTheExe", 0, kPayloadSize - 1, nullptr, ReadFrom::kExeFile,
                true, false, kAll - 1, 3},
        OldCopy{"Shorter", -1, -1, nullptr, ReadFrom::kMappedImage, true, false, 0, 0},
        OldCopy{"Longer", 1, -1, nullptr, ReadFrom::kMappedImage, true, false, 0, 0},
        // Cut short after it was sized: the last read comes back short, which
        // a stale buffer would have matched.
        OldCopy{"EqualButCutShortWhileCompared", 0, -1,
                [](FakeFileSystem& fs) {
                  fs.BeforeCall(FileOp::ReadAt, [&fs] { fs.PutFile(kTarget, Pattern(kPayloadSize - 100, 1)); }, 3);
                },
                ReadFrom::kMappedImage, true, false, kAll - 100, 3},
        OldCopy{"Unreadable", 0, -1,
                [](FakeFileSystem& fs) {
                  fs.FailOnName(FileOp::OpenRead, kTarget, platform::kErrorAccessDenied);
                },
                ReadFrom::kMappedImage, true, false, 0, 0},
        OldCopy{"ReadErrorMidway", 0, -1,
                [](FakeFileSystem& fs) {
                  fs.FailCall(FileOp::ReadAt, platform::kErrorReadFault, 2);
                },
                ReadFrom::kMappedImage, true, false, kWriteChunk, 2},
        // Cannot be read, so it is written, and the rename is refused as before.
        OldCopy{"EqualButHeldWithoutSharing", 0, -1,
                [](FakeFileSystem& fs) { (void)fs.OpenElsewhere(kTarget, kShareNone); },
                ReadFrom::kMappedImage, false, false, 0, 0},
        OldCopy{"DiffersAndReadOnly", 0, 0,
                [](FakeFileSystem& fs) {
                  fs.SetAttributes(kTarget, platform::kFileAttributeReadOnly);
                },
                ReadFrom::kMappedImage, false, false, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WritePayloadTest, AMissingResourceFailsBeforeTouchingAnyFile) {
  PutOld(10);
  fs_.ClearCalls();
  resources_.FailCall(ResourceCall::Find, platform::kErrorResourceNameNotFound);
  EXPECT_FALSE(Attempt(ReadFrom::kExeFile));
  EXPECT_TRUE(fs_.Calls().empty());
  ExpectUntouched();
  EXPECT_FALSE(last_.payload);
}

TEST_F(WritePayloadTest, OldFilesThatMustNotBeReplacedMakeTheAttemptFail) {
  // Read-only: Wine would replace it, Windows would not; neither may happen.
  PutOld(10, platform::kFileAttributeReadOnly | platform::kFileAttributeArchive);
  EXPECT_FALSE(Attempt());
  ExpectUntouched();
  EXPECT_EQ(fs_.CountCalls(FileOp::CreateNew), 0);

  // Held open by another program.
  PutOld(10);
  const auto holder = fs_.OpenElsewhere(kTarget, kShareRead);
  ASSERT_NE(holder, 0u);
  EXPECT_FALSE(Attempt());
  ExpectUntouched();
  fs_.CloseElsewhere(holder);
}

TEST_F(WritePayloadTest, AFolderInTheTargetsPlaceOrAMissingFolderChangesNothing) {
  fs_.MakeFolders(kTarget);
  EXPECT_FALSE(Attempt());
  EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{kZipName});
  EXPECT_TRUE(fs_.Names(kTarget).empty());

  strTargetDir_ = L"C:\\Velto\\Missing\\";
  EXPECT_FALSE(Attempt());
  EXPECT_FALSE(fs_.Exists(L"C:\\Velto\\Missing"));
  EXPECT_TRUE(dialogs_.Shown().empty());
}

TEST_F(WritePayloadTest, LeftoversOfInterruptedAttemptsGoButOtherFilesStay) {
  const std::wstring folder = kFolder;
  fs_.PutFile(folder + TempName(kZipName, 1), Pattern(100, 2));
  fs_.PutFile(folder + L"LUMARSO2015.ZIP.~DEADBEEF.TMP", Pattern(100, 3));
  const std::wstring live = folder + TempName(kZipName, 7);
  fs_.PutFile(live, Pattern(100, 4));
  const auto holder = fs_.OpenElsewhere(live, kShareRead);  // another attempt still running
  fs_.PutFile(folder + L"Lumarso2015.zip.~notmine.tmp", Pattern(10, 5));
  fs_.PutFile(folder + L"Lumarso2015.zip.bak", Pattern(10, 6));
  fs_.PutFile(folder + L"Quadrivo.exe", Pattern(10, 7));

  ASSERT_TRUE(Attempt());
  fs_.CloseElsewhere(holder);
  std::vector<std::wstring> names = fs_.Names(kFolder);
  std::sort(names.begin(), names.end());
  std::vector<std::wstring> expected{L"Lumarso2015.zip", TempName(kZipName, 7),
                                     L"Lumarso2015.zip.~notmine.tmp", L"Lumarso2015.zip.bak",
                                     L"Quadrivo.exe"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);

  // Over the copy now current: nothing written, and a leftover goes all the same.
  fs_.PutFile(folder + TempName(kZipName, 2), Pattern(100, 2));
  ASSERT_TRUE(Attempt());
  EXPECT_TRUE(last_.alreadyCurrent);
  EXPECT_FALSE(fs_.Exists(folder + TempName(kZipName, 2)));
}

TEST_F(WritePayloadTest, FailedLeftoverCleanupDoesNotStopTheAttempt) {
  fs_.PutFile(std::wstring(kFolder) + TempName(kZipName, 1), Pattern(100, 2));
  fs_.FailCall(FileOp::List, platform::kErrorAccessDenied);
  EXPECT_TRUE(Attempt());
  EXPECT_EQ(fs_.Content(kTarget), Expected());
}

// ---- a nearly full disk

TEST_F(WritePayloadTest, WithoutRoomForTwoCopiesTheOldOneGoesFirst) {
  PutOld(1 << 20);
  fs_.SetFreeSpace(L'C', kPayloadSize - 1);
  ASSERT_TRUE(Attempt());
  EXPECT_EQ(fs_.Content(kTarget), Expected());
  EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{kZipName});
  // The old file was deleted before the new one was created.
  auto at = [&](FileOp op, const std::wstring& path) {
    auto it = std::find_if(fs_.Calls().begin(), fs_.Calls().end(),
                           [&](const auto& c) { return c.op == op && (path.empty() || c.path == path); });
    return it - fs_.Calls().begin();
  };
  EXPECT_LT(at(FileOp::Delete, kTarget), at(FileOp::CreateNew, L""));
  EXPECT_EQ(dialogs_.Shown().size(), 1u);
}

TEST_F(WritePayloadTest, WithRoomForBothTheOldFileStaysUntilTheRename) {
  PutOld(1 << 20);
  fs_.SetFreeSpace(L'C', kPayloadSize);
  ASSERT_TRUE(Attempt());
  for (const auto& call : fs_.Calls()) {
    EXPECT_FALSE(call.op == FileOp::Delete && call.path == kTarget);
  }
}

TEST_F(WritePayloadTest, AFailedDeleteOfTheOldFileOnAFullDiskFailsTheAttempt) {
  PutOld(1 << 20);
  fs_.SetFreeSpace(L'C', 100);
  fs_.FailOnName(FileOp::Delete, kTarget, platform::kErrorAccessDenied);
  EXPECT_FALSE(Attempt());
  ExpectUntouched();
}

TEST_F(WritePayloadTest, ADiskTooFullEvenWithoutTheOldFileNeverShowsAPartialFile) {
  PutOld(1000);
  fs_.SetFreeSpace(L'C', kWriteChunk);
  EXPECT_FALSE(Attempt());
  // The old file was given up deliberately; no partial file takes its name.
  EXPECT_TRUE(fs_.Names(kFolder).empty());
  EXPECT_EQ(fs_.OpenFiles(), 0);
  EXPECT_TRUE(dialogs_.Shown().empty());
}

TEST_F(WritePayloadTest, AFullDiskWithNoOldFileDeletesNothingAndLeavesNothing) {
  fs_.PutFile(std::wstring(kFolder) + L"Quadrivo.exe", Pattern(10, 7));
  fs_.SetFreeSpace(L'C', 100);
  EXPECT_FALSE(Attempt());
  EXPECT_EQ(fs_.Names(kFolder), std::vector<std::wstring>{L"Quadrivo.exe"});
  EXPECT_EQ(fs_.CountCalls(FileOp::Delete), 1) << "only the failed temporary file";
}

// ---- the trap

struct ProgramEnded {};

TEST_F(WritePayloadTest, WhatHappensWhileTheBoxIsOpenIsNotSwallowed) {
  dialogs_.AnswerMessage(platform::Answer::Ok, [] { throw ProgramEnded{}; });
  EXPECT_THROW((void)Attempt(), ProgramEnded);
  EXPECT_EQ(fs_.Content(kTarget), Expected());
}

}  // namespace
}  // namespace payload
