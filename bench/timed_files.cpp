#include "bench/timed_files.h"

namespace bench {

platform::Win32Status TimedFiles::Write(platform::FileId file, const void* data,
                                        std::uint32_t size) {
  // Reserved up front: a reallocation inside the timed loop would be timed too.
  if (writeMs_.capacity() == writeMs_.size()) writeMs_.reserve(writeMs_.size() + 256);
  const double started = now_();
  const platform::Win32Status status = inner_.Write(file, data, size);
  writeMs_.push_back(now_() - started);
  return status;
}

}  // namespace bench
