#pragma once
// The bytes a write puts on disk, handed out a chunk at a time, so that the
// writer does not care whether they come from the mapped image or are read
// from a file.
#include <cstddef>
#include <cstdint>
#include <span>

namespace payload {

// Very large single writes have failed on some Windows setups (1450); a few
// MB at a time costs nothing.
inline constexpr std::uint32_t kWriteChunk = 4u << 20;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  [[nodiscard]] virtual std::uint64_t Size() const = 0;
  // The next at most kWriteChunk bytes, valid until the next call; empty
  // once all were handed out.  False when they cannot be had.
  [[nodiscard]] virtual bool Next(std::span<const std::byte>* chunk) = 0;
  // Starts again from the first byte: a look at the bytes (is the old copy
  // already these?) comes before writing them.
  virtual void Rewind() = 0;
};

// Chunks of a view in memory, never copied.
class ViewSource final : public ByteSource {
 public:
  explicit ViewSource(std::span<const std::byte> view) noexcept : view_(view), rest_(view) {}
  [[nodiscard]] std::uint64_t Size() const override { return view_.size(); }
  [[nodiscard]] bool Next(std::span<const std::byte>* chunk) override;
  void Rewind() override { rest_ = view_; }

 private:
  std::span<const std::byte> view_;
  std::span<const std::byte> rest_;
};

}  // namespace payload
