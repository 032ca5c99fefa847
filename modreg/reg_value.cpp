#include "modreg/reg_value.h"

#include <cmath>
#include <cstdio>

namespace modreg {
namespace {

std::wstring NumberText(double number) {
  if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e15) {
    return std::to_wstring(static_cast<long long>(number));
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.15G", number);
  return std::wstring(text, text + std::char_traits<char>::length(text));
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
