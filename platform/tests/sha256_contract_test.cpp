// SHA-256 as the patch relies on it, the same for CNG and the double: the
// published vectors, whatever the pieces, and a hash object that is used again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/tests/sha256_world.h"

namespace platform::testing {
namespace {

std::string Hex(const Sha256Digest& digest) {
  std::string out;
  char two[3];
  for (std::byte b : digest) {
    std::snprintf(two, sizeof two, "%02x", static_cast<unsigned>(b));
    out += two;
  }
  return out;
}

struct Vector {
  const char* name;
  std::string message;
  std::uint32_t piece;  // bytes per Update; 0: no Update at all
  const char* digest;   // FIPS 180-2 examples
};

class Sha256Vectors : public ::testing::TestWithParam<Vector> {};

TEST_P(Sha256Vectors, GivesThePublishedDigest) {
  const Vector& v = GetParam();
  const auto sha = MakeSha256();
  // Twice over the same object: Finish leaves it ready for the next Begin.
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(sha->Begin(), kErrorSuccess);
    for (std::size_t at = 0; v.piece != 0 && at < v.message.size(); at += v.piece) {
      const std::size_t n = std::min<std::size_t>(v.piece, v.message.size() - at);
      ASSERT_EQ(sha->Update(v.message.data() + at, static_cast<std::uint32_t>(n)), kErrorSuccess);
    }
    Sha256Digest digest{};
    ASSERT_EQ(sha->Finish(&digest), kErrorSuccess);
    EXPECT_EQ(Hex(digest), v.digest) << v.name << ", round " << round;
  }
}

const std::string kMillion(1000000, 'a');

INSTANTIATE_TEST_SUITE_P(
    Fips, Sha256Vectors,
    ::testing::Values(
        Vector{"empty", "", 0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        Vector{"abc", "abc", 3, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        Vector{"abc byte by byte", "abc", 1,
               "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        Vector{"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 7,
               "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        Vector{"a million 'a'", kMillion, 65536,
               "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        Vector{"a million 'a' in odd pieces", kMillion, 4093,
               "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}),
    [](const auto& info) {
      std::string name;
      for (const char c : std::string(info.param.name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(Sha256, BeginDropsAnUnfinishedHash) {
  const auto sha = MakeSha256();
  ASSERT_EQ(sha->Begin(), kErrorSuccess);
  ASSERT_EQ(sha->Update("stale", 5), kErrorSuccess);
  ASSERT_EQ(sha->Begin(), kErrorSuccess);
  ASSERT_EQ(sha->Update("abc", 3), kErrorSuccess);
  Sha256Digest digest{};
  ASSERT_EQ(sha->Finish(&digest), kErrorSuccess);
  EXPECT_EQ(Hex(digest), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, UpdateOrFinishWithoutBeginIsAnInvalidHandle) {
  const auto sha = MakeSha256();
  Sha256Digest digest{};
  EXPECT_EQ(sha->Update("abc", 3), kErrorInvalidHandle);
  EXPECT_EQ(sha->Finish(&digest), kErrorInvalidHandle);
  ASSERT_EQ(sha->Begin(), kErrorSuccess);
  ASSERT_EQ(sha->Finish(&digest), kErrorSuccess);
  EXPECT_EQ(sha->Finish(&digest), kErrorInvalidHandle);  // finished: Begin first
}

}  // namespace
}  // namespace platform::testing
