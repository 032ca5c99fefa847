#pragma once
// Ending the program becomes an exception the test catches; nothing after
// EndNow() may run, exactly as on Windows.
#include "platform/process.h"

namespace platform::doubles {

// Deliberately not derived from std::exception: the handlers' error traps
// must not be able to swallow the end of the program.
struct ProgramEnded {};

class FakeProcess final : public Process {
 public:
  [[noreturn]] void EndNow() override {
    ++endCalls;
    throw ProgramEnded{};
  }
  [[noreturn]] void EndWith(int code) override {
    exitCode = code;
    EndNow();
  }
  void ResetMousePointer() override { ++pointerResets; }

  int endCalls = 0;
  int exitCode = 0;  // of the last EndWith
  int pointerResets = 0;
};

}  // namespace platform::doubles
