#include "app/install_steps.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "app/attempt_times.h"
#include "app/patch_steps.h"
#include "app/texts.h"
#include "payload/patch_header.h"
#include "payload/write_payload.h"
#include "platform/decimal.h"

namespace app {

// Passes every call of an attempt through and keeps the last status that was
// not success, so the log can say why the attempt failed: the writer itself
// answers only yes or no.  It also times the attempt's long steps.  The
// resource calls go through a second object that notes into this one (one
// base class each keeps the exe free of the library's multiple-inheritance
// type support).
class InstallSteps::Witness final : public platform::FileSystem {
 public:
  Witness(platform::FileSystem& files, platform::Resources& resources, InstallLog& log)
      : files_(files), resources_(*this, resources), times_(log) {}

  [[nodiscard]] platform::Resources& Resources() noexcept { return resources_; }

  // A new attempt, which writes `target` (in `folder`) and logs as
  // `attempt`; a patch's reads of the copy in place before writing hash it.
  void Reset(const std::wstring& folder, std::wstring attempt, bool patch) {
    last_ = platform::kErrorSuccess;
    step_ = L"";
    target_ = folder + payload::kZipName;
    newCopy_.clear();
    oldCopy_.clear();
    times_.Begin(std::move(attempt), patch ? L"hashed" : L"compared",
                 patch ? L"patched and written" : L"written");
    if (meter_ != nullptr) meter_->Begin(target_);
  }
  // The attempt is over: its last figures go to the log.
  void End() { times_.End(); }
  void SetMeter(MeteredFiles* meter) noexcept { meter_ = meter; }
  [[nodiscard]] platform::Win32Status LastFailure() const noexcept { return last_; }
  // What the failing call was doing, for the log.
  [[nodiscard]] const wchar_t* FailedStep() const noexcept { return step_; }

  std::uint32_t GetAttributes(const std::wstring& path, platform::Win32Status* error) override {
    const std::uint32_t attributes = files_.GetAttributes(path, error);
    // A missing target is the usual case, not a failure.
    if (attributes == platform::kInvalidFileAttributes && *error != platform::kErrorFileNotFound) {
      Note(*error, L"reading the attributes of");
    }
    return attributes;
  }
  platform::Win32Status Delete(const std::wstring& path) override {
    const platform::Win32Status status = files_.Delete(path);
    // The new copy deleted: this attempt gave it up.
    if (!newCopy_.empty() && path == newCopy_) times_.GivenUp();
    return Note(status, L"deleting an old copy of");
  }
  platform::Win32Status CreateNew(const std::wstring& path, platform::FileId* file) override {
    const platform::Win32Status status = files_.CreateNew(path, file);
    if (status == platform::kErrorSuccess) {
      newCopy_ = path;
      times_.Created(payload::kZipName);
    }
    return Note(status, L"creating the new copy beside");
  }
  platform::Win32Status Write(platform::FileId file, const void* data, std::uint32_t size) override {
    const platform::Win32Status status = files_.Write(file, data, size);
    times_.Wrote(status == platform::kErrorSuccess ? size : 0);
    return Note(status, L"writing the new copy of");
  }
  platform::Win32Status Flush(platform::FileId file) override {
    times_.FlushStarts();
    const platform::Win32Status status = files_.Flush(file);
    if (status == platform::kErrorSuccess) times_.Flushed();
    return Note(status, L"flushing the new copy of");
  }
  platform::Win32Status Close(platform::FileId file) override {
    if (std::erase(oldCopy_, file) != 0) {
      const platform::Win32Status status = files_.Close(file);
      times_.Closed();
      return status;
    }
    return Note(files_.Close(file), L"closing the new copy of");
  }
  platform::Win32Status MoveReplace(const std::wstring& from, const std::wstring& to) override {
    const platform::Win32Status status = files_.MoveReplace(from, to);
    if (status == platform::kErrorSuccess && from == newCopy_) times_.Placed();
    return Note(status, L"putting the new copy in place of");
  }
  platform::Win32Status FreeSpace(const std::wstring& folder, std::uint64_t* bytes) override {
    return Note(files_.FreeSpace(folder, bytes), L"reading the free space for");
  }
  platform::Win32Status List(const std::wstring& folder, const std::wstring& pattern,
                             std::vector<std::wstring>* names) override {
    return Note(files_.List(folder, pattern, names), L"listing the folder of");
  }
  // Reading the exe's own file falls back to the mapped resource when it
  // cannot be opened or checked, so only a read that fails the attempt counts.
  // The copy in place is read only to see whether it is current already; a
  // failure there means "write it", never that the attempt failed.
  platform::Win32Status OpenRead(const std::wstring& path, platform::FileId* file) override {
    const platform::Win32Status status = files_.OpenRead(path, file);
    if (status == platform::kErrorSuccess && path == target_) {
      oldCopy_.push_back(*file);
      times_.Opened();
    }
    return status;
  }
  platform::Win32Status GetSize(platform::FileId file, std::uint64_t* bytes) override {
    return files_.GetSize(file, bytes);
  }
  platform::Win32Status ReadAt(platform::FileId file, std::uint64_t offset, void* buffer,
                               std::uint32_t size, std::uint32_t* read) override {
    const platform::Win32Status status = files_.ReadAt(file, offset, buffer, size, read);
    const bool onOldCopy = std::find(oldCopy_.begin(), oldCopy_.end(), file) != oldCopy_.end();
    if (!onOldCopy) return Note(status, L"reading the archive for");
    times_.Read(status == platform::kErrorSuccess ? *read : 0);
    return status;
  }

