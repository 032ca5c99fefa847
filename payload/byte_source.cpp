#include "payload/byte_source.h"

#include <algorithm>

namespace payload {

bool ViewSource::Next(std::span<const std::byte>* chunk) {
  *chunk = rest_.first(std::min<std::size_t>(rest_.size(), kWriteChunk));
  rest_ = rest_.subspan(chunk->size());
  return true;
}

}  // namespace payload
