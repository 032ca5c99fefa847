// A whole file mapped read-only: the generator reads both editions through
// the page cache instead of copying 2 x 200 MB into its own memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace patchgen {

class MappedFile {
public:
    // Throws std::runtime_error with the file name and the reason.
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    [[nodiscard]] const std::uint8_t* data() const noexcept { return data_; }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace patchgen
