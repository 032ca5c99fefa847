#pragma once
// What both fuzz targets share: services the module needs but the fuzzed
// paths never use, and a registry with a few keys in it.
#include <cstdlib>

#include "platform/dialogs.h"
#include "platform/doubles/fake_registry.h"
#include "platform/process.h"

namespace fuzz {

class SilentDialogs final : public platform::Dialogs {
 public:
  platform::Answer MessageBox(const std::wstring&, platform::Icon, platform::Buttons,
                              const std::wstring&) override {
    return platform::Answer::Ok;
  }
  std::wstring InputBox(const std::wstring&, const std::wstring&, const std::wstring&) override {
    return {};
  }
};

class InertProcess final : public platform::Process {
 public:
  [[noreturn]] void EndNow() override { std::abort(); }
  [[noreturn]] void EndWith(int) override { std::abort(); }
  void ResetMousePointer() override {}
};

inline void Populate(platform::doubles::FakeRegistry& registry) {
  registry.CreateKey(platform::kHkeyCurrentUser, "Software\\Windows\\CurrentVersion");
  registry.CreateKey(platform::kHkeyLocalMachine, "Software\\Velto\\Installazione");
  registry.CreateKey(platform::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
  registry.CreateKey(platform::kHkeyClassesRoot, "a\\b\\c\\d");
}

// Stops the run with a message the fuzzer shows as a crash.
#define FUZZ_CHECK(condition)                                                       \
  do {                                                                              \
    if (!(condition)) {                                                             \
      __builtin_printf("check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

}  // namespace fuzz
