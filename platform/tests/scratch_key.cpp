#include "platform/tests/scratch_key.h"

#include <cstdio>
#include <random>

namespace platform::testing {

ScratchKey::ScratchKey(RegistryAdmin& admin) : admin_(admin) {
  std::random_device random;
  char tag[16];
  std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
  path_ = std::string("Software\\Lumarso-test-") + tag;
  admin_.CreateKey(kHkeyCurrentUser, path_);
}

ScratchKey::~ScratchKey() { admin_.DeleteTree(kHkeyCurrentUser, path_); }

}  // namespace platform::testing
