#include "platform/tests/sha256_world.h"
#include "platform/win32/sha256.h"

namespace platform::testing {
std::unique_ptr<Sha256> MakeSha256() { return std::make_unique<win32::Win32Sha256>(); }
}  // namespace platform::testing
