#pragma once
// The silent run with a small progress window (/PASSIVE): the steps, log and
// exit codes of /S on the worker, while the window's thread shows the
// progress and asks nothing.  Closing the window stops the run: 1602.
#include <utility>

#include "app/install_log.h"
#include "app/metered_files.h"
#include "app/silent_run.h"
#include "app/worker.h"
#include "platform/window.h"

namespace app {

// The button's text while the run goes on.
inline constexpr wchar_t kProgressButtonCaption[] = L"Installazione del manuale in corso\u2026";

class ProgressRun final : public platform::WindowEvents {
 public:
  ProgressRun(const SilentServices& services, SilentSettings settings, InstallLog& log,
              platform::MainWindow& window)
      : services_(services),
        settings_(std::move(settings)),
        log_(log),
        window_(window),
        files_(services.files, window, &services.clock),
        worker_(files_, window) {
    settings_.meter = &files_;
  }

  // Shows the window and starts the run; its end ends the program with the
  // run's exit code.
  void Start();
  // The window was closed first: the run is stopped at its next file call
  // and waited for.  Its exit code: 1602, unless it had ended meanwhile.
  [[nodiscard]] int Closed();

  void OnButtonClick() override {}  // nothing to press: it asks nothing
  void OnTimerTick() override {}
  void OnWorkPosted() override;

 private:
  SilentServices services_;
  SilentSettings settings_;
  InstallLog& log_;
  platform::MainWindow& window_;
  MeteredFiles files_;
  int exitCode_ = 0;  // the run's, once it returned
  Worker worker_;  // last: stopped before what its job uses goes
};

}  // namespace app
