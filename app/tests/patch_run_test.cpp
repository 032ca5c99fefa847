// The patch updater's runs on the doubles, silent and with the window: which
// installed file it patches, which it leaves alone, and how each run ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/exit_codes.h"
#include "app/install_log.h"
#include "app/module1.h"
#include "app/patch_steps.h"
#include "app/silent_run.h"
#include "modreg/modreg.h"
#include "payload/patch_header.h"
#include "payload/temp_names.h"
#include "payload/tests/patch_pairs.h"
#include "payload/write_payload.h"
#include "platform/doubles/fake_clock.h"
#include "platform/doubles/fake_dialogs.h"
#include "platform/doubles/fake_error_messages.h"
#include "platform/doubles/fake_files.h"
#include "platform/doubles/fake_log_file.h"
#include "platform/doubles/fake_process.h"
#include "platform/doubles/fake_registry.h"
#include "platform/doubles/fake_resources.h"
#include "platform/doubles/fake_window.h"
#include "platform/doubles/openssl_sha256.h"

namespace app {
namespace {

using payload::testing::Bytes;
using platform::doubles::FileOp;
using platform::doubles::ProgramEnded;

constexpr wchar_t kHost[] = L"C:\\Velto\\Quadrivo\\";
constexpr wchar_t kZipPath[] = L"C:\\Velto\\Quadrivo\\Lumarso2015.zip";
constexpr wchar_t kLogPath[] = L"C:\\logs\\install.log";

const Bytes kOld = payload::testing::Noise(700000, 31);
const Bytes kNew = payload::testing::Edited(kOld, 32);
const Bytes kPatch = payload::testing::Pack(kOld, kNew, payload::testing::Xdelta(kOld, kNew));

// The edition as the log names it, worked out here from the bytes.
std::string Edition(const Bytes& bytes) {
  platform::doubles::OpensslSha256 sha;
  platform::Sha256Digest digest{};
  (void)sha.Begin();
  (void)sha.Update(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  (void)sha.Finish(&digest);
  std::string hex;
  for (const std::byte b : digest) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", static_cast<unsigned>(b));
    hex += two;
  }
  return std::to_string(bytes.size()) + " bytes, SHA-256 " + hex;
}

// A patch from an older edition too (a different size) and the one above,
// sharing a pool of the new edition's bytes.
const Bytes& TwoEditions() {
  static const Bytes patch = [] {
    Bytes older = payload::testing::Edited(kOld, 34);
    older.resize(older.size() - 10);
    const Bytes pool(kNew.begin(), kNew.begin() + 5000);
    const auto withPool = [&](Bytes b) {
      b.insert(b.end(), pool.begin(), pool.end());
      return b;
    };
    return payload::testing::Pack(
        {older, kOld},
        {payload::testing::Xdelta(withPool(older), kNew), payload::testing::Xdelta(withPool(kOld), kNew)},
        kNew, pool);
  }();
  return patch;
}

// A power loss between a temporary file's flush and the rename leaves it
// beside the archive, whichever edition that is.
enum class Installed {
  kOld, kNew, kForeign, kNothing,
  kOldAndTheNewInALeftoverOnAFullDisk,  // no room for another copy unless the leftover goes
  kNewAndALeftover,
};

class PatchRun : public ::testing::Test {
 public:
  PatchRun() {
    resources.Add(payload::kResourceType, payload::kPatchResourceId, kPatch);
    files.MakeFolders(kHost);
    files.PutFile(std::wstring(kHost) + L"Quadrivo.exe", {std::byte{'M'}, std::byte{'Z'}});
    logFile.MakeFolder(L"C:\\logs");
    (void)log.Open(kLogPath);
    // The first read of the installed copy and the first write take their time.
    files.BeforeCall(FileOp::ReadAt, [this] { clock.Advance(350); });
    files.BeforeCall(FileOp::Write, [this] { clock.Advance(100); });
  }
  void Install(Installed what) {
    if (what == Installed::kOld) files.PutFile(kZipPath, kOld);
    if (what == Installed::kNew) files.PutFile(kZipPath, kNew);
    if (what == Installed::kForeign) files.PutFile(kZipPath, payload::testing::Noise(5000, 33));
    const std::wstring leftover = std::wstring(kHost) + payload::TempName(payload::kZipName, 0x5EED);
    if (what == Installed::kOldAndTheNewInALeftoverOnAFullDisk) {
      files.PutFile(kZipPath, kOld);
      files.PutFile(leftover, kNew);
      files.SetFreeSpace(L'C', kNew.size() / 2);
    }
    if (what == Installed::kNewAndALeftover) {
      files.PutFile(kZipPath, kNew);
      files.PutFile(leftover, Bytes(kOld.begin(), kOld.begin() + 1000));
    }
  }
  [[nodiscard]] bool Leftover() const {
    for (const std::wstring& name : files.Names(kHost)) {
      if (payload::IsTempName(name, payload::kZipName)) return true;
    }
    return false;
  }
  int Silent() {
    return RunSilent({registry, files, resources, process, clock}, {kHost, 0, 20000, &sha}, log);
  }
  // The window run: a click on the button; the code the process ended with,
  // or none when it did not end.
  std::optional<int> Click() {
    Module1 module1({registry, files, resources, dialogs, window, process}, modReg, 20000,
                    {&log, kHost, &sha});
    module1.Main();
    try {
      window.Click();
    } catch (const ProgramEnded&) {
      return process.exitCode;
    }
    return std::nullopt;
  }
  [[nodiscard]] bool Logged(const std::string& text) const {
    return logFile.Content(kLogPath).value_or("").find(text) != std::string::npos;
  }

