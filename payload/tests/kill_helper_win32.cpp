// Writes its embedded payload into the folder given, again and again,
// alternating two contents, until it is killed.  With --patch OLD it
// alternates the previous edition (read from OLD) with the patch it carries
// applied to it.  With --patch-once it applies the patch once, as the patch's
// next run would: exit 0 patched, 10 already new, 4 anything else.
#include <windows.h>

#include <cstdio>
#include <string>

#include "payload/apply_patch.h"
#include "payload/tests/kill_variants.h"
#include "payload/write_file_atomically.h"
#include "payload/write_payload.h"
#include "platform/win32/files.h"
#include "platform/win32/resources.h"
#include "platform/win32/sha256.h"
#include "tests/support/win32/scratch_folder.h"

namespace {

class NoBoxes final : public platform::Dialogs {
 public:
  platform::Answer MessageBox(const std::wstring&, platform::Icon, platform::Buttons,
                              const std::wstring&) override {
    return platform::Answer::Ok;
  }
  std::wstring InputBox(const std::wstring&, const std::wstring&, const std::wstring&) override {
    return {};
  }
};

int Patching(platform::FileSystem& fs, platform::Resources& resources, const std::wstring& folder,
             const std::wstring& oldPath) {
  const auto old = test_support::ReadAll(oldPath);
  if (!old) return 3;
  platform::win32::Win32Sha256 sha;
  NoBoxes boxes;
  for (unsigned round = 0;; ++round) {
    const bool ok =
        round % 2 == 0
            ? payload::WriteFileAtomically(fs, folder, payload::kZipName, *old)
            : payload::ApplyPatch(fs, resources, sha, boxes, folder).outcome ==
                  payload::PatchOutcome::kWritten;
    if (!ok) return 4;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool patch = argc == 4 && std::wstring(argv[2]) == L"--patch";
  const bool once = argc == 3 && std::wstring(argv[2]) == L"--patch-once";
  if (argc != 2 && !patch && !once) {
    std::fwprintf(stderr,
                  L"usage: payload_kill_helper <folder\\> [--patch <old edition> | --patch-once]\n");
    return 2;
  }
  platform::win32::Win32Resources resources;
  platform::win32::Win32FileSystem fs;
  const std::wstring folder = argv[1];
  if (once) {
    platform::win32::Win32Sha256 sha;
    NoBoxes boxes;
    const payload::PatchOutcome outcome = payload::ApplyPatch(fs, resources, sha, boxes, folder).outcome;
    if (outcome == payload::PatchOutcome::kWritten) return 0;
    return outcome == payload::PatchOutcome::kAlreadyNew ? 10 : 4;
  }
  if (patch) return Patching(fs, resources, folder, argv[3]);
  const auto payload = resources.Find(payload::kResourceType, payload::kResourceId, nullptr);
  if (!payload) return 3;
  const auto a = payload::testing::VariantA(*payload);
  const auto b = payload::testing::VariantB(*payload);
  for (unsigned round = 0;; ++round) {
    const bool ok = round % 2 == 0 ? payload::WriteFileAtomically(fs, folder, payload::kZipName, a)
                                   : payload::WriteFileAtomically(fs, folder, payload::kZipName, b);
    if (!ok) return 4;
  }
}
