#include "app/install_steps.h"

#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "app/patch_steps.h"
#include "app/texts.h"
#include "payload/patch_header.h"
#include "payload/write_payload.h"

namespace app {

// Passes every call of an attempt through and keeps the last status that was
// not success, so the log can say why the attempt failed: the writer itself
// answers only yes or no.
class InstallSteps::Witness final : public platform::FileSystem, public platform::Resources {
 public:
  Witness(platform::FileSystem& files, platform::Resources& resources)
      : files_(files), resources_(resources) {}

  // A new attempt, which writes `target`.
  void Reset(std::wstring target) {
    last_ = platform::kErrorSuccess;
    step_ = L"";
    target_ = std::move(target);
    oldCopy_.clear();
    if (meter_ != nullptr) meter_->Begin(target_);
  }
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
    return Note(files_.Delete(path), L"deleting an old copy of");
  }
  platform::Win32Status CreateNew(const std::wstring& path, platform::FileId* file) override {
    return Note(files_.CreateNew(path, file), L"creating the new copy beside");
  }
  platform::Win32Status Write(platform::FileId file, const void* data, std::uint32_t size) override {
    return Note(files_.Write(file, data, size), L"writing the new copy of");
  }
  platform::Win32Status Flush(platform::FileId file) override {
    return Note(files_.Flush(file), L"flushing the new copy of");
  }
  platform::Win32Status Close(platform::FileId file) override {
    if (oldCopy_.erase(file) != 0) return files_.Close(file);
    return Note(files_.Close(file), L"closing the new copy of");
  }
  platform::Win32Status MoveReplace(const std::wstring& from, const std::wstring& to) override {
    return Note(files_.MoveReplace(from, to), L"putting the new copy in place of");
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
    if (status == platform::kErrorSuccess && path == target_) oldCopy_.insert(*file);
    return status;
  }
  platform::Win32Status GetSize(platform::FileId file, std::uint64_t* bytes) override {
    return files_.GetSize(file, bytes);
  }
  platform::Win32Status ReadAt(platform::FileId file, std::uint64_t offset, void* buffer,
                               std::uint32_t size, std::uint32_t* read) override {
    const platform::Win32Status status = files_.ReadAt(file, offset, buffer, size, read);
    return oldCopy_.contains(file) ? status : Note(status, L"reading the archive for");
  }
  std::optional<std::span<const std::byte>> Find(const std::wstring& type, std::uint16_t id,
                                                 platform::Win32Status* error) override {
    auto found = resources_.Find(type, id, error);
    if (!found) Note(*error, L"finding the CUSTOM/101 resource for");
    if (found && meter_ != nullptr) {
      // The archive is written as it is; a patch writes the new edition.
      if (id != payload::kPatchResourceId) {
        meter_->Expect(found->size());
      } else if (const auto header = payload::ReadPatchHeader(*found)) {
        meter_->Expect(header->to.size);
      }
    }
    return found;
  }
  platform::Win32Status LocateInFile(std::span<const std::byte> view,
                                     platform::ImageFileRange* where) override {
    return resources_.LocateInFile(view, where);
  }

 private:
  platform::Win32Status Note(platform::Win32Status status, const wchar_t* step) {
    if (status != platform::kErrorSuccess) {
      last_ = status;
      step_ = step;
    }
    return status;
  }

  platform::FileSystem& files_;
  platform::Resources& resources_;
  platform::Win32Status last_ = platform::kErrorSuccess;
  const wchar_t* step_ = L"";
  std::wstring target_;
  std::set<platform::FileId> oldCopy_;  // open handles on the copy in place
  MeteredFiles* meter_ = nullptr;
};

InstallSteps::InstallSteps(platform::FileSystem& files, platform::Resources& resources,
                           modreg::ModReg& modReg, InstallLog& log, std::wstring hostFolder,
                           platform::Sha256* patchHash)
    : files_(files),
      modReg_(modReg),
      log_(log),
      hostFolder_(std::move(hostFolder)),
      witness_(std::make_unique<Witness>(files, resources)),
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
  log_.Line(L"attempt " + std::to_wstring(number) + L": writing " + targetDir +
            payload::kZipName);
  witness_->Reset(targetDir + payload::kZipName);
  payload::PayloadAttempt result;
  if (patchHash_ != nullptr) {
    const PatchStep patch =
        AttemptPatch(*witness_, *witness_, *patchHash_, dialogs, targetDir, number, log_);
    result = patch.attempt;
    if (patch.logged) return result;
  } else {
    result = payload::WritePayload(*witness_, *witness_, dialogs, targetDir);
  }
  if (result.alreadyCurrent) {
    log_.Line(L"attempt " + std::to_wstring(number) + L": already current, " +
              std::to_wstring(result.comparedBytes) + L" bytes compared, nothing written");
  } else if (result.written) {
    log_.Line(L"attempt " + std::to_wstring(number) + L": written, " +
              std::to_wstring(result.payload ? result.payload->size() : 0) + L" bytes");
  } else if (witness_->LastFailure() != platform::kErrorSuccess) {
    log_.Line(L"attempt " + std::to_wstring(number) + L" failed: " +
              log_.Error(witness_->LastFailure()) + L", " + witness_->FailedStep() + L" " +
              payload::kZipName);
  } else {
    // The writer refused without a system call failing: a read-only target
    // or a folder in its place, or an error of the program itself.
    log_.Line(L"attempt " + std::to_wstring(number) +
              L" failed without a system error (a read-only target, or a folder in its place)");
  }
  return result;
}

void LogWritten(InstallLog& log, bool alreadyCurrent) {
  log.Line(alreadyCurrent ? L"result: exit code 0, the manual was already current"
                          : L"result: exit code 0, the manual was written");
}

}  // namespace app
