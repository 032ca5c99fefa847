#pragma once
// The "current error" of an error trap: number, description, source, line;
// and the runtime errors the module raises itself.
#include <cstdint>
#include <string>

namespace modreg {

class RuntimeError {
 public:
  RuntimeError(std::int32_t number, std::wstring description, std::wstring source,
               std::int32_t line = 0);

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

// The module's own runtime errors carry no line number and the program's
// name as their source, so a lookup's trap reports them like any other
// runtime error of the program.
inline constexpr wchar_t kRuntimeErrorSource[] = L"Lumarso2015";

// Error 5: a character asked for outside the data buffer.
[[nodiscard]] RuntimeError InvalidProcedureCall();

// Error 6: a 16-bit counter or a double-precision result out of range.
[[nodiscard]] RuntimeError Overflow();

}  // namespace modreg
