#pragma once
// A whole updater on the platform doubles: registry, disk, resources,
// scripted boxes, a window with a manual timer, and a process whose end is
// an exception.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "app/module1.h"
#include "modreg/modreg.h"
#include "platform/doubles/fake_dialogs.h"
#include "platform/doubles/fake_files.h"
#include "platform/doubles/fake_process.h"
#include "platform/doubles/fake_registry.h"
#include "platform/doubles/fake_resources.h"
#include "platform/doubles/fake_window.h"

namespace app::testing {

using platform::doubles::ProgramEnded;

inline constexpr char kMakerKey[] = "Software\\Velto\\Installazione";
inline constexpr char kWindowsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
inline constexpr wchar_t kZip[] = L"Lumarso2015.zip";
inline constexpr wchar_t kDone[] = L"Aggiornamento terminato!";
inline constexpr wchar_t kPrompt[] = L"Specificare il percorso in cui \u00e8 stato installato Quadrivo";

// Holds a worker inside a call until the test opens it: a file service as
// slow as the test wants.
class Gate {
 public:
  // Worker: says it arrived, then waits until opened.
  void Pass();
  // Test: waits until a worker is inside (false after 10 s), or opens.
  [[nodiscard]] bool Arrived();
  void Open();

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool arrived_ = false;
  bool open_ = false;
};

class Rig {
 public:
  Rig();

  // --- the machine
  void SetMakerFolder(std::string_view folder);  // HKLM\...\Installazione, "strPath"
  void SetProgramFiles(std::string_view folder);  // HKLM\...\CurrentVersion, "PROGRAMFILESDIR"
  // A folder holding the host's executable (with the given attributes).
  void MakeHost(const std::wstring& folder,
                std::uint32_t exeAttributes = platform::kFileAttributeArchive);
  // Another program holds `folder`'s archive open without sharing, so an
  // attempt there fails; Release() lets attempts succeed again.
  void HoldTarget(const std::wstring& folder);
  void Release();
  // The maker's key names C:\Velto\, the host is in C:\Velto\Quadrivo\ and its
  // archive is held: the click's first attempt fails and retries begin.
  // Returns true when the click ended the program (it must not).
  [[nodiscard]] bool ClickIntoRetries();

  // --- the user; each returns true when the program ended.  Clicks and ticks
  // go through the window, so every case also checks how Main wired it.
  bool Click();
  bool Tick();
  // Takes the worker's posts until the work ends; true when the program ended.
  bool Settle();
  // Runs a tick as the window would deliver it; the tick must be delivered.
  void TickExpectingFailure();

  // --- what happened
  [[nodiscard]] bool Written(const std::wstring& folder) const;  // archive there, exact
  [[nodiscard]] bool AnyArchive(const std::wstring& folder) const;
  // Attempts so far: each one finds the payload afresh.
  [[nodiscard]] int Attempts() const;
  [[nodiscard]] std::size_t BoxesWithText(const std::wstring& text) const {
    return dialogs.MessagesWithText(text).size();
  }
  [[nodiscard]] Form1& form() { return *module1.form1(); }

  std::vector<std::byte> archive;
  platform::doubles::FakeRegistry registry;
  platform::doubles::FakeFileSystem files;
  platform::doubles::FakeResources resources;
  platform::doubles::FakeDialogs dialogs;
  platform::doubles::FakeWindow window;
  platform::doubles::FakeProcess process;
  modreg::ModReg modReg{registry, dialogs, process};
  Module1 module1{{registry, files, resources, dialogs, window, process}, modReg, 20000};

 private:
  platform::FileId holder_ = 0;
};

}  // namespace app::testing
