// The yardstick writer must really do what it is measured for: copy the
// resource onto the heap, then write exactly those bytes.  A yardstick that
// skipped the copy or wrote short would flatter it.
#include "bench/naive_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "payload/write_payload.h"
#include "platform/doubles/fake_files.h"
#include "platform/doubles/fake_resources.h"

namespace {

using platform::doubles::FakeFileSystem;
using platform::doubles::FakeResources;
using platform::doubles::FileOp;

const std::wstring kTarget = L"C:\\Velto\\Quadrivo\\Lumarso2015.zip";

std::vector<std::byte> Bytes(std::size_t size, unsigned seed) {
  std::vector<std::byte> out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = std::byte((i * 131 + seed) & 0xFF);
  return out;
}

class NaiveWriterTest : public ::testing::Test {
 protected:
  NaiveWriterTest() {
    resources.Add(payload::kResourceType, payload::kResourceId, payload_);
    files.MakeFolders(L"C:\\Velto\\Quadrivo\\");
  }
  const std::vector<std::byte> payload_ = Bytes(70000, 7);
  FakeFileSystem files;
  FakeResources resources;
};

TEST_F(NaiveWriterTest, WritesACopyOfTheResourceInOnePieceOverAnOldFile) {
  files.PutFile(kTarget, Bytes(200000, 3));
  for (const bool flush : {false, true}) {
    files.ClearCalls();
    ASSERT_TRUE(bench::NaiveWrite(resources, files, kTarget, flush));
    EXPECT_EQ(files.Content(kTarget), payload_);
    EXPECT_EQ(files.CountCalls(FileOp::Write), 1);
    EXPECT_EQ(files.CountCalls(FileOp::Flush), flush ? 1 : 0);
    EXPECT_EQ(files.OpenFiles(), 0);

    platform::Win32Status error = 0;
    const auto view = resources.Find(payload::kResourceType, payload::kResourceId, &error);
    ASSERT_TRUE(view);
    for (const auto& call : files.Calls()) {
      if (call.op != FileOp::Write) continue;
      EXPECT_EQ(call.size, payload_.size());
      // Written from its own heap copy, not from the resource's view.
      const auto* data = static_cast<const std::byte*>(call.data);
      EXPECT_TRUE(data + call.size <= view->data() || data >= view->data() + view->size());
    }
  }
}

TEST_F(NaiveWriterTest, EachFailingStepGivesFalseAndLeavesNoFileOpen) {
  for (const FileOp op : {FileOp::Delete, FileOp::CreateNew, FileOp::Write, FileOp::Flush,
                          FileOp::Close}) {
    files.PutFile(kTarget, Bytes(100, 1));
    files.FailCall(op, platform::kErrorAccessDenied);
    EXPECT_FALSE(bench::NaiveWrite(resources, files, kTarget, true)) << static_cast<int>(op);
    EXPECT_EQ(files.OpenFiles(), 0) << static_cast<int>(op);
    files.ClearFailures();
  }
}

TEST_F(NaiveWriterTest, MissingResourceTouchesNoFile) {
  files.PutFile(kTarget, Bytes(100, 1));
  resources.FailCall(platform::doubles::ResourceCall::Find, 1813);  // ERROR_RESOURCE_TYPE_NOT_FOUND
  files.ClearCalls();
  EXPECT_FALSE(bench::NaiveWrite(resources, files, kTarget, true));
  EXPECT_TRUE(files.Calls().empty());
  EXPECT_EQ(files.Content(kTarget), Bytes(100, 1));
}

}  // namespace
