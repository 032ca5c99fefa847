#include "payload/vcdiff_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace payload {

namespace {

enum : std::uint8_t { kNoop = 0, kAdd = 1, kRun = 2, kCopy = 3 };

constexpr std::uint8_t kVcdSource = 0x01;
constexpr std::uint8_t kVcdTarget = 0x02;
constexpr std::uint8_t kVcdAdler32 = 0x04;  // xdelta3's checksum of the window
constexpr std::uint8_t kVcdDecompress = 0x01;
constexpr std::uint8_t kVcdCodeTable = 0x02;
constexpr std::uint8_t kVcdAppHeader = 0x04;

constexpr int kNearSlots = 4;
constexpr int kSameSlots = 3 * 256;

struct Half {
  std::uint8_t type, size, mode;
};
struct Entry {
  Half first, second;
};

// The default instruction code table, built the way its definition lists it.
constexpr std::array<Entry, 256> MakeCodeTable() {
  std::array<Entry, 256> t{};
  std::size_t i = 0;
  t[i++] = {{kRun, 0, 0}, {kNoop, 0, 0}};
  for (std::uint8_t size = 0; size <= 17; ++size) t[i++] = {{kAdd, size, 0}, {kNoop, 0, 0}};
  for (std::uint8_t mode = 0; mode <= 8; ++mode) {
    t[i++] = {{kCopy, 0, mode}, {kNoop, 0, 0}};
    for (std::uint8_t size = 4; size <= 18; ++size) t[i++] = {{kCopy, size, mode}, {kNoop, 0, 0}};
  }
  for (std::uint8_t mode = 0; mode <= 5; ++mode) {
    for (std::uint8_t add = 1; add <= 4; ++add) {
      for (std::uint8_t copy = 4; copy <= 6; ++copy) t[i++] = {{kAdd, add, 0}, {kCopy, copy, mode}};
    }
  }
  for (std::uint8_t mode = 6; mode <= 8; ++mode) {
    for (std::uint8_t add = 1; add <= 4; ++add) t[i++] = {{kAdd, add, 0}, {kCopy, 4, mode}};
  }
  for (std::uint8_t mode = 0; mode <= 8; ++mode) t[i++] = {{kCopy, 4, mode}, {kAdd, 1, 0}};
  return t;
}

constexpr std::array<Entry, 256> kCodeTable = MakeCodeTable();

// A bounded view of part of the delta; every read says whether it fitted.
class Reader {
 public:
  explicit Reader(std::span<const std::byte> bytes) : bytes_(bytes) {}
  [[nodiscard]] bool Empty() const { return at_ == bytes_.size(); }
  [[nodiscard]] std::size_t Left() const { return bytes_.size() - at_; }
  [[nodiscard]] std::size_t At() const { return at_; }

  bool Byte(std::uint8_t* b) {
    if (Empty()) return false;
    *b = static_cast<std::uint8_t>(bytes_[at_++]);
    return true;
  }
  // Base 128, most significant group first, high bit set on all but the last.
  bool Integer(std::uint64_t* value) {
    std::uint64_t v = 0;
    for (int i = 0; i < 10; ++i) {
      std::uint8_t b = 0;
      if (!Byte(&b)) return false;
      if (v > (~std::uint64_t{0} >> 7)) return false;
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) {
        *value = v;
        return true;
      }
    }
    return false;
  }
  bool Take(std::uint64_t size, std::span<const std::byte>* part) {
    if (size > Left()) return false;
    *part = bytes_.subspan(at_, static_cast<std::size_t>(size));
    at_ += static_cast<std::size_t>(size);
    return true;
  }

 private:
  std::span<const std::byte> bytes_;
  std::size_t at_ = 0;
};

}  // namespace

VcdiffDecoder::VcdiffDecoder(std::span<const std::byte> delta, std::uint64_t sourceSize,
                             std::span<const std::byte> pool)
    : delta_(delta), sourceSize_(sourceSize), pool_(pool) {}

bool VcdiffDecoder::Damaged(const char* why) {
  problem_ = DeltaProblem::kDamaged;
  why_ = why;
  return false;
}

