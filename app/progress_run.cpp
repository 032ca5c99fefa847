#include "app/progress_run.h"

#include "app/exit_codes.h"
#include "app/form1.h"
#include "app/startup.h"

namespace app {

void ProgressRun::Start() {
  window_.SetCaption(kWindowCaption);
  window_.SetButtonCaption(kProgressButtonCaption);
  window_.Show(*this);
  window_.SetWorking(true);
  worker_.Start([this] {
    SilentServices metered{services_.registry, files_, services_.resources, services_.process,
                           services_.clock};
    try {
      exitCode_ = RunSilent(metered, settings_, log_);
    } catch (...) {
      // No box, as with /S: the log and the exit code carry it.
      log_.Line(L"result: exit code 1603, unexpected error");
      exitCode_ = kExitFatal;
    }
  });
}

void ProgressRun::OnWorkPosted() {
  if (worker_.Idle()) return;
  const ProgressLook look = files_.Look();
  window_.SetProgress(look.counted, look.position);
  if (!worker_.Collect()) return;
  window_.SetWorking(false);
  services_.process.EndWith(exitCode_);
}

int ProgressRun::Closed() {
  const bool running = !worker_.Idle();
  worker_.Stop();
  return running ? exitCode_ : WindowClosed(log_);
}

}  // namespace app
