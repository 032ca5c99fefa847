// Whole attempts of the patch updater against the doubles: which installed
// file gets patched, which is left alone and how each ends, and that no
// failure ever replaces the installed file or leaves a temporary one.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "payload/apply_patch.h"
#include "payload/tests/patch_pairs.h"
#include "payload/write_payload.h"
#include "platform/doubles/fake_dialogs.h"
#include "platform/doubles/fake_files.h"
#include "platform/doubles/fake_resources.h"
#include "platform/doubles/openssl_sha256.h"

namespace payload {
namespace {

using platform::doubles::FakeDialogs;
using platform::doubles::FakeFileSystem;
using platform::doubles::FakeResources;
using platform::doubles::FileOp;
using platform::doubles::HashOp;
using platform::doubles::OpensslSha256;
using testing::Bytes;

constexpr wchar_t kFolder[] = L"C:\\Velto\\Quadrivo\\";
constexpr wchar_t kTarget[] = L"C:\\Velto\\Quadrivo\\Lumarso2015.zip";

const Bytes kOld = testing::Noise(6u << 20, 21);  // two target windows
const Bytes kNew = testing::Edited(kOld, 22);
const Bytes kDelta = testing::Xdelta(kOld, kNew);

using testing::Pack;

class ApplyPatchTest : public ::testing::Test {
 public:
  void Carry(const Bytes& resource) { resources_.Add(L"CUSTOM", kPatchResourceId, resource); }
  PatchAttempt Run() { return ApplyPatch(fs_, resources_, sha_, dialogs_, kFolder); }
  [[nodiscard]] bool Installed(const Bytes& bytes) const { return fs_.Content(kTarget) == bytes; }
  [[nodiscard]] bool OnlyTheArchive() const {
    return fs_.Names(kFolder) == std::vector<std::wstring>{L"Lumarso2015.zip"};
  }
  [[nodiscard]] bool ToldDone() const {
    return dialogs_.Shown().size() == 1 && dialogs_.Shown()[0].text == kDoneText;
  }

  FakeFileSystem fs_;
  FakeResources resources_;
  FakeDialogs dialogs_;
  OpensslSha256 sha_;
};

TEST_F(ApplyPatchTest, TheOldEditionBecomesTheNewOneReadOnce) {
  Bytes padded = Pack(kOld, kNew, kDelta);
  padded.resize(padded.size() + 3);  // as a resource section may align it
  Carry(padded);
  fs_.PutFile(kTarget, kOld);
  const PatchAttempt a = Run();
  EXPECT_EQ(a.outcome, PatchOutcome::kWritten) << a.why;
  EXPECT_TRUE(Installed(kNew));
  EXPECT_TRUE(OnlyTheArchive());
  EXPECT_TRUE(ToldDone());
  EXPECT_EQ(fs_.OpenFiles(), 0);
  // Hashed as written, and the installed file never hashed: one read of it.
  EXPECT_EQ(sha_.TotalBytesHashed(), kNew.size());
  EXPECT_FALSE(a.foundSha256.has_value());
}

// OpenSSL's hash, holding back the first piece until the file system saw a
// write: it goes on at once when the hash runs beside the write, and only
// after the guard's time when the write waits for the hash.
class HashWaitingForAWrite final : public platform::Sha256 {
 public:
  platform::Win32Status Begin() override { return sha_.Begin(); }
  platform::Win32Status Update(const void* data, std::uint32_t size) override {
    if (pieces_++ == 0) {
      std::unique_lock lock(mutex_);
      besideTheWrite_ = wrote_.wait_for(lock, std::chrono::seconds(20), [this] { return written_; });
    }
    return sha_.Update(data, size);
  }
  platform::Win32Status Finish(platform::Sha256Digest* digest) override { return sha_.Finish(digest); }

  void Wrote() {
    {
      const std::lock_guard lock(mutex_);
      written_ = true;
    }
    wrote_.notify_all();
  }
  [[nodiscard]] bool BesideTheWrite() {
    const std::lock_guard lock(mutex_);
    return besideTheWrite_;
  }

