#pragma once
// The main window's state and behaviour, free of any window system.
#include <cstdint>
#include <span>
#include <string>

#include "modreg/modreg.h"
#include "platform/services.h"

namespace app {

#ifndef LUMARSO_RETRY_INTERVAL_MS
#define LUMARSO_RETRY_INTERVAL_MS 20000
#endif
inline constexpr unsigned kRetryIntervalMs = LUMARSO_RETRY_INTERVAL_MS;

class Form1 final : public platform::WindowEvents {
 public:
  Form1(platform::Services services, modreg::ModReg& modReg)
      : s_(services), modReg_(modReg) {}

  void cmdAvviaConTimer_Click();
  void Timer_Timer();
  bool WritePayload();

  void OnButtonClick() override { cmdAvviaConTimer_Click(); }
  void OnTimerTick() override { Timer_Timer(); }

  std::int32_t lngAttempts = 0;
  std::span<const std::byte> bytPayload;  // a view of the mapped resource
  std::wstring strTargetDir;
  std::wstring strCandidateDir;
  std::wstring strZipName;

 private:
  platform::Services s_;
  modreg::ModReg& modReg_;
  bool tickRunning_ = false;
};

}  // namespace app
