#include "app/silent_run.h"

#include <algorithm>

#include "app/exit_codes.h"
#include "app/install_steps.h"
#include "app/patch_steps.h"
#include "app/startup.h"
#include "modreg/modreg.h"
#include "platform/decimal.h"

namespace app {

namespace {

// Boxes of the shared steps (the success notice, a lookup's error report)
// become log lines; each is answered with its default button.
class LoggedBoxes final : public platform::Dialogs {
 public:
  explicit LoggedBoxes(InstallLog& log) : log_(log) {}
  platform::Answer MessageBox(const std::wstring& text, platform::Icon, platform::Buttons buttons,
                              const std::wstring& title) override {
    log_.Line(L"message (not shown): \"" + text + L"\"" +
              (title.empty() ? L"" : L", title \"" + title + L"\""));
    return buttons == platform::Buttons::YesNo ? platform::Answer::Yes : platform::Answer::Ok;
  }
  std::wstring InputBox(const std::wstring& prompt, const std::wstring&,
                        const std::wstring&) override {
    log_.Line(L"prompt (not shown, cancelled): \"" + prompt + L"\"");
    return {};
  }

 private:
  InstallLog& log_;
};

// Slices of the wait between attempts, so that a close is heard at once.
constexpr std::uint32_t kWaitSliceMs = 100;

}  // namespace

int RunSilent(const SilentServices& services, const SilentSettings& settings, InstallLog& log) {
  LoggedBoxes boxes(log);
  modreg::ModReg modReg(services.registry, boxes, services.process);
  InstallSteps steps(services.files, services.resources, modReg, log, settings.hostFolder,
                     settings.patchHash);
  steps.SetMeter(settings.meter);
  const auto closed = [&] { return settings.meter != nullptr && settings.meter->Cancelled(); };

  const std::wstring target = steps.FirstCandidate();
  if (!steps.HostIsIn(target)) {
    if (closed()) return WindowClosed(log);
    log.Line(L"result: exit code 2, Quadrivo.exe is not in \"" + target + L"\"; nothing written");
    return kExitHostNotFound;
  }
  for (std::uint32_t failedRetries = 0;; ++failedRetries) {
    const payload::PayloadAttempt attempt = steps.Attempt(boxes, target);
    if (attempt.written) {
      LogWritten(log, attempt.alreadyCurrent);
      return kExitWritten;
    }
    if (attempt.notTheBase) {
      LogNotTheBase(log);
      return kExitNotTheBaseEdition;
    }
    if (closed()) return WindowClosed(log);
    if (failedRetries == settings.retries) break;
    if (settings.meter == nullptr) {
      services.clock.Sleep(settings.retryIntervalMs);
      continue;
    }
    settings.meter->Waiting();
    for (std::uint32_t waited = 0; waited < settings.retryIntervalMs && !closed(); waited += kWaitSliceMs) {
      services.clock.Sleep(std::min(kWaitSliceMs, settings.retryIntervalMs - waited));
    }
    if (closed()) return WindowClosed(log);
  }
  log.Line(L"result: exit code 3, gave up after " + platform::Decimal(settings.retries) +
           L" failed retries");
  return kExitGaveUp;
}

}  // namespace app