 private:
  OpensslSha256 sha_;
  int pieces_ = 0;
  std::mutex mutex_;
  std::condition_variable wrote_;
  bool written_ = false;
  bool besideTheWrite_ = false;
};

TEST_F(ApplyPatchTest, TheResultIsHashedWhileItIsWritten) {
  Carry(Pack(kOld, kNew, kDelta));
  fs_.PutFile(kTarget, kOld);
  HashWaitingForAWrite sha;
  fs_.BeforeCall(FileOp::Write, [&sha] { sha.Wrote(); });
  const PatchAttempt a = ApplyPatch(fs_, resources_, sha, dialogs_, kFolder);
  EXPECT_EQ(a.outcome, PatchOutcome::kWritten) << a.why;
  EXPECT_TRUE(Installed(kNew));
  EXPECT_TRUE(sha.BesideTheWrite());
}

// What the folder holds, and how the attempt ends; none of these writes.
struct Found {
  const char* name;
  std::function<void(FakeFileSystem&)> put;
  PatchOutcome outcome;
  bool told;
  bool applied = false;  // tried (a same-size file is told apart by the result)
  std::function<Bytes()> resource = nullptr;  // the usual patch when none
};

class WhatIsInstalled : public ApplyPatchTest, public ::testing::WithParamInterface<Found> {};

TEST_P(WhatIsInstalled, DecidesWithoutWriting) {
  Carry(GetParam().resource ? GetParam().resource() : Pack(kOld, kNew, kDelta));
  GetParam().put(fs_);
  const auto before = fs_.Content(kTarget);
  const PatchAttempt a = Run();
  EXPECT_EQ(a.outcome, GetParam().outcome) << a.why;
  EXPECT_EQ(fs_.Content(kTarget), before);
  EXPECT_EQ(fs_.CountCalls(FileOp::CreateNew), GetParam().applied ? 1 : 0);
  EXPECT_EQ(fs_.CountCalls(FileOp::MoveReplace), 0);
  EXPECT_EQ(fs_.Names(kFolder).size(), before ? 1u : 0u) << "a temporary file was left";
  EXPECT_EQ(ToldDone(), GetParam().told);
  EXPECT_TRUE(dialogs_.Shown().size() <= 1);
  EXPECT_EQ(fs_.OpenFiles(), 0);
}

Bytes SameSizeAsOld(std::size_t at = kOld.size() / 2) {
  Bytes b = kOld;
  b[at] ^= std::byte{1};
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Folder, WhatIsInstalled,
    ::testing::Values(
        Found{"already_new", [](FakeFileSystem& fs) { fs.PutFile(kTarget, kNew); },
              PatchOutcome::kAlreadyNew, true},
        Found{"no_file", [](FakeFileSystem& fs) { fs.MakeFolders(kFolder); },
              PatchOutcome::kNotTheBase, false},
        Found{"another_size", [](FakeFileSystem& fs) { fs.PutFile(kTarget, testing::Noise(5000, 3)); },
              PatchOutcome::kNotTheBase, false},
        Found{"empty_file", [](FakeFileSystem& fs) { fs.PutFile(kTarget, {}); },
              PatchOutcome::kNotTheBase, false},
        Found{"another_edition_of_the_old_size",
              [](FakeFileSystem& fs) { fs.PutFile(kTarget, SameSizeAsOld()); },
              PatchOutcome::kNotTheBase, false, true},
        // Editions of one size: a third file of that size is hashed once and
        // never applied.
        Found{"another_edition_when_both_have_one_size",
              [](FakeFileSystem& fs) { fs.PutFile(kTarget, SameSizeAsOld(kOld.size() / 3)); },
              PatchOutcome::kNotTheBase, false, false,
              [] { return Pack(kOld, SameSizeAsOld(), testing::Xdelta(kOld, SameSizeAsOld())); }},
        Found{"held_by_another_program",
              [](FakeFileSystem& fs) {
                fs.PutFile(kTarget, kOld);
                (void)fs.OpenElsewhere(kTarget, platform::doubles::kShareNone);
              },
              PatchOutcome::kFailed, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplyPatchTest, AnotherEditionOfTheOldSizeIsReportedWithItsHash) {
  Carry(Pack(kOld, kNew, kDelta));
  fs_.PutFile(kTarget, SameSizeAsOld());
  const PatchAttempt a = Run();
  ASSERT_EQ(a.outcome, PatchOutcome::kNotTheBase);
  ASSERT_TRUE(a.foundSize && a.foundSha256);
  EXPECT_EQ(*a.foundSize, kOld.size());
  EXPECT_NE(*a.foundSha256, a.header->from[0].edition.sha256);
  EXPECT_TRUE(OnlyTheArchive());
}

// A patch from several editions, oldest first, each a step from the one
// before; the new bytes they share are in a pool each delta copies from
// after its own edition.
Bytes Concat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

struct Editions {
  Editions(std::vector<Bytes> editions, Bytes shared) : from(std::move(editions)), pool(std::move(shared)) {
    std::vector<Bytes> deltas;
    for (const Bytes& e : from) deltas.push_back(testing::Xdelta(Concat(e, pool), kNew));
    patch = Pack(from, deltas, kNew, pool);
  }
  std::vector<Bytes> from;
  Bytes pool;
  Bytes patch;
};

// The bytes Edited() inserted into the new edition, which no older one has.
const Bytes kPool(kNew.begin() + static_cast<std::ptrdiff_t>(kOld.size() / 4),
                  kNew.begin() + static_cast<std::ptrdiff_t>(kOld.size() / 4 + kOld.size() / 40));
// Shortened, so that no two editions share a size.
const Bytes kOlder = [] {
  Bytes b = testing::Edited(kOld, 41);
  b.resize(b.size() - 100);
  return b;
}();
const Bytes kOldest = testing::Edited(kOlder, 42);

struct Listed {
  const char* name;
  const Editions& (*editions)();
  std::size_t installed;      // which of them
  std::uint64_t hashedBefore;  // bytes of the installed file hashed before the apply
};

class FromAnyListedEdition : public ApplyPatchTest, public ::testing::WithParamInterface<Listed> {};

TEST_P(FromAnyListedEdition, BecomesTheNewOne) {
  const Editions& e = GetParam().editions();
  Carry(e.patch);
  fs_.PutFile(kTarget, e.from[GetParam().installed]);
  const PatchAttempt a = Run();
  EXPECT_EQ(a.outcome, PatchOutcome::kWritten) << a.why;
  EXPECT_EQ(a.base, std::optional<std::size_t>(GetParam().installed));
  EXPECT_TRUE(Installed(kNew));
  EXPECT_TRUE(OnlyTheArchive());
  EXPECT_TRUE(ToldDone());
  EXPECT_EQ(sha_.TotalBytesHashed(), GetParam().hashedBefore + kNew.size());
}

// Each made once, on first use.
const Editions& Two() {
  static const Editions e({kOlder, kOld}, kPool);
  return e;
}
const Editions& Three() {
  static const Editions e({kOldest, kOlder, kOld}, kPool);
  return e;
}
// Editions of one size: only the hash tells which delta fits.
const Editions& SameSize() {
  static const Editions e({kOld, SameSizeAsOld()}, kPool);
  return e;
}
// A pool and no other edition.
const Editions& OneWithAPool() {
  static const Editions e({kOld}, kPool);
  return e;
}

INSTANTIATE_TEST_SUITE_P(
    Patch, FromAnyListedEdition,
    ::testing::Values(Listed{"two_older", Two, 0, 0}, Listed{"two_newer", Two, 1, 0},
                      Listed{"three_oldest", Three, 0, 0}, Listed{"three_middle", Three, 1, 0},
                      Listed{"three_newest", Three, 2, 0},
                      Listed{"same_size_first", SameSize, 0, kOld.size()},
                      Listed{"same_size_second", SameSize, 1, kOld.size()},
                      Listed{"one_with_a_pool", OneWithAPool, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplyPatchTest, AFileOfTheSizeOfTwoEditionsButNeitherIsNotTouched) {
  Carry(SameSize().patch);
  Bytes third = kOld;
  third[7] ^= std::byte{2};
  fs_.PutFile(kTarget, third);
  const PatchAttempt a = Run();
  EXPECT_EQ(a.outcome, PatchOutcome::kNotTheBase);
  EXPECT_FALSE(a.base.has_value());
  EXPECT_TRUE(a.foundSha256.has_value());
  EXPECT_EQ(fs_.CountCalls(FileOp::CreateNew), 0);
  EXPECT_TRUE(Installed(third));
}

// Every way an apply can go wrong part-way: nothing replaced, no temporary
// file left, the attempt failed (so it is retried).
struct Fault {
  const char* name;
  std::function<Bytes()> resource;
  std::function<void(ApplyPatchTest&)> arrange;
  // The writing side's failures are left to the caller's watch of its calls.
  bool says_why = true;
  std::optional<platform::Win32Status> status{};  // the status it reports, when checked
};

class FailedApply : public ApplyPatchTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FailedApply, ReplacesNothing) {
  Carry(GetParam().resource());
  fs_.PutFile(kTarget, kOld);
  GetParam().arrange(*this);
  const PatchAttempt a = Run();
  EXPECT_EQ(a.outcome, PatchOutcome::kFailed);
  EXPECT_EQ(!a.why.empty(), GetParam().says_why) << a.why;
  if (GetParam().status) {
    EXPECT_EQ(a.status, *GetParam().status) << a.why;
  }
  EXPECT_TRUE(fs_.Content(kTarget) == kOld);
  EXPECT_TRUE(OnlyTheArchive());
  EXPECT_TRUE(dialogs_.Shown().empty());
  EXPECT_EQ(fs_.OpenFiles(), 0);
}

Bytes WithDeltaByte(std::size_t fromEnd) {
  Bytes d = kDelta;
  d[d.size() - fromEnd] ^= std::byte{0x40};
  return Pack(kOld, kNew, d);
}

Bytes WithHeaderByte(std::size_t at, std::uint8_t value) {
  Bytes r = Pack(kOld, kNew, kDelta);
  r[at] = std::byte{value};
  return r;
}

const auto kNothing = [](ApplyPatchTest&) {};

INSTANTIATE_TEST_SUITE_P(
    Apply, FailedApply,
    ::testing::Values(
        // A byte of the added data (the data section ends the window)
        // changed: well-formed, wrong result.
        Fault{"damaged_delta_data", [] { return WithDeltaByte(kDelta.size() / 3); }, kNothing},
        Fault{"damaged_delta_structure",
              [] {
                Bytes d = kDelta;
                d.resize(d.size() / 2);
                return Pack(kOld, kNew, d);
              },
              kNothing},
        Fault{"not_a_patch", [] { return Bytes(200, std::byte{7}); }, kNothing},
        // A header this exe does not know, or whose parts do not fit.
        Fault{"unknown_version", [] { return WithHeaderByte(8, 3); }, kNothing},
        Fault{"no_editions", [] { return WithHeaderByte(12, 0); }, kNothing},
        Fault{"more_editions_than_listed", [] { return WithHeaderByte(12, 2); }, kNothing},
        Fault{"pool_past_the_end", [] { return WithHeaderByte(63, 1); }, kNothing},
        // One byte short of the header: its last field must not be read.
        Fault{"shorter_than_its_header",
              [] {
                Bytes r = Pack(kOld, kNew, kDelta);
                r.resize(kPatchFixedSize + kPatchBaseSize - 1);
                return r;
              },
              kNothing},
        Fault{"missing_resource", [] { return Bytes{}; },
              [](ApplyPatchTest& t) { t.resources_.FailCall(platform::doubles::ResourceCall::Find, 1814); }},
        // Another program rewrites the installed file while the apply reads
        // it, and puts it back before the apply's check: a failed attempt,
        // not another edition.
        Fault{"base_changes_during_the_apply", [] { return Pack(kOld, kNew, kDelta); },
              [](ApplyPatchTest& t) {
                t.fs_.BeforeCall(FileOp::ReadAt, [&t] {
                  Bytes changed = kOld;
                  for (std::size_t i = 0; i < changed.size(); i += 4096) changed[i] = std::byte{0};
                  t.fs_.PutFile(kTarget, changed);
                }, 2);
                t.fs_.BeforeCall(FileOp::ReadAt, [&t] { t.fs_.PutFile(kTarget, kOld); }, 3);
              }},
        // Cut short while read (and put back before it is checked): fewer
        // bytes are an error, not the file.
        Fault{"base_cut_short_during_the_apply", [] { return Pack(kOld, kNew, kDelta); },
              [](ApplyPatchTest& t) {
                t.fs_.BeforeCall(FileOp::ReadAt, [&t] {
                  t.fs_.PutFile(kTarget, Bytes(kOld.begin(), kOld.begin() + 1000));
                });
                t.fs_.BeforeCall(FileOp::Delete, [&t] { t.fs_.PutFile(kTarget, kOld); });
              },
              true, platform::kErrorHandleEof},
        Fault{"read_error", [] { return Pack(kOld, kNew, kDelta); },
              [](ApplyPatchTest& t) { t.fs_.FailCall(FileOp::ReadAt, 23, 2); }},
        Fault{"write_error", [] { return Pack(kOld, kNew, kDelta); },
              [](ApplyPatchTest& t) { t.fs_.FailCall(FileOp::Write, platform::kErrorDiskFull); },
              false},
        Fault{"hash_error", [] { return Pack(kOld, kNew, kDelta); },
              [](ApplyPatchTest& t) { t.sha_.FailCall(HashOp::Update, platform::kErrorNotEnoughMemory); }},
        Fault{"no_room_for_both", [] { return Pack(kOld, kNew, kDelta); },
              [](ApplyPatchTest& t) { t.fs_.SetFreeSpace(L'C', kNew.size() - 1); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace payload
