#include "patchgen/mapped_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace patchgen {

namespace {

[[noreturn]] void fail(const std::string& path, const char* what) {
    throw std::runtime_error(path + ": " + what + ": " + std::strerror(errno));
}

}  // namespace

MappedFile::MappedFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(path, "cannot open");
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        fail(path, "cannot stat");
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        throw std::runtime_error(path + ": not a regular file");
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ != 0) {  // mmap refuses a length of 0
        void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            fail(path, "cannot map");
        }
        data_ = static_cast<const std::uint8_t*>(p);
    }
    ::close(fd);
}

MappedFile::~MappedFile() {
    if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

}  // namespace patchgen
