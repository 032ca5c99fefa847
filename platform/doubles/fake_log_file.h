#pragma once
// The install log in memory, with the statuses CreateFileW and WriteFile give:
// a missing folder is 3, a folder opened as the log 5.  C:\ exists; other
// folders exist once made.  Any call can be told to fail.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/log_file.h"

namespace platform::doubles {

enum class LogOp { Open, Append };

class FakeLogFile final : public LogFile {
 public:
  // ---- the world outside the program
  void MakeFolder(const std::wstring& path);  // every folder along it, with or without a final backslash
  void PutFile(const std::wstring& path, const std::string& content);

  // ---- failures on demand: the `nth` next call of `op` fails with `status`
  // and changes nothing.
  void FailCall(LogOp op, Win32Status status, int nth = 1);

  // ---- what happened
  [[nodiscard]] std::optional<std::string> Content(const std::wstring& path) const;
  [[nodiscard]] int Calls(LogOp op) const;

  // ---- LogFile
  [[nodiscard]] Win32Status Open(const std::wstring& path) override;
  [[nodiscard]] Win32Status Append(std::string_view bytes) override;

 private:
  [[nodiscard]] bool Injected(LogOp op, Win32Status* status);

  struct Failure {
    LogOp op;
    Win32Status status;
    int remaining;
  };
  std::set<std::wstring> folders_{L"c:"};  // folded keys, no final backslash
  std::map<std::wstring, std::string> files_;
  std::optional<std::wstring> open_;
  std::vector<Failure> failures_;
  int opens_ = 0;
  int appends_ = 0;
};

}  // namespace platform::doubles
