#include "common/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/ErrorCodes.h"

namespace tv {

uint32_t OpenErrorCode(const std::string& path, int error) {
    if (error != ENOENT) return ErrnoToErrorCode(error);
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return kErrorFileNotFound;
    struct stat st {};
    const std::string parent = path.substr(0, slash);
    if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kErrorPathNotFound;
    return kErrorFileNotFound;
}

CMappedFile::~CMappedFile() { Close(); }

CMappedFile::CMappedFile(CMappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_open(std::exchange(other.m_open, false)),
      m_error(std::exchange(other.m_error, 0)),
      m_path(std::move(other.m_path)) {}

CMappedFile& CMappedFile::operator=(CMappedFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_open = std::exchange(other.m_open, false);
        m_error = std::exchange(other.m_error, 0);
        m_path = std::move(other.m_path);
    }
    return *this;
}

void CMappedFile::Close() noexcept {
    if (m_data) ::munmap(const_cast<uint8_t*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
    m_open = false;
    m_path.clear();
}

bool CMappedFile::Open(const std::string& path) {
    Close();
    m_error = 0;
    if (path.empty()) {
        m_error = kErrorPathNotFound;
        return false;
    }
    // O_NONBLOCK so that opening a FIFO does not wait for a writer; it is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        m_error = OpenErrorCode(path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        m_error = ErrnoToErrorCode(errno);
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode) || !S_ISREG(st.st_mode)) {
        m_error = kErrorAccessDenied;
        ::close(fd);
        return false;
    }
    const auto size = static_cast<uint64_t>(st.st_size);
    if (size > SIZE_MAX) {
        m_error = kErrorNotEnoughMemory;
        ::close(fd);
        return false;
    }
    if (size > 0) {
        void* p = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            const int error = errno;
            ::close(fd);
            m_error = error == ENODEV ? kErrorAccessDenied : ErrnoToErrorCode(error);
            return false;
        }
        m_data = static_cast<const uint8_t*>(p);
        m_size = static_cast<size_t>(size);
    }
    ::close(fd);
    m_open = true;
    m_path = path;
    return true;
}

}  // namespace tv
