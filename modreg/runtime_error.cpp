#include "modreg/runtime_error.h"

#include <utility>

namespace modreg {

RuntimeError::RuntimeError(std::int32_t number, std::wstring description, std::wstring source,
                           std::int32_t line)
    : number_(number), description_(std::move(description)), source_(std::move(source)),
      line_(line) {}

RuntimeError InvalidProcedureCall() {
  return RuntimeError(5, L"invalid procedure call or argument", kRuntimeErrorSource);
}

RuntimeError Overflow() { return RuntimeError(6, L"overflow", kRuntimeErrorSource); }

}  // namespace modreg
