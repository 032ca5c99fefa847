#include "payload/tests/patch_pairs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "payload/patch_header.h"
#include "platform/doubles/openssl_sha256.h"

namespace payload::testing {

Bytes Noise(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::byte& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::byte>(x >> 24);
  }
  return bytes;
}

Bytes Edited(const Bytes& old, std::uint32_t seed) {
  Bytes now = old;
  const std::size_t n = now.size();
  if (n < 64) return Noise(n + 7, seed);
  // Edits in place.
  for (std::size_t at = n / 7; at + 40 < n; at += n / 5) {
    const Bytes patch = Noise(40, seed + static_cast<std::uint32_t>(at));
    std::copy(patch.begin(), patch.end(), now.begin() + static_cast<std::ptrdiff_t>(at));
  }
  // A block moved to the end, a run removed, new bytes inserted.
  const std::size_t block = n / 10;
  Bytes moved(now.begin() + static_cast<std::ptrdiff_t>(n / 3),
              now.begin() + static_cast<std::ptrdiff_t>(n / 3 + block));
  now.erase(now.begin() + static_cast<std::ptrdiff_t>(n / 3),
            now.begin() + static_cast<std::ptrdiff_t>(n / 3 + block));
  now.insert(now.end(), moved.begin(), moved.end());
  now.erase(now.begin() + static_cast<std::ptrdiff_t>(n / 2),
            now.begin() + static_cast<std::ptrdiff_t>(n / 2 + n / 50));
  const Bytes added = Noise(n / 40 + 1, seed + 99);
  now.insert(now.begin() + static_cast<std::ptrdiff_t>(n / 4), added.begin(), added.end());
  return now;
}

namespace {

std::string Scratch() {
  char dir[] = "/tmp/lumarso-patch-XXXXXX";
  if (mkdtemp(dir) == nullptr) return {};
  return dir;
}

void Save(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

Bytes Xdelta(const Bytes& old, const Bytes& now, bool checksum) {
  const std::string dir = Scratch();
  EXPECT_FALSE(dir.empty());
  Save(dir + "/old", old);
  Save(dir + "/new", now);
  // The source window spans the whole old file, as the build's encoder's does.
  std::size_t window = 1u << 19;  // xdelta3's least
  while (window < old.size()) window <<= 1;
  const std::string command = "xdelta3 -e -f -q -S none -A " + std::string(checksum ? "" : "-n ") +
                              "-B " + std::to_string(window) + " -W 4194304 -s " + dir + "/old " +
                              dir + "/new " + dir + "/delta";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(dir + "/delta", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::system(("rm -rf " + dir).c_str());
  Bytes delta(text.size());
  std::copy(text.begin(), text.end(), reinterpret_cast<char*>(delta.data()));
  return delta;
}

namespace {

void PutLittle(Bytes& out, std::uint64_t v, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::byte>(v >> (8 * i)));
}

void PutEdition(Bytes& out, const Bytes& edition) {
  platform::doubles::OpensslSha256 sha;
  platform::Sha256Digest digest{};
  EXPECT_EQ(sha.Begin(), 0u);
  EXPECT_EQ(sha.Update(edition.data(), static_cast<std::uint32_t>(edition.size())), 0u);
  EXPECT_EQ(sha.Finish(&digest), 0u);
  PutLittle(out, edition.size(), 8);
  out.insert(out.end(), digest.begin(), digest.end());
}

}  // namespace

Bytes Pack(const std::vector<Bytes>& from, const std::vector<Bytes>& deltas, const Bytes& to,
           const Bytes& pool) {
  Bytes out;
  for (const char c : kPatchMagic) out.push_back(static_cast<std::byte>(c));
  PutLittle(out, kPatchVersion, 4);
  PutLittle(out, from.size(), 4);
  PutEdition(out, to);
  PutLittle(out, pool.size(), 8);
  for (std::size_t i = 0; i < from.size(); ++i) {
    PutEdition(out, from[i]);
    PutLittle(out, deltas[i].size(), 8);
  }
  out.insert(out.end(), pool.begin(), pool.end());
  for (const Bytes& delta : deltas) out.insert(out.end(), delta.begin(), delta.end());
  return out;
}

Bytes Pack(const Bytes& from, const Bytes& to, const Bytes& delta) { return Pack({from}, {delta}, to, {}); }

}  // namespace payload::testing
