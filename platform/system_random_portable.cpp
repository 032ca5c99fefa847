// Away from Windows: the C++ library's source of the system's randomness.
#include <random>

#include "platform/system_random.h"

namespace platform {

std::uint32_t SystemRandom32() noexcept {
  try {
    return static_cast<std::uint32_t>(std::random_device{}());
  } catch (...) {
    return 0x9E3779B9u;
  }
}

}  // namespace platform
