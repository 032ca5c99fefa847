// Resources found by type and id, as views.  Failures on demand and the
// call log are tested in call_script_test.cpp.
#include <gtest/gtest.h>

#include "platform/doubles/fake_resources.h"

namespace platform::doubles {
namespace {

TEST(FakeResources, FindsAViewOfTheStoredBytesByTypeAnyCaseAndId) {
  FakeResources resources;
  resources.Add(L"CUSTOM", 101, {std::byte{1}, std::byte{2}, std::byte{3}});
  Win32Status status = 0xDEADBEEF;
  auto first = resources.Find(L"custom", 101, &status);
  ASSERT_TRUE(first);
  EXPECT_EQ(status, kErrorSuccess);
  EXPECT_EQ(first->size(), 3u);
  auto second = resources.Find(L"CUSTOM", 101, &status);
  EXPECT_EQ(first->data(), second->data()) << "a view, not a copy";
  EXPECT_EQ(resources.CountCalls(ResourceCall::Find), 2);
}

TEST(FakeResources, MissingTypeAndNameGiveWindowsStatuses) {
  FakeResources resources;
  resources.Add(L"CUSTOM", 101, {std::byte{1}});
  Win32Status status = 0;
  EXPECT_FALSE(resources.Find(L"CUSTOM", 102, &status));
  EXPECT_EQ(status, kErrorResourceNameNotFound);
  EXPECT_FALSE(resources.Find(L"OTHER", 101, &status));
  EXPECT_EQ(status, kErrorResourceTypeNotFound);
}

}  // namespace
}  // namespace platform::doubles
