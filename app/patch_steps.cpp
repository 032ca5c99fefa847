#include "app/patch_steps.h"

#include "app/exit_codes.h"
#include "payload/apply_patch.h"
#include "platform/decimal.h"

namespace app {

namespace {

std::wstring Hex(const platform::Sha256Digest& digest) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring out;
  for (const std::byte b : digest) {
    out += kDigits[static_cast<unsigned>(b) >> 4];
    out += kDigits[static_cast<unsigned>(b) & 0xF];
  }
  return out;
}

std::wstring Describe(const payload::Edition& e) {
  return platform::Decimal(e.size) + L" bytes, SHA-256 " + Hex(e.sha256);
}

// The edition the installed file was taken for, by its place in the list
// when the patch knows several.
std::wstring DescribeBase(const payload::PatchHeader& patch, std::size_t i) {
  const std::wstring which = patch.from.size() == 1
                                 ? std::wstring()
                                 : L"number " + platform::Decimal(i + 1) + L" of the " +
                                       platform::Decimal(patch.from.size()) +
                                       L" it updates from, oldest first: ";
  return which + Describe(patch.from[i].edition);
}

std::wstring Expected(const payload::PatchHeader& patch) {
  std::wstring all;
  for (const payload::PatchBase& base : patch.from) {
    all += (all.empty() ? L"" : L"; ") + Describe(base.edition);
  }
  return (patch.from.size() == 1 ? std::wstring(L"the edition it updates from (")
                                 : L"one of the " + platform::Decimal(patch.from.size()) +
                                       L" editions it updates from (") +
         all + L")";
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

PatchStep AttemptPatch(platform::FileSystem& files, platform::Resources& resources,
                       platform::Sha256& sha, platform::Dialogs& dialogs,
                       const std::wstring& targetDir, int number, InstallLog& log) {
  const payload::PatchAttempt patch = payload::ApplyPatch(files, resources, sha, dialogs, targetDir);
  PatchStep step;
  step.attempt.zipName = payload::kZipName;
  step.attempt.payload = patch.resource;
  const std::wstring attempt = L"attempt " + platform::Decimal(number);
  switch (patch.outcome) {
    case payload::PatchOutcome::kWritten:
      step.attempt.written = true;
      log.Line(attempt + L": patched the installed edition (" + DescribeBase(*patch.header, *patch.base) +
               L") into the new one (" + Describe(patch.header->to) + L")");
      break;
    case payload::PatchOutcome::kAlreadyNew:
      step.attempt.written = true;
      step.attempt.alreadyCurrent = true;
      log.Line(attempt + L": the installed copy already is the new edition (" +
               Describe(patch.header->to) + L"); nothing written");
      break;
    case payload::PatchOutcome::kNotTheBase: {
      step.attempt.notTheBase = true;
      std::wstring found = L"no file";
      if (patch.foundSize) {
        found = platform::Decimal(*patch.foundSize) + L" bytes, SHA-256 " +
                (patch.foundSha256 ? Hex(*patch.foundSha256) : std::wstring(L"not read (the size differs)"));
      }
      log.Line(attempt + L": the installed copy is not an edition this patch knows: found " + found +
               L"; expected " + Expected(*patch.header) + L" or the new edition (" +
               Describe(patch.header->to) + L")");
      break;
    }
    case payload::PatchOutcome::kFailed:
      if (patch.why.empty()) {
        step.logged = false;
      } else {
        log.Line(attempt + L" failed: " + Widen(patch.why) +
                 (patch.status != platform::kErrorSuccess ? L", " + log.Error(patch.status) : L""));
      }
      break;
  }
  return step;
}

void LogNotTheBase(InstallLog& log) {
  log.Line(L"result: exit code " + platform::Decimal(kExitNotTheBaseEdition) +
           L", no edition this patch updates is installed; nothing written");
}

}  // namespace app
