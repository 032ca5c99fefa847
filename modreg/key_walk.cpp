#include "modreg/key_walk.h"

#include "modreg/key_path.h"
#include "modreg/walk_handles.h"
#include "platform/codepage.h"
#include "platform/status.h"

namespace modreg {
namespace {

constexpr std::int32_t kTooManyParts = 100;

std::int32_t AsHandle(platform::RegKey key) noexcept { return static_cast<std::int32_t>(key); }
platform::RegKey AsKey(std::int32_t handle) noexcept { return static_cast<platform::RegKey>(handle); }

}  // namespace

std::int32_t KeyWalk::OpenKeyPath(const std::wstring& path, bool createMissing,
                                  std::int32_t samDesired) {
  ClearRegError(record_);
  const KeyPathParts split = SplitKeyPath(path);
  if (split.tooManyParts) {
    SetRegErrorCode(record_, kTooManyParts);
    return kNoHandle;
  }
  const std::vector<std::wstring>& parts = split.parts;
  if (parts.empty()) return 0;  // nothing to walk: the parent's starting value

  const std::optional<platform::RegKey> root = LookUpRoot(parts.front());
  if (!root) {
    SetRegErrorWin32(record_, platform::kErrorFileNotFound);
    return kNoHandle;
  }

  WalkHandles walk(registry_);
  platform::RegKey parent = *root;
  const auto sam = static_cast<std::uint32_t>(samDesired);
  for (std::size_t step = 1; step <= parts.size(); ++step) {
    // Each step opens the next name; the last one opens the key reached anew.
    const bool last = step == parts.size();
    const std::string name = last ? std::string() : platform::ToAnsi(parts[step]);
    const char* const namePtr = last ? nullptr : name.c_str();

    platform::RegKey opened = 0;
    platform::RegStatus status = registry_.OpenKeyExA(parent, namePtr, 0, sam, &opened);
    if (platform::IsNotFound(status) && createMissing) {
      std::wstring parentPath;
      for (std::size_t j = 0; j < step; ++j) parentPath += L"\\" + parts[j];
      parentPath.erase(0, 1);
      const std::int32_t created = CreateSubKeyNamed(parentPath, namePtr);
      if (created != 0) {
        SetRegErrorWin32(record_, created);
        return kNoHandle;
      }
      // One more try, no second creation.
      status = registry_.OpenKeyExA(parent, namePtr, 0, sam, &opened);
    }
    if (!platform::IsSuccess(status)) {
      SetRegErrorWin32(record_, status);
      return kNoHandle;
    }
    walk.Hold(opened);
    parent = opened;
  }
  return AsHandle(walk.ReleaseLast());
}

std::int32_t KeyWalk::CreateSubKey(const std::wstring& parentPath, const std::wstring& subKeyName) {
  const std::string name = platform::ToAnsi(subKeyName);
  return CreateSubKeyNamed(parentPath, name.c_str());
}

std::int32_t KeyWalk::CreateSubKeyNamed(const std::wstring& parentPath, const char* subKeyName) {
  ClearRegError(record_);
  const std::int32_t parent =
      OpenKeyPath(parentPath, false, static_cast<std::int32_t>(platform::kKeyAllAccess));
  if (parent == kNoHandle) return kNoHandle;

  const platform::SecurityAttributes noSecurity{};
  platform::RegKey created = 0;
  std::uint32_t disposition = 0;
  const platform::RegStatus status = registry_.CreateKeyExA(
      AsKey(parent), subKeyName, 0, "", platform::kRegOptionNonVolatile, platform::kKeyAllAccess,
      &noSecurity, &created, &disposition);
  std::int32_t result = 0;
  if (platform::IsSuccess(status)) {
    // Only the key's existence matters; whether it was new does not.
    static_cast<void>(registry_.CloseKey(created));
  } else {
    result = kNoHandle;
    SetRegErrorWin32(record_, status);
  }
  CloseKey(parent);
  return result;
}

std::int32_t KeyWalk::CloseKey(const std::int32_t& handle) {
  const platform::RegStatus status = registry_.CloseKey(AsKey(handle));
  if (platform::IsSuccess(status)) return 0;
  SetRegErrorWin32(record_, status);
  return kNoHandle;
}

}  // namespace modreg
