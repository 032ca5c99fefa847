#pragma once
// A number from the system's random generator, for what must differ between
// runs and processes (the names of temporary files); not for secrets.
#include <cstdint>

namespace platform {

[[nodiscard]] std::uint32_t SystemRandom32() noexcept;

}  // namespace platform
