#pragma once
// The install command's steps, one copy for both ways of running them: the
// window's click and retries, and the silent run.  Each step writes its line
// into the install log.
#include <memory>
#include <string>

#include "app/install_log.h"
#include "app/metered_files.h"
#include "modreg/modreg.h"
#include "payload/write_payload.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/hash.h"
#include "platform/resources.h"

namespace app {

class InstallSteps {
 public:
  // `hostFolder` (ending with a backslash) replaces the registry lookups when
  // it is not empty.  With `patchHash`, every attempt applies the patch the
  // exe carries (payload/apply_patch.h) instead of writing an archive.
  InstallSteps(platform::FileSystem& files, platform::Resources& resources, modreg::ModReg& modReg,
               InstallLog& log, std::wstring hostFolder, platform::Sha256* patchHash = nullptr);
  InstallSteps(const InstallSteps&) = delete;
  InstallSteps& operator=(const InstallSteps&) = delete;
  ~InstallSteps();

  // The folder given on the command line; else the maker's install folder
  // plus "Quadrivo\" (the maker's lookup is asked twice when it answers and
  // the second answer is used); else Program Files plus "\Velto\Quadrivo\".
  [[nodiscard]] std::wstring FirstCandidate();
  // An ordinary "Quadrivo.exe" in `folder`.
  [[nodiscard]] bool HostIsIn(const std::wstring& folder);
  // One WritePayload into `targetDir`, logged; `written` once written and the
  // user told.
  [[nodiscard]] payload::PayloadAttempt Attempt(platform::Dialogs& dialogs,
                                                const std::wstring& targetDir);

  InstallLog& log() noexcept { return log_; }
  // Each attempt from now on tells `meter` what it writes, for its progress.
  void SetMeter(MeteredFiles* meter) noexcept;

 private:
  class Witness;

  std::wstring Lookup(const wchar_t* what, std::wstring (modreg::ModReg::*lookup)());

  platform::FileSystem& files_;
  modreg::ModReg& modReg_;
  InstallLog& log_;
  std::wstring hostFolder_;
  std::unique_ptr<Witness> witness_;
  platform::Sha256* patchHash_;
  int attempts_ = 0;
};

// The log's last line of a run whose archive is in place: exit code 0,
// written now or found there already.
void LogWritten(InstallLog& log, bool alreadyCurrent);

}  // namespace app
