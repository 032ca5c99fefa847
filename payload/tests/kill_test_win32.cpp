// A writer killed at random moments leaves the old content or the new one,
// never a mix, and the next attempt leaves no temporary file behind.  The
// same for the patch's apply, alternated with putting the previous edition
// back; there the next attempt is the patch's own, which must end with the
// new edition from either state, leftover and all.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

#include "payload/temp_names.h"
#include "payload/tests/kill_variants.h"
#include "payload/write_file_atomically.h"
#include "payload/write_payload.h"
#include "platform/win32/files.h"
#include "platform/win32/resources.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/win32/scratch_folder.h"

namespace payload::testing {
namespace {

using namespace test_support;

using platform::win32::UniqueKernelHandle;

constexpr int kKills = 24;

std::wstring HelperPath() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"payload_kill_helper.exe";
}

bool HasTempFile(const std::wstring& folder) {
  const auto names = NamesIn(folder);
  return std::any_of(names.begin(), names.end(),
                     [](const std::wstring& n) { return IsTempName(n, kZipName); });
}

// Waits for the helper's first temporary file: process start-up under Wine
// takes anything from 0.1 s to several seconds on a busy machine.
bool StartedWriting(const std::wstring& folder, HANDLE process) {
  for (int waited = 0; waited < 60000; waited += 2) {
    if (HasTempFile(folder)) return true;
    if (::WaitForSingleObject(process, 2) == WAIT_OBJECT_0) return false;
  }
  return false;
}

bool Same(const std::vector<std::byte>& file, std::span<const std::byte> bytes) {
  return file.size() == bytes.size() && std::equal(file.begin(), file.end(), bytes.begin());
}

// The helper with `args` after the folder, as a command line.
std::wstring Helper(const std::wstring& folder, const std::wstring& args) {
  // Two backslashes before the closing quote: one survives the parsing.
  return L"\"" + HelperPath() + L"\" \"" + folder + L"\\\"" + args;
}

// The attempt after kill number i, on the folder the helper wrote into.
using NextAttempt = std::function<void(platform::FileSystem&, const std::wstring& folder, int i)>;

// Starts the helper with `mode` after the folder, kills it `killsWanted` times and
// checks that the target always holds `a` or `b`, and that the next attempt
// leaves nothing else beside it.  With `oddAtOnce`, every other kill lands as
// soon as the helper's first temporary file shows.
void KillRepeatedly(const std::wstring& mode, std::span<const std::byte> a,
                    std::span<const std::byte> b, int killsWanted, const NextAttempt& next,
                    bool oddAtOnce = false) {
  platform::win32::Win32FileSystem fs;
  const ScratchFolder scratch = ScratchFolder::InTemp(L"payload");
  const std::wstring folder = scratch.Path();
  const std::wstring target = folder + kZipName;
  ASSERT_TRUE(WriteFileAtomically(fs, folder, kZipName, b));

  const unsigned seed = ::GetTickCount();
  std::mt19937 rng(seed);
  // Each of the helper's writes takes tens of ms; counted from its first
  // temporary file, most kills land inside a write, some between two.
  std::uniform_int_distribution<int> delayMs(0, 400);
  int kills = 0;
  int midWrite = 0;
  int sawA = 0;
  int sawB = 0;
  for (int i = 0; i < killsWanted; ++i) {
    std::wstring command = Helper(folder, mode);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &info))
        << ::GetLastError();
    UniqueKernelHandle process(info.hProcess);
    UniqueKernelHandle thread(info.hThread);
    ASSERT_TRUE(StartedWriting(folder, process.get())) << "kill " << i;
    const int delay = delayMs(rng);
    ::Sleep(static_cast<DWORD>(oddAtOnce && i % 2 ? 0 : delay));
    DWORD code = 0;
    ASSERT_TRUE(::GetExitCodeProcess(process.get(), &code));
    ASSERT_EQ(code, static_cast<DWORD>(STILL_ACTIVE)) << "the helper stopped by itself";
    ASSERT_TRUE(::TerminateProcess(process.get(), 9));
    ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    ++kills;

    const auto after = ReadAll(target);
    ASSERT_TRUE(after) << "kill " << i << ": the target vanished (seed " << seed << ")";
    const bool isA = Same(*after, a);
    const bool isB = Same(*after, b);
    ASSERT_TRUE(isA || isB) << "kill " << i << ": a mix of " << after->size() << " bytes (seed "
                            << seed << ")";
    sawA += isA;
    sawB += isB;
    midWrite += HasTempFile(folder);

    next(fs, folder, i);
    EXPECT_EQ(NamesIn(folder), std::vector<std::wstring>{kZipName}) << "kill " << i;
  }
  std::printf("kills %d, of them inside a write %d; target old/new: %d A, %d B (seed %u)\n", kills,
              midWrite, sawA, sawB, seed);
  EXPECT_GE(kills, killsWanted - 4);
  EXPECT_GT(midWrite, 0) << "no kill landed inside a write: the test proved nothing";
}

TEST(KilledWriter, LeavesOldOrNewNeverAMixAndTheNextAttemptCleansUp) {
  platform::win32::Win32Resources resources;
  const auto payload = resources.Find(kResourceType, kResourceId, nullptr);
  ASSERT_TRUE(payload);
  const auto a = VariantA(*payload);
  const auto b = VariantB(*payload);
  KillRepeatedly(L"", a, b, kKills, [&](platform::FileSystem& fs, const std::wstring& folder, int i) {
    ASSERT_TRUE(WriteFileAtomically(fs, folder, kZipName, i % 2 ? a : std::span<const std::byte>(b)));
  });
}

// Runs the helper with `args` to its end: its exit code.
DWORD RunHelper(const std::wstring& folder, const std::wstring& args) {
  std::wstring command = Helper(folder, args);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return ~DWORD{0};
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  DWORD code = ~DWORD{0};
  if (::WaitForSingleObject(process.get(), 120000) == WAIT_OBJECT_0) {
    (void)::GetExitCodeProcess(process.get(), &code);
  }
  return code;
}

TEST(KilledPatch, LeavesThePreviousEditionOrTheNewOne) {
  platform::win32::Win32Resources resources;
  const auto payload = resources.Find(kResourceType, kResourceId, nullptr);
  ASSERT_TRUE(payload);
  const auto old = ReadAll(LUMARSO_PATCH_BASE_WINE_PATH);
  ASSERT_TRUE(old);
  // Killed while writing the previous edition back (the kills at once, mostly),
  // the helper leaves the new one and a temporary file; killed in the apply,
  // the previous one and a temporary file of the new one, possibly complete.
  // The patch's next run, a process of its own, ends with the new one alone.
  int fromOld = 0;
  int fromNew = 0;
  KillRepeatedly(
      L" --patch \"" LUMARSO_PATCH_BASE_WINE_PATH L"\"", *payload, *old, kKills / 2,
      [&](platform::FileSystem&, const std::wstring& folder, int i) {
        const DWORD code = RunHelper(folder, L" --patch-once");
        ASSERT_TRUE(code == 0 || code == 10) << "kill " << i << ": exit code " << code;
        (code == 0 ? fromOld : fromNew) += 1;
        const auto now = ReadAll(folder + kZipName);
        ASSERT_TRUE(now && Same(*now, *payload)) << "kill " << i;
      },
      true);
  std::printf("the patch's next run: %d patched the previous edition, %d found the new one\n",
              fromOld, fromNew);
  EXPECT_GT(fromNew, 0) << "no kill left the new edition with a temporary file";
}

}  // namespace
}  // namespace payload::testing
