#pragma once
// The program's start: the one Form1, shown as an ordinary window.
#include <cstdint>
#include <memory>
#include <utility>

#include "app/form1.h"

namespace app {

class Module1 {
 public:
  Module1(platform::Services services, modreg::ModReg& modReg, std::uint32_t retryIntervalMs,
          FormOptions options = {})
      : services_(services),
        modReg_(modReg),
        retryIntervalMs_(retryIntervalMs),
        options_(std::move(options)) {}

  // Creates Form1 if it does not exist yet and shows its window, timer
  // disabled; returns at once.  Reads no registry and touches no file.
  void Main();

  [[nodiscard]] Form1* form1() const noexcept { return form1_.get(); }

 private:
  platform::Services services_;
  modreg::ModReg& modReg_;
  std::uint32_t retryIntervalMs_;
  FormOptions options_;
  std::unique_ptr<Form1> form1_;
};

}  // namespace app
