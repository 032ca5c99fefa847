#pragma once
// The main window's state and behaviour, free of any window system.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/install_log.h"
#include "app/install_steps.h"
#include "app/metered_files.h"
#include "app/worker.h"
#include "modreg/modreg.h"
#include "platform/clock.h"
#include "platform/services.h"

namespace app {

inline constexpr wchar_t kWindowCaption[] = L"Lumarso 2015";
inline constexpr wchar_t kButtonCaption[] = L"Installa il manuale";

// What the command line adds to the window's run.
struct FormOptions {
  InstallLog* log = nullptr;  // null: no log
  std::wstring hostFolder;    // /D=: the first candidate, instead of the lookups
  platform::Sha256* patchHash = nullptr;  // set: the patch updater (install_steps.h)
  // Sizes the worker's reads and writes to the storage's speed; null: one
  // call per chunk, as without a worker.
  platform::Clock* clock = nullptr;
};

// The boxes an attempt on the worker would show, kept for the window's
// thread to show in the same order once the attempt has ended.
class KeptBoxes final : public platform::Dialogs {
 public:
  struct Box {
    std::wstring text;
    platform::Icon icon;
    platform::Buttons buttons;
    std::wstring title;
  };
  platform::Answer MessageBox(const std::wstring& text, platform::Icon icon,
                              platform::Buttons buttons, const std::wstring& title) override {
    boxes.push_back({text, icon, buttons, title});
    return buttons == platform::Buttons::YesNo ? platform::Answer::Yes : platform::Answer::Ok;
  }
  std::wstring InputBox(const std::wstring&, const std::wstring&, const std::wstring&) override {
    return {};
  }
  std::vector<Box> boxes;
};

class Form1 final : public platform::WindowEvents {
 public:
  Form1(platform::Services services, modreg::ModReg& modReg, FormOptions options = {})
      : s_(services),
        files_(services.files, services.window, options.clock),
        steps_(files_, services.resources, modReg,
               options.log != nullptr ? *options.log : noLog_, std::move(options.hostFolder),
               options.patchHash),
        worker_(files_, services.window) {
    steps_.SetMeter(&files_);
  }

  // The install command: find the host folder, then one attempt on the
  // worker; its end (AttemptEnded) ends the program or starts the retries.
  // Does nothing while an attempt runs: one install per click.
  void cmdAvviaConTimer_Click();
  // One retry; after 40 failures asks whether to stop.
  void Timer_Timer();
  // Starts one attempt to write the archive into strTargetDir on the worker.
  void WritePayload();
  // The window was closed: an attempt still running is stopped at its next
  // file call and waited for.  The exit code: 1602, or 0 when the attempt
  // had put the manual in place all the same.
  [[nodiscard]] int Closed();

  void OnButtonClick() override { cmdAvviaConTimer_Click(); }
  void OnTimerTick() override { Timer_Timer(); }
  void OnWorkPosted() override;

  std::int32_t lngAttempts = 0;
  std::span<const std::byte> bytPayload;  // a view of the mapped resource
  std::wstring strTargetDir;
  std::wstring strCandidateDir;
  std::wstring strZipName;

 private:
  [[nodiscard]] bool DiscoverHostFolder();
  // On the window's thread once the worker's attempt returned: what
  // WritePayload's result used to decide in the click or the tick.
  void ClickAttemptEnded();
  void TickAttemptEnded(std::exception_ptr error);
  // Takes the ended attempt's result; true once written and the user told.
  bool AttemptWritten();
  void CountFailedRetry();
  void EndWritten();  // ends the program
  void EndNotTheBase();  // ends the program

  platform::Services s_;
  InstallLog noLog_;
  MeteredFiles files_;
  InstallSteps steps_;
  // The attempt's own, written by the worker and read by the window's
  // thread only after the worker was collected.
  payload::PayloadAttempt result_;
  KeptBoxes boxes_;
  bool tickRunning_ = false;
  bool clickAttempt_ = false;  // the attempt running was started by a click
  bool discovering_ = false;   // the click's prompt is open
  bool tickDue_ = false;       // a tick fell due meanwhile
  bool alreadyCurrent_ = false;  // the last attempt found the copy in place current
  // Last: stopped, and waited for, before anything its job uses goes.
  Worker worker_;
};

}  // namespace app
