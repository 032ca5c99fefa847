#include "payload/write_payload.h"

namespace payload {

bool WritePayload(platform::FileSystem& fs, platform::Resources& resources,
                  platform::Dialogs& dialogs, const std::wstring& strTargetDir,
                  std::wstring& strZipName, std::span<const std::byte>& bytPayload) {
  bool written = false;
  try {
    strZipName = kZipName;
    platform::Win32Status error = platform::kErrorSuccess;
    const auto found = resources.Find(kResourceType, kResourceId, &error);
    if (!found) return false;
    bytPayload = *found;
    written = WriteFileAtomically(fs, strTargetDir, strZipName, bytPayload);
  } catch (...) {
    // Any failure of an attempt is silent; the caller retries.
    return false;
  }
  if (!written) return false;
  // Outside the trap: whatever happens while the box is open (the program
  // ending, say) is not this attempt's failure.
  dialogs.MessageBox(kDoneText, platform::Icon::Information, platform::Buttons::Ok, kDoneTitle);
  return true;
}

}  // namespace payload
