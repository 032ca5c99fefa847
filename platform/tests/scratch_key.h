#pragma once
#include <string>

#include "platform/tests/registry_world.h"

namespace platform::testing {

// A key under HKEY_CURRENT_USER\Software that exists for one test.
class ScratchKey {
 public:
  explicit ScratchKey(RegistryAdmin& admin);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  // "Software\Lumarso-test-xxxxxxxx", below HKEY_CURRENT_USER.
  [[nodiscard]] const std::string& Path() const noexcept { return path_; }
  // The same as a key path with its root name.
  [[nodiscard]] std::string FullPath() const { return "HKEY_CURRENT_USER\\" + path_; }

 private:
  RegistryAdmin& admin_;
  std::string path_;
};

}  // namespace platform::testing
