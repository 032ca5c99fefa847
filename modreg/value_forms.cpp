#include "modreg/value_forms.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "modreg/runtime_error.h"
#include "platform/codepage.h"
#include "platform/registry.h"

namespace modreg {
namespace {

constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

std::wstring Hex(unsigned value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), kHexDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return digits;
}

// Byte k of the buffer, bounds-checked: the DWORD pairing of an odd-sized
// value runs one byte off its data, and a byte asked for outside the buffer
// is the runtime error 5, never a read beyond it.
class CheckedBytes {
 public:
  explicit CheckedBytes(std::span<const std::uint8_t> buffer) : buffer_(buffer) {}
  [[nodiscard]] unsigned At(std::ptrdiff_t k) const {
    if (k < 0 || static_cast<std::size_t>(k) >= buffer_.size()) throw InvalidProcedureCall();
    return buffer_[static_cast<std::size_t>(k)];
  }

 private:
  std::span<const std::uint8_t> buffer_;
};

// A floating-point step whose result is not finite is the runtime error 6.
double Finite(double value) {
  if (!std::isfinite(value)) throw Overflow();
  return value;
}

// 256^k, exact as pow gives it: 2^(8k) built from its exponent bits, and
// infinity once that is beyond the largest double.
double PowerOf256(std::ptrdiff_t k) {
  const std::int64_t exponent = 8 * static_cast<std::int64_t>(k);
  if (exponent > 1023) return std::bit_cast<double>(std::uint64_t{0x7FF} << 52);
  return std::bit_cast<double>(static_cast<std::uint64_t>(exponent + 1023) << 52);
}

std::wstring AnsiText(std::span<const std::uint8_t> bytes) {
  return platform::FromAnsi(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

ValueForms FromBinary(std::span<const std::uint8_t> data) {
  ValueForms forms;
  for (std::uint8_t byte : data) forms.text += Hex(byte) + L" ";
  if (!forms.text.empty()) forms.text.pop_back();
  forms.bytes.assign(data.begin(), data.end());
  return forms;
}

ValueForms FromDword(std::span<const std::uint8_t> buffer, std::size_t n) {
  ValueForms forms;
  forms.bytes.assign(n, 0);
  const CheckedBytes bytes(buffer);
  const auto count = static_cast<std::ptrdiff_t>(n);
  for (std::ptrdiff_t k = 0; k <= count - 1; k += 2) {
    forms.number = Finite(forms.number + Finite(bytes.At(k) * Finite(PowerOf256(k))));
    forms.number =
        Finite(forms.number + Finite(bytes.At(k + 1) * Finite(PowerOf256(k + 1))));
    const unsigned word = bytes.At(count - 1 - k) * 256 + bytes.At(count - 2 - k);
    std::wstring group = Hex(word);
    forms.text += std::wstring(4 - group.size(), L'0') + group;
    forms.bytes[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(bytes.At(k));
    forms.bytes[static_cast<std::size_t>(k + 1)] = static_cast<std::uint8_t>(bytes.At(k + 1));
  }
  return forms;
}

ValueForms FromString(std::span<const std::uint8_t> buffer, std::size_t n) {
  ValueForms forms;
  if (buffer[n - 1] == 0) {
    --n;
    forms.text = AnsiText(buffer.first(n));
  } else {
    // Not terminated: the whole buffer, fill included.
    forms.text = AnsiText(buffer);
  }
  if (n > 0) {
    forms.bytes.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
  } else {
    forms.bytes.assign(1, 0);
  }
  return forms;
}

}  // namespace

ValueForms ConvertValue(std::uint32_t type, std::span<const std::uint8_t> buffer,
                        std::size_t written) {
  switch (type) {
    case platform::kRegBinary: return FromBinary(buffer.first(written));
    case platform::kRegDword: return FromDword(buffer, written);
    default: return FromString(buffer, written);
  }
}

RegValue SelectForm(ValueForms forms, ResultKind kind, std::uint32_t type) {
  if (kind != 0 && kind != 1 && kind != 2) {
    kind = type == platform::kRegBinary ? 1 : type == platform::kRegDword ? 2 : 0;
  }
  switch (kind) {
    case 1: return std::move(forms.bytes);
    case 2: return forms.number;
    default: return std::move(forms.text);
  }
}

}  // namespace modreg