bool VcdiffDecoder::ReadHeader() {
  Reader r(delta_);
  std::uint8_t magic[4] = {};
  for (std::uint8_t& b : magic) {
    if (!r.Byte(&b)) return Damaged("shorter than the VCDIFF header");
  }
  if (magic[0] != 0xD6 || magic[1] != 0xC3 || magic[2] != 0xC4 || magic[3] != 0x00) {
    return Damaged("no VCDIFF magic");
  }
  std::uint8_t indicator = 0;
  if (!r.Byte(&indicator)) return Damaged("shorter than the VCDIFF header");
  if ((indicator & kVcdDecompress) != 0) return Damaged("secondary compression");
  if ((indicator & kVcdCodeTable) != 0) return Damaged("a code table of its own");
  if ((indicator & ~(kVcdDecompress | kVcdCodeTable | kVcdAppHeader)) != 0) {
    return Damaged("unknown header bits");
  }
  if ((indicator & kVcdAppHeader) != 0) {
    std::uint64_t length = 0;
    std::span<const std::byte> skipped;
    if (!r.Integer(&length) || !r.Take(length, &skipped)) return Damaged("application header");
  }
  at_ = r.At();
  headerRead_ = true;
  return true;
}

bool VcdiffDecoder::Next(DeltaSource& source, std::span<const std::byte>* window) {
  *window = {};
  if (!Next(source, target_)) return false;
  *window = target_;
  return true;
}

bool VcdiffDecoder::Next(DeltaSource& source, std::vector<std::byte>& window) {
  // Kept at its size until the delta is done: resizing a window of the same
  // size costs nothing, growing one from nothing fills it with zeros first.
  if (problem_ != DeltaProblem::kNone) return false;
  if (!headerRead_ && !ReadHeader()) return false;
  try {
    while (at_ < delta_.size()) {
      if (!DecodeWindow(source, window)) return false;
      // An empty window is legal and says nothing.
      if (!window.empty()) return true;
    }
  } catch (const std::bad_alloc&) {
    problem_ = DeltaProblem::kReadFailed;
    status_ = platform::kErrorNotEnoughMemory;
    return false;
  }
  window.clear();
  return true;
}

