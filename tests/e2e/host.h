#pragma once
// The machine around the updater: the maker's registry key, folders with a
// host executable, and a file held open by someone else.  Each owner undoes
// its change when it goes, so every scenario leaves the prefix as it found it.
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/win32/owners.h"
#include "tests/support/win32/scratch_folder.h"

namespace e2e {

using test_support::FileExists;
using test_support::FileSize;
using test_support::JoinPath;
using test_support::MakeFolders;
using test_support::NamesIn;
using test_support::RemoveTree;
// A folder made for one scenario and removed (with its content) afterwards.
using ScopedFolder = test_support::ScratchFolder;

// HKLM\Software\Velto\Installazione, value "strPath", as the updater under
// test sees it: the WOW6432Node view in a 64-bit prefix for the 32-bit
// updater, the native view for the 64-bit one.
inline constexpr wchar_t kMakerKey[] = L"Software\\Velto\\Installazione";

void WriteMakerPath(const std::wstring& strPath);
// "ProgramFilesDir" of the same view: "C:\Program Files (x86)" for the 32-bit
// updater in a 64-bit prefix, "C:\Program Files" for the 64-bit one.
[[nodiscard]] std::wstring ProgramFilesFolder();
void RemoveMakerKey();  // the whole Software\Velto tree of that view

class ScopedMakerKey {
 public:
  explicit ScopedMakerKey(const std::wstring& strPath);
  ~ScopedMakerKey();
  ScopedMakerKey(const ScopedMakerKey&) = delete;
  ScopedMakerKey& operator=(const ScopedMakerKey&) = delete;
};

// Puts a small stand-in "Quadrivo.exe" into `folder`.
void PlaceHostExe(const std::wstring& folder);

// The target file held open for reading and writing with no sharing at all,
// as another program might: nobody can replace, delete or open it meanwhile.
class HeldFile {
 public:
  explicit HeldFile(const std::wstring& path);
  void Release() { file_.reset(); }

 private:
  test_support::UniqueFileHandle file_;
};

// The file held open for reading, sharing only reading, as a viewer does
// (Quadrivo showing the manual): others may read it, not change or replace it.
class ViewedFile {
 public:
  explicit ViewedFile(const std::wstring& path);
  void Release() { file_.reset(); }

 private:
  test_support::UniqueFileHandle file_;
};

// The file's last-write time, in 100 ns units; DateBack sets it to noon of
// 1 January 2020, long before any write a scenario makes.
[[nodiscard]] std::uint64_t LastWriteTime(const std::wstring& path);
void DateBack(const std::wstring& path);

}  // namespace e2e
