#pragma once
// The SHA-256 under test: CNG under Wine, the OpenSSL double natively.
#include <memory>

#include "platform/hash.h"

namespace platform::testing {

[[nodiscard]] std::unique_ptr<Sha256> MakeSha256();

}  // namespace platform::testing
