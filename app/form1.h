#pragma once
// The main window's state and behaviour, free of any window system.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "app/install_log.h"
#include "app/install_steps.h"
#include "modreg/modreg.h"
#include "platform/services.h"

namespace app {

inline constexpr wchar_t kWindowCaption[] = L"Lumarso 2015";
inline constexpr wchar_t kButtonCaption[] = L"Installa il manuale";

// What the command line adds to the window's run.
struct FormOptions {
  InstallLog* log = nullptr;  // null: no log
  std::wstring hostFolder;    // /D=: the first candidate, instead of the lookups
};

class Form1 final : public platform::WindowEvents {
 public:
  Form1(platform::Services services, modreg::ModReg& modReg, FormOptions options = {})
      : s_(services),
        steps_(services.files, services.resources, modReg,
               options.log != nullptr ? *options.log : noLog_, std::move(options.hostFolder)) {}

  // The install command: find the host folder, one attempt, end or retry.
  void cmdAvviaConTimer_Click();
  // One retry; after 40 failures asks whether to stop.
  void Timer_Timer();
  // One attempt to write the archive into strTargetDir; true once the user
  // was told it is there.
  bool WritePayload();

  void OnButtonClick() override { cmdAvviaConTimer_Click(); }
  void OnTimerTick() override { Timer_Timer(); }

  std::int32_t lngAttempts = 0;
  std::span<const std::byte> bytPayload;  // a view of the mapped resource
  std::wstring strTargetDir;
  std::wstring strCandidateDir;
  std::wstring strZipName;

 private:
  [[nodiscard]] bool DiscoverHostFolder();
  void CountFailedRetry();
  void EndWritten();  // ends the program

  platform::Services s_;
  InstallLog noLog_;
  InstallSteps steps_;
  bool tickRunning_ = false;
  bool alreadyCurrent_ = false;  // the last attempt found the copy in place current
};

}  // namespace app