  platform::doubles::FakeRegistry registry;
  platform::doubles::FakeFileSystem files;
  platform::doubles::FakeResources resources;
  platform::doubles::FakeDialogs dialogs;
  platform::doubles::FakeWindow window;
  platform::doubles::FakeProcess process;
  platform::doubles::FakeClock clock;
  platform::doubles::FakeErrorMessages messages;
  platform::doubles::FakeLogFile logFile;
  platform::doubles::OpensslSha256 sha;
  InstallLog log{logFile, clock, messages};
  modreg::ModReg modReg{registry, dialogs, process};
};

struct Case {
  const char* name;
  Installed installed;
  int exitCode;
  bool patched;                 // the old edition became the new one
  std::string logged;
  std::string timed;            // the attempt's times, or its first line when nothing is timed
  const Bytes& (*patch)() = nullptr;  // another than kPatch
};

class Runs : public PatchRun, public ::testing::WithParamInterface<Case> {};

TEST_P(Runs, Silent) {
  const Case& c = GetParam();
  if (c.patch) resources.Add(payload::kResourceType, payload::kPatchResourceId, c.patch());
  Install(c.installed);
  const auto before = files.Content(kZipPath);
  EXPECT_EQ(Silent(), c.exitCode);
  EXPECT_EQ(files.Content(kZipPath), c.patched ? std::optional<Bytes>(kNew) : before);
  EXPECT_EQ(files.CountCalls(FileOp::MoveReplace), c.patched ? 1 : 0);
  EXPECT_TRUE(Logged(c.logged)) << logFile.Content(kLogPath).value_or("");
  EXPECT_TRUE(Logged(c.timed)) << logFile.Content(kLogPath).value_or("");
  EXPECT_FALSE(Leftover());
  EXPECT_TRUE(dialogs.Shown().empty()) << "a box in a silent run";
}

TEST_P(Runs, WithTheWindow) {
  const Case& c = GetParam();
  if (c.patch) resources.Add(payload::kResourceType, payload::kPatchResourceId, c.patch());
  Install(c.installed);
  const auto before = files.Content(kZipPath);
  EXPECT_EQ(Click(), std::optional<int>(c.exitCode));
  EXPECT_EQ(files.Content(kZipPath), c.patched ? std::optional<Bytes>(kNew) : before);
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  const auto& box = dialogs.Shown()[0];
  EXPECT_EQ(box.title, payload::kDoneTitle);
  if (c.exitCode == kExitWritten) {
    EXPECT_EQ(box.text, payload::kDoneText);
  } else {
    EXPECT_EQ(box.text, kNotTheBaseText);
    EXPECT_EQ(box.icon, platform::Icon::Warning);
    EXPECT_FALSE(window.TimerEnabled()) << "nothing to retry";
  }
  EXPECT_TRUE(Logged(c.logged));
  EXPECT_TRUE(Logged(c.timed));
  EXPECT_FALSE(Leftover());
}

INSTANTIATE_TEST_SUITE_P(
    Patch, Runs,
    ::testing::Values(
        Case{"old_edition", Installed::kOld, kExitWritten, true,
             "attempt 1: patched the installed edition (" + Edition(kOld) + ") into the new one (" +
                 Edition(kNew) + ")",
             // Its reads belong to the patching, not to the check.
             "attempt 1: 703501 bytes patched and written in 0.45 s (1.6 MB/s), flushed in 0.00 s, "
             "put in place in 0.00 s\r\n"},
        Case{"new_edition", Installed::kNew, kExitWritten, false,
             "attempt 1: the installed copy already is the new edition (" + Edition(kNew) +
                 "); nothing written",
             "attempt 1: 703501 bytes hashed in 0.35 s (2.0 MB/s)\r\n"},
        Case{"old_edition_and_the_new_in_a_leftover_on_a_full_disk",
             Installed::kOldAndTheNewInALeftoverOnAFullDisk, kExitWritten, true,
             "attempt 1: patched the installed edition (", "attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n"},
        Case{"new_edition_and_a_leftover", Installed::kNewAndALeftover, kExitWritten, false,
             "attempt 1: the installed copy already is the new edition (", "attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n"},
        Case{"foreign_file", Installed::kForeign, kExitNotTheBaseEdition, false,
             "found 5000 bytes, SHA-256 not read (the size differs); expected the edition it "
             "updates from (" + Edition(kOld) + ") or the new edition (" + Edition(kNew) + ")",
             "attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n"},
        Case{"no_file", Installed::kNothing, kExitNotTheBaseEdition, false,
             "result: exit code 5, no edition this patch updates is installed; nothing written",
             "attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n"},
        Case{"newer_of_two_editions", Installed::kOld, kExitWritten, true,
             "attempt 1: patched the installed edition (number 2 of the 2 it updates from, oldest "
             "first: 700000 bytes, SHA-256 ",
             "attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n", TwoEditions},
        Case{"foreign_file_two_editions", Installed::kForeign, kExitNotTheBaseEdition, false,
             "found 5000 bytes, SHA-256 not read (the size differs); expected one of the 2 editions "
             "it updates from (",
             "attempt 1: checking C:\\Velto\\Quadrivo\\Lumarso2015.zip\r\n", TwoEditions}),
    [](const auto& info) { return std::string(info.param.name); });

// A failed apply (here a read error) is retried like any failed attempt.
TEST_F(PatchRun, AFailedApplyIsRetriedAndThenSucceeds) {
  Install(Installed::kOld);
  files.FailCall(FileOp::ReadAt, 23);
  EXPECT_EQ(RunSilent({registry, files, resources, process, clock}, {kHost, 1, 20000, &sha}, log),
            kExitWritten);
  EXPECT_EQ(files.Content(kZipPath), std::optional<Bytes>(kNew));
  EXPECT_TRUE(Logged("attempt 1 failed: reading the installed copy, error 23"));
  EXPECT_TRUE(Logged("attempt 2: patched"));
}

// A failure that no system call reported names no error.
TEST_F(PatchRun, AFailureWithoutASystemErrorNamesNone) {
  Install(Installed::kOld);
  Bytes otherFormat = kPatch;
  otherFormat[8] = std::byte{payload::kPatchVersion + 1};  // the format version
  resources.Add(payload::kResourceType, payload::kPatchResourceId, otherFormat);
  EXPECT_EQ(Silent(), kExitGaveUp);
  EXPECT_TRUE(Logged("attempt 1 failed: the CUSTOM/102 resource is not a patch of this format\r\n"))
      << logFile.Content(kLogPath).value_or("");
}

}  // namespace
}  // namespace app
