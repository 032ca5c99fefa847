// A writer killed at random moments leaves the old content or the new one,
// never a mix, and the next attempt leaves no temporary file behind.  The
// same for the patch's apply, alternated with putting the previous edition
// back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

// Starts the helper with `mode` after the folder, kills it `killsWanted` times and
// checks that the target always holds `a` or `b`.
void KillRepeatedly(const std::wstring& mode, std::span<const std::byte> a,
                    std::span<const std::byte> b, int killsWanted) {
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
    // Two backslashes before the closing quote: one survives the parsing.
    std::wstring command = L"\"" + HelperPath() + L"\" \"" + folder + L"\\\"" + mode;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &info))
        << ::GetLastError();
    UniqueKernelHandle process(info.hProcess);
    UniqueKernelHandle thread(info.hThread);
    ASSERT_TRUE(StartedWriting(folder, process.get())) << "kill " << i;
    ::Sleep(static_cast<DWORD>(delayMs(rng)));
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

    ASSERT_TRUE(WriteFileAtomically(fs, folder, kZipName, i % 2 ? a : std::span<const std::byte>(b)));
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
  const auto b = VariantB(*payload);
  KillRepeatedly(L"", VariantA(*payload), b, kKills);
}

TEST(KilledPatch, LeavesThePreviousEditionOrTheNewOne) {
  platform::win32::Win32Resources resources;
  const auto payload = resources.Find(kResourceType, kResourceId, nullptr);
  ASSERT_TRUE(payload);
  const auto old = ReadAll(LUMARSO_PATCH_BASE_WINE_PATH);
  ASSERT_TRUE(old);
  KillRepeatedly(L" --patch \"" LUMARSO_PATCH_BASE_WINE_PATH L"\"", *payload, *old, kKills / 2);
}

}  // namespace
}  // namespace payload::testing
