#pragma once
// A scratch folder for the install log's contract: the double natively, the
// real API under Wine.
#include <memory>
#include <optional>
#include <string>

#include "platform/log_file.h"

namespace platform::testing {

class LogFileWorld {
 public:
  virtual ~LogFileWorld() = default;
  virtual LogFile& Log() = 0;
  // An empty folder of this test alone, ending with a backslash.
  virtual std::wstring Root() = 0;
  virtual void MakeFolder(const std::wstring& path) = 0;
  virtual void PutFile(const std::wstring& path, const std::string& content) = 0;
  // Read while the log may still hold the file open.
  [[nodiscard]] virtual std::optional<std::string> Read(const std::wstring& path) = 0;
};

std::unique_ptr<LogFileWorld> MakeLogFileWorld();

}  // namespace platform::testing
