#pragma once
// The machine around the updater: the maker's registry key, folders with a
// host executable, and a file held open by someone else.  Each owner undoes
// its change when it goes, so every scenario leaves the prefix as it found it.
#include <windows.h>

#include <cstdint>
#include <string>

namespace e2e {

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

// Makes every folder along `path`; false if one cannot be made.
bool MakeFolders(const std::wstring& path);
// Deletes a folder and everything below it; true when nothing is left.
bool RemoveTree(const std::wstring& path);
[[nodiscard]] bool FileExists(const std::wstring& path);
[[nodiscard]] std::int64_t FileSize(const std::wstring& path);  // -1 when missing
[[nodiscard]] std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// A folder made for one scenario and removed (with its content) afterwards.
class ScopedFolder {
 public:
  explicit ScopedFolder(std::wstring path);
  ~ScopedFolder();
  ScopedFolder(const ScopedFolder&) = delete;
  ScopedFolder& operator=(const ScopedFolder&) = delete;
  [[nodiscard]] const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// Puts a small stand-in "Quadrivo.exe" into `folder`.
void PlaceHostExe(const std::wstring& folder);

// The target file held open for reading and writing with no sharing at all,
// as another program might: nobody can replace, delete or open it meanwhile.
class HeldFile {
 public:
  explicit HeldFile(const std::wstring& path);
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  void Release();

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace e2e