bool VcdiffDecoder::DecodeWindow(DeltaSource& source, std::vector<std::byte>& target) {
  Reader r(delta_.subspan(at_));
  std::uint8_t indicator = 0;
  if (!r.Byte(&indicator)) return Damaged("a window without its indicator");
  if ((indicator & ~(kVcdSource | kVcdTarget | kVcdAdler32)) != 0) {
    return Damaged("unknown window bits");
  }
  if ((indicator & kVcdTarget) != 0) return Damaged("a window copying from the target");
  segmentStart_ = segmentSize_ = 0;
  if ((indicator & kVcdSource) != 0) {
    if (!r.Integer(&segmentSize_) || !r.Integer(&segmentStart_)) return Damaged("source segment");
    const std::uint64_t sourceEnd = sourceSize_ + pool_.size();
    if (segmentStart_ > sourceEnd || segmentSize_ > sourceEnd - segmentStart_) {
      return Damaged("a source segment past the end of the installed file and the pool");
    }
  }
  std::uint64_t encodingSize = 0;
  std::span<const std::byte> encoding;
  if (!r.Integer(&encodingSize) || !r.Take(encodingSize, &encoding)) {
    return Damaged("a window longer than the delta");
  }
  at_ += r.At();

  Reader e(encoding);
  std::uint64_t targetSize = 0, dataSize = 0, instSize = 0, addrSize = 0;
  std::uint8_t deltaIndicator = 0;
  if (!e.Integer(&targetSize)) return Damaged("target window size");
  if (targetSize > kMaxTargetWindow) return Damaged("a target window over 4 MiB");
  if (!e.Byte(&deltaIndicator) || deltaIndicator != 0) return Damaged("compressed sections");
  if (!e.Integer(&dataSize) || !e.Integer(&instSize) || !e.Integer(&addrSize)) {
    return Damaged("section sizes");
  }
  std::span<const std::byte> skipped, dataBytes, instBytes, addrBytes;
  if ((indicator & kVcdAdler32) != 0 && !e.Take(4, &skipped)) return Damaged("window checksum");
  if (!e.Take(dataSize, &dataBytes) || !e.Take(instSize, &instBytes) ||
      !e.Take(addrSize, &addrBytes) || !e.Empty()) {
    return Damaged("sections that do not fill the window");
  }

  target.resize(static_cast<std::size_t>(targetSize));
  Reader data(dataBytes), inst(instBytes), addr(addrBytes);
  std::array<std::uint64_t, kNearSlots> near{};
  std::array<std::uint64_t, kSameSlots> same{};
  int nextNear = 0;
  const std::uint32_t size = static_cast<std::uint32_t>(targetSize);
  std::uint32_t here = 0;  // bytes of the window rebuilt so far

  while (!inst.Empty()) {
    std::uint8_t code = 0;
    (void)inst.Byte(&code);
    for (const Half& h : {kCodeTable[code].first, kCodeTable[code].second}) {
      if (h.type == kNoop) continue;
      std::uint64_t n = h.size;
      if (n == 0 && !inst.Integer(&n)) return Damaged("instruction size");
      if (n > size - here) return Damaged("an instruction past the end of the window");
      const auto count = static_cast<std::uint32_t>(n);
      std::byte* out = target.data() + here;
      if (h.type == kAdd) {
        std::span<const std::byte> bytes;
        if (!data.Take(count, &bytes)) return Damaged("ADD past the data section");
        std::memcpy(out, bytes.data(), count);
      } else if (h.type == kRun) {
        std::uint8_t b = 0;
        if (!data.Byte(&b)) return Damaged("RUN past the data section");
        std::memset(out, b, count);
      } else {
        // Addresses run over the source segment, then the window so far.
        const std::uint64_t hereAddress = segmentSize_ + here;
        std::uint64_t a = 0;
        if (h.mode == 0) {
          if (!addr.Integer(&a)) return Damaged("COPY address");
        } else if (h.mode == 1) {
          std::uint64_t back = 0;
          if (!addr.Integer(&back) || back > hereAddress) return Damaged("COPY address");
          a = hereAddress - back;
        } else if (h.mode < 2 + kNearSlots) {
          std::uint64_t offset = 0;
          if (!addr.Integer(&offset)) return Damaged("COPY address");
          a = near[h.mode - 2] + offset;
          if (a < offset) return Damaged("COPY address");
        } else {
          std::uint8_t b = 0;
          if (!addr.Byte(&b)) return Damaged("COPY address");
          a = same[(h.mode - 2 - kNearSlots) * 256 + b];
        }
        if (a >= hereAddress) return Damaged("COPY from bytes not there yet");
        near[nextNear] = a;
        nextNear = (nextNear + 1) % kNearSlots;
        same[a % kSameSlots] = a;

        std::uint32_t done = 0;
        if (a < segmentSize_) {
          done = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, segmentSize_ - a));
          if (!CopyFromSource(source, segmentStart_ + a, done, out)) return false;
          a = segmentSize_;
        }
        // From the window itself; may overlap what it writes, which repeats
        // the bytes between, so it goes byte by byte then.
        const auto from = static_cast<std::uint32_t>(a - segmentSize_);
        const std::uint32_t rest = count - done;
        std::byte* to = out + done;
        if (from + rest <= here + done) {
          std::memcpy(to, target.data() + from, rest);
        } else {
          for (std::uint32_t k = 0; k < rest; ++k) to[k] = target[from + k];
        }
      }
      here += count;
    }
  }
  if (here != size) return Damaged("a window shorter than it says");
  if (!data.Empty() || !addr.Empty()) return Damaged("unused bytes in a window");
  return true;
}

bool VcdiffDecoder::CopyFromSource(DeltaSource& source, std::uint64_t at, std::uint32_t size,
                                   std::byte* out) {
  // The pool's part straight from memory, so that copies alternating between
  // the file and the pool do not throw away the piece of the file read last.
  if (at + size > sourceSize_) {
    const std::uint64_t poolAt = at > sourceSize_ ? at - sourceSize_ : 0;
    const auto n = static_cast<std::uint32_t>(at + size - sourceSize_ - poolAt);
    std::memcpy(out + (size - n), pool_.data() + poolAt, n);
    size -= n;
  }
  if (size > 0 && block_.size() < kSourceBlock) block_.resize(kSourceBlock);
  while (size > 0) {
    if (at < blockStart_ || at >= blockStart_ + blockSize_) {
      // A fresh piece from `at`: copies mostly move forward through the file.
      blockSize_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(kSourceBlock, sourceSize_ - at));
      blockStart_ = at;
      status_ = source.Read(at, block_.data(), blockSize_);
      if (status_ != platform::kErrorSuccess) {
        blockSize_ = 0;
        problem_ = DeltaProblem::kReadFailed;
        return false;
      }
    }
    const auto offset = static_cast<std::uint32_t>(at - blockStart_);
    const std::uint32_t n = std::min(size, blockSize_ - offset);
    std::memcpy(out, block_.data() + offset, n);
    out += n;
    at += n;
    size -= n;
  }
  return true;
}

}  // namespace payload
