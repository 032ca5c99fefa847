#include "modreg/reg_value.h"

#include <cmath>

#include "modreg/general_text.h"
#include "platform/decimal.h"

namespace modreg {
namespace {

std::wstring NumberText(double number) {
  // A whole number below 10^15 converts to an integer and back unchanged.
  if (std::isfinite(number) && std::fabs(number) < 1e15 &&
      number == static_cast<double>(static_cast<long long>(number))) {
    return platform::Decimal(static_cast<long long>(number));
  }
  return GeneralText(number, 15);
}

}  // namespace

std::wstring ToText(const RegValue& value) {
  struct Visitor {
    std::wstring operator()(std::monostate) const { return {}; }
    std::wstring operator()(const std::wstring& text) const { return text; }
    std::wstring operator()(double number) const { return NumberText(number); }
    std::wstring operator()(const std::vector<std::uint8_t>& bytes) const {
      std::wstring text;
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
      }
      return text;
    }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace modreg
