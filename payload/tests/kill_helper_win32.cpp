// Writes its embedded payload into the folder given, again and again,
// alternating two contents, until it is killed.
#include <windows.h>

#include <cstdio>

#include "payload/tests/kill_variants.h"
#include "payload/write_file_atomically.h"
#include "payload/write_payload.h"
#include "platform/win32/files.h"
#include "platform/win32/resources.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fwprintf(stderr, L"usage: payload_kill_helper <folder\\>\n");
    return 2;
  }
  platform::win32::Win32Resources resources;
  platform::win32::Win32FileSystem fs;
  const auto payload = resources.Find(payload::kResourceType, payload::kResourceId, nullptr);
  if (!payload) return 3;
  const std::wstring folder = argv[1];
  const auto a = payload::testing::VariantA(*payload);
  const auto b = payload::testing::VariantB(*payload);
  for (unsigned round = 0;; ++round) {
    const bool ok = round % 2 == 0 ? payload::WriteFileAtomically(fs, folder, payload::kZipName, a)
                                   : payload::WriteFileAtomically(fs, folder, payload::kZipName, b);
    if (!ok) return 4;
  }
}