 private:
  class ResourceWitness final : public platform::Resources {
   public:
    ResourceWitness(Witness& owner, platform::Resources& resources)
        : owner_(owner), resources_(resources) {}
    std::optional<std::span<const std::byte>> Find(const std::wstring& type, std::uint16_t id,
                                                   platform::Win32Status* error) override {
      auto found = resources_.Find(type, id, error);
      if (!found) owner_.Note(*error, L"finding the CUSTOM/101 resource for");
      if (found && owner_.meter_ != nullptr) {
        // The archive is written as it is; a patch writes the new edition.
        if (id != payload::kPatchResourceId) {
          owner_.meter_->Expect(found->size());
        } else if (const auto header = payload::ReadPatchHeader(*found)) {
          owner_.meter_->Expect(header->to.size);
        }
      }
      return found;
    }
    platform::Win32Status LocateInFile(std::span<const std::byte> view,
                                       platform::ImageFileRange* where) override {
      return resources_.LocateInFile(view, where);
    }

   private:
    Witness& owner_;
    platform::Resources& resources_;
  };

  platform::Win32Status Note(platform::Win32Status status, const wchar_t* step) {
    if (status != platform::kErrorSuccess) {
      last_ = status;
      step_ = step;
    }
    return status;
  }

  platform::FileSystem& files_;
  ResourceWitness resources_;
  platform::Win32Status last_ = platform::kErrorSuccess;
  const wchar_t* step_ = L"";
  std::wstring target_;
  std::wstring newCopy_;                   // the temporary file, once created
  std::vector<platform::FileId> oldCopy_;  // open handles on the copy in place
  AttemptTimes times_;
  MeteredFiles* meter_ = nullptr;
};

InstallSteps::InstallSteps(platform::FileSystem& files, platform::Resources& resources,
                           modreg::ModReg& modReg, InstallLog& log, std::wstring hostFolder,
                           platform::Sha256* patchHash)
    : files_(files),
      modReg_(modReg),
      log_(log),
      hostFolder_(std::move(hostFolder)),
      witness_(std::make_unique<Witness>(files, resources, log)),
      patchHash_(patchHash) {}

InstallSteps::~InstallSteps() = default;

void InstallSteps::SetMeter(MeteredFiles* meter) noexcept { witness_->SetMeter(meter); }

std::wstring InstallSteps::Lookup(const wchar_t* what, std::wstring (modreg::ModReg::*lookup)()) {
  const std::wstring found = (modReg_.*lookup)();
  if (!found.empty()) {
    log_.Line(std::wstring(what) + L": \"" + found + L"\"");
  } else if (modReg_.RegErrorRecord.Number != 0) {
    log_.Line(std::wstring(what) + L": nothing, " +
              log_.Error(static_cast<platform::Win32Status>(modReg_.RegErrorRecord.Number)));
  } else {
    log_.Line(std::wstring(what) + L": nothing");
  }
  return found;
}

std::wstring InstallSteps::FirstCandidate() {
  if (!hostFolder_.empty()) {
    log_.Line(L"host folder from the command line: \"" + hostFolder_ + L"\"");
    return hostFolder_;
  }
  constexpr wchar_t kMaker[] = L"lookup HKLM\\Software\\Velto\\Installazione, strPath";
  constexpr wchar_t kProgramFiles[] =
      L"lookup HKLM\\Software\\Microsoft\\Windows\\CurrentVersion, ProgramFilesDir";
  constexpr wchar_t kMakerAgain[] =
      L"lookup HKLM\\Software\\Velto\\Installazione, strPath, asked again (this answer is used)";
  if (!Lookup(kMaker, &modreg::ModReg::RetrieveProgramFilesVeltoPath).empty()) {
    return Lookup(kMakerAgain, &modreg::ModReg::RetrieveProgramFilesVeltoPath) +
           texts::kHostUnderMaker;
  }
  return Lookup(kProgramFiles, &modreg::ModReg::RetrieveProgramFilesPath) +
         texts::kHostUnderProgramFiles;
}

bool InstallSteps::HostIsIn(const std::wstring& folder) {
  // A text the file system rejects (bad characters, far too long) is simply
  // not a folder holding the host.
  const bool found = platform::IsOrdinaryFile(files_, folder + texts::kHostExe);
  log_.Line(L"candidate \"" + folder + L"\": " +
            (found ? L"Quadrivo.exe found" : L"no Quadrivo.exe"));
  return found;
}

payload::PayloadAttempt InstallSteps::Attempt(platform::Dialogs& dialogs,
                                             const std::wstring& targetDir) {
  const int number = ++attempts_;
  const std::wstring attempt = L"attempt " + platform::Decimal(number);
  // Nothing is written yet: a current copy ends the attempt without writing.
  log_.Line(attempt + L": checking " + targetDir + payload::kZipName);
  witness_->Reset(targetDir, attempt, patchHash_ != nullptr);
  payload::PayloadAttempt result;
  if (patchHash_ != nullptr) {
    const PatchStep patch =
        AttemptPatch(*witness_, witness_->Resources(), *patchHash_, dialogs, targetDir, number, log_);
    witness_->End();
    result = patch.attempt;
    if (patch.logged) return result;
  } else {
    result = payload::WritePayload(*witness_, witness_->Resources(), dialogs, targetDir);
    witness_->End();
  }
  if (result.alreadyCurrent) {
    log_.Line(attempt + L": already current, " +
              platform::Decimal(result.comparedBytes) + L" bytes compared, nothing written");
  } else if (result.written) {
    log_.Line(attempt + L": written, " +
              platform::Decimal(result.payload ? result.payload->size() : 0) + L" bytes");
  } else if (witness_->LastFailure() != platform::kErrorSuccess) {
    log_.Line(attempt + L" failed: " +
              log_.Error(witness_->LastFailure()) + L", " + witness_->FailedStep() + L" " +
              payload::kZipName);
  } else {
    // The writer refused without a system call failing: a read-only target
    // or a folder in its place, or an error of the program itself.
    log_.Line(attempt +
              L" failed without a system error (a read-only target, or a folder in its place)");
  }
  return result;
}

void LogWritten(InstallLog& log, bool alreadyCurrent) {
  log.Line(alreadyCurrent ? L"result: exit code 0, the manual was already current"
                          : L"result: exit code 0, the manual was written");
}

}  // namespace app
