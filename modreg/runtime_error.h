#pragma once
// The "current error" of an error trap: number, description, source, line.
#include <cstdint>
#include <string>

namespace modreg {

class RuntimeError {
 public:
  RuntimeError(std::int32_t number, std::wstring description, std::wstring source,
               std::int32_t line = 0)
      : number_(number), description_(std::move(description)), source_(std::move(source)),
        line_(line) {}

  [[nodiscard]] std::int32_t Number() const noexcept { return number_; }
  [[nodiscard]] const std::wstring& Description() const noexcept { return description_; }
  [[nodiscard]] const std::wstring& Source() const noexcept { return source_; }
  [[nodiscard]] std::int32_t Line() const noexcept { return line_; }

 private:
  std::int32_t number_;
  std::wstring description_;
  std::wstring source_;
  std::int32_t line_;
};

}  // namespace modreg
