#include "platform/doubles/openssl_sha256.h"
#include "platform/tests/sha256_world.h"

namespace platform::testing {
std::unique_ptr<Sha256> MakeSha256() { return std::make_unique<doubles::OpensslSha256>(); }
}  // namespace platform::testing
