// The install log's file, the same cases against the double and the real API.
#include <gtest/gtest.h>

#include "platform/tests/log_file_world.h"

namespace platform::testing {
namespace {

class LogFileContract : public ::testing::Test {
 protected:
  std::unique_ptr<LogFileWorld> world = MakeLogFileWorld();
  LogFile& log = world->Log();
  const std::wstring root = world->Root();
};

TEST_F(LogFileContract, CreatesTheFileAndAppendsEachWriteInOrder) {
  ASSERT_EQ(log.Open(root + L"install.log"), kErrorSuccess);
  EXPECT_EQ(world->Read(root + L"install.log"), std::string());
  EXPECT_EQ(log.Append("one\r\n"), kErrorSuccess);
  EXPECT_EQ(log.Append("t\xC3\xA8 two\r\n"), kErrorSuccess);
  EXPECT_EQ(world->Read(root + L"install.log"), "one\r\nt\xC3\xA8 two\r\n");
}

TEST_F(LogFileContract, KeepsWhatAnEarlierRunWrote) {
  world->PutFile(root + L"install.log", "earlier\r\n");
  ASSERT_EQ(log.Open(root + L"INSTALL.LOG"), kErrorSuccess);
  EXPECT_EQ(log.Append("now\r\n"), kErrorSuccess);
  EXPECT_EQ(world->Read(root + L"install.log"), "earlier\r\nnow\r\n");
}

TEST_F(LogFileContract, RefusesPathsItCannotOpenWithTheSystemsStatus) {
  world->MakeFolder(root + L"folder");
  const struct {
    std::wstring path;
    Win32Status status;
  } rows[] = {
      {root + L"missing\\install.log", kErrorPathNotFound},
      {root + L"folder", kErrorAccessDenied},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.path.begin(), row.path.end()));
    EXPECT_EQ(log.Open(row.path), row.status);
    // Nothing stays open to write into.
    EXPECT_EQ(log.Append("x"), kErrorInvalidHandle);
  }
  EXPECT_FALSE(world->Read(root + L"missing\\install.log").has_value());
}

TEST_F(LogFileContract, WritesNothingBeforeItIsOpen) {
  EXPECT_EQ(log.Append("x"), kErrorInvalidHandle);
}

}  // namespace
}  // namespace platform::testing
