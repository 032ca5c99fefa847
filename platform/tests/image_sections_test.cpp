// Section tables as the linker writes them, and headers that must not be
// trusted: every answer either lies inside a section's file data or is none.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/image_sections.h"

namespace platform {
namespace {

void Put(std::vector<std::byte>& b, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::byte>(value >> (8 * i));
}

// MZ, PE at 0x80, a PE32 optional header (0xE0 bytes), two sections:
// .text at 0x1000 (0x800 used of 0x1000 stored at 0x400) and .rsrc at
// 0x2000 (0x3000 stored at 0x1400, zero-filled up to 0x5000).
std::vector<std::byte> Headers() {
  std::vector<std::byte> b(0x400);
  Put(b, 0, 0x5A4D, 2);
  Put(b, 0x3C, 0x80, 4);
  Put(b, 0x80, 0x4550, 4);
  Put(b, 0x86, 2, 2);       // sections
  Put(b, 0x94, 0xE0, 2);    // optional header size
  const std::size_t table = 0x80 + 24 + 0xE0;
  const std::uint32_t sections[2][4] = {{0x800, 0x1000, 0x1000, 0x400},
                                        {0x5000, 0x2000, 0x3000, 0x1400}};
  for (int i = 0; i < 2; ++i) {
    for (int f = 0; f < 4; ++f) Put(b, table + 40 * i + 8 + 4 * f, sections[i][f], 4);
  }
  return b;
}

struct Lookup {
  const char* name;
  void (*damage)(std::vector<std::byte>&);
  std::uint64_t rva;
  std::uint64_t size;
  std::optional<std::uint64_t> offset;
};

void PrintTo(const Lookup& lookup, std::ostream* os) { *os << lookup.name; }

class FileOffsetOfRvaTest : public ::testing::TestWithParam<Lookup> {};

TEST_P(FileOffsetOfRvaTest, AnswersOnlyForBytesStoredInTheFile) {
  std::vector<std::byte> headers = Headers();
  GetParam().damage(headers);
  EXPECT_EQ(FileOffsetOfRva(headers, GetParam().rva, GetParam().size), GetParam().offset);
}

void Intact(std::vector<std::byte>&) {}

// The same image as PE32+: a 0xF0-byte optional header, so the section table
// starts 16 bytes later.
void Pe32Plus(std::vector<std::byte>& b) {
  const std::size_t table = 0x80 + 24 + 0xE0;
  b.insert(b.begin() + table, 16, std::byte{0});
  b.resize(0x400);
  Put(b, 0x94, 0xF0, 2);
  Put(b, 0x80 + 24, 0x20B, 2);  // the optional header's magic
}

INSTANTIATE_TEST_SUITE_P(
    EveryCase, FileOffsetOfRvaTest,
    ::testing::Values(
        Lookup{"InsideTheResources", Intact, 0x2010, 0x100, 0x1410},
        Lookup{"AllTheStoredResources", Intact, 0x2000, 0x3000, 0x1400},
        Lookup{"IntoTheZeroFill", Intact, 0x2000, 0x3001, std::nullopt},
        Lookup{"PastTheUsedCodeThoughStored", Intact, 0x1000, 0x900, std::nullopt},
        Lookup{"TheHeadersThemselves", Intact, 0x10, 0x10, std::nullopt},
        Lookup{"FarBeyondTheImage", Intact, std::uint64_t{1} << 40, 0, std::nullopt},
        Lookup{"NoMz", [](auto& b) { b[0] = std::byte{0}; }, 0x2010, 0x100, std::nullopt},
        Lookup{"NoPeSignature", [](auto& b) { b[0x81] = std::byte{0}; }, 0x2010, 0x100,
               std::nullopt},
        Lookup{"PeOffsetOutside", [](auto& b) { Put(b, 0x3C, 0xFFFFFFF0u, 4); }, 0x2010, 0x100,
               std::nullopt},
        Lookup{"TableCutShort", [](auto& b) { b.resize(0x80 + 24 + 0xE0 + 60); }, 0x2010, 0x100,
               std::nullopt},
        Lookup{"APe32PlusHeader", Pe32Plus, 0x2010, 0x100, 0x1410},
        Lookup{"AVirtualSizeOfZeroMeansTheStoredSize",
               [](auto& b) { Put(b, 0x80 + 24 + 0xE0 + 40 + 8, 0, 4); }, 0x2000, 0x3000, 0x1400}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform
