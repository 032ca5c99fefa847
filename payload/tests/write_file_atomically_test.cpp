// The atomic writer against a source that cannot be trusted to the end: what
// it could not read never shows under the target's name.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "payload/temp_names.h"
#include "payload/write_file_atomically.h"
#include "platform/doubles/fake_files.h"

namespace payload {
namespace {

using platform::doubles::FakeFileSystem;

constexpr wchar_t kFolder[] = L"C:\\Host\\";
constexpr wchar_t kTarget[] = L"C:\\Host\\Lumarso2015.zip";

// Hands out `given` chunks of `chunk` bytes while claiming `claimed` in all;
// fails instead of the chunk numbered `failAt` (from 1; 0: never).
class ScriptedSource final : public ByteSource {
 public:
  ScriptedSource(std::uint64_t claimed, int given, std::size_t chunk, int failAt)
      : claimed_(claimed), given_(given), failAt_(failAt), bytes_(chunk, std::byte{0x5A}) {}
  [[nodiscard]] std::uint64_t Size() const override { return claimed_; }
  [[nodiscard]] bool Next(std::span<const std::byte>* chunk) override {
    ++calls_;
    *chunk = {};
    if (calls_ == failAt_) return false;
    if (calls_ <= given_) *chunk = bytes_;
    return true;
  }

 private:
  std::uint64_t claimed_;
  int given_;
  int failAt_;
  int calls_ = 0;
  std::vector<std::byte> bytes_;
};

struct Lie {
  const char* name;
  std::uint64_t claimed;
  int given;
  std::size_t chunk;
  int failAt;
};

void PrintTo(const Lie& lie, std::ostream* os) { *os << lie.name; }

class UnreliableSource : public ::testing::TestWithParam<Lie> {};

TEST_P(UnreliableSource, FailsAndLeavesTheOldFileAndNoTemporaryFile) {
  FakeFileSystem fs;
  const std::vector<std::byte> old(100, std::byte{1});
  fs.PutFile(kTarget, old);
  // An earlier attempt's temporary file goes even when this one fails.
  fs.PutFile(std::wstring(kFolder) + TempName(L"Lumarso2015.zip", 3), old);
  const Lie lie = GetParam();
  ScriptedSource source(lie.claimed, lie.given, lie.chunk, lie.failAt);
  EXPECT_FALSE(WriteFileAtomically(fs, kFolder, L"Lumarso2015.zip", source));
  EXPECT_EQ(fs.Content(kTarget), old);
  EXPECT_EQ(fs.Names(kFolder), std::vector<std::wstring>{L"Lumarso2015.zip"});
  EXPECT_EQ(fs.OpenFiles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryWayOfFailing, UnreliableSource,
    ::testing::Values(Lie{"AFirstReadError", 3000, 3, 1000, 1},
                      Lie{"ALastReadError", 3000, 3, 1000, 3},
                      Lie{"EndsEarly", 3000, 2, 1000, 0},
                      Lie{"HandsOutMoreThanItsSize", 2500, 3, 1000, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace payload
