// Deltas of any shape through the decoder: no crash, no sanitizer report, no
// read outside the source, no window over the limit, however many windows.
//
// Input: two bytes (little-endian) giving the source's length L, L bytes of
// source (fewer if the input ends), then the delta.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "payload/vcdiff_decoder.h"

namespace {

class Source final : public payload::DeltaSource {
 public:
  explicit Source(std::span<const std::byte> bytes) : bytes_(bytes) {}
  platform::Win32Status Read(std::uint64_t offset, void* buffer, std::uint32_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) std::abort();
    std::memcpy(buffer, bytes_.data() + offset, size);
    return platform::kErrorSuccess;
  }

 private:
  std::span<const std::byte> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t length = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
  const auto* bytes = reinterpret_cast<const std::byte*>(data);
  const std::span<const std::byte> source(bytes + 2, length);
  const std::span<const std::byte> delta(bytes + 2 + length, size - 2 - length);
  payload::VcdiffDecoder decoder(delta, source.size());
  Source reader(source);
  std::span<const std::byte> window;
  std::uint64_t total = 0;
  while (decoder.Next(reader, &window) && !window.empty()) {
    if (window.size() > payload::kMaxTargetWindow) std::abort();
    total += window.size();
    // Every window's bytes are readable (ASan checks the touch).
    volatile std::byte sink = window.front();
    sink = window.back();
    (void)sink;
  }
  return 0;
}
