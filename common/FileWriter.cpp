#include "common/FileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "common/ErrorCodes.h"
#include "common/MappedFile.h"

namespace tv {

namespace {

std::atomic<CFileWriter::WriteFunction> g_write{nullptr};
std::atomic<unsigned> g_counter{0};

ssize_t CallWrite(int fd, const void* data, size_t size) {
    const CFileWriter::WriteFunction function = g_write.load(std::memory_order_relaxed);
    return function ? function(fd, data, size) : ::write(fd, data, size);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

CFileWriter::CFileWriter(std::string path, mode_t newFileMode)
    : m_path(std::move(path)), m_newFileMode(newFileMode) {}

CFileWriter::~CFileWriter() { Discard(); }

void CFileWriter::SetWriteFunctionForTests(WriteFunction function) noexcept {
    g_write.store(function, std::memory_order_relaxed);
}

uint32_t CFileWriter::Fail(uint32_t code) noexcept {
    if (m_error == 0) m_error = code;
    Discard();
    return m_error;
}

void CFileWriter::Discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

uint32_t CFileWriter::Open() {
    if (m_opened || m_error != 0) return m_error != 0 ? m_error : Fail(kErrorInvalidFunction);
    m_opened = true;
    m_target = WriteTargetOf(m_path);
    bool keepMode = false;
    mode_t mode = m_newFileMode;
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0) {
        // A device or FIFO named by mistake is refused, not replaced by a file.
        if (!S_ISREG(st.st_mode)) return Fail(kErrorAccessDenied);
        mode = st.st_mode & 07777;
        keepMode = true;
    }
    const size_t slash = m_target.rfind('/');
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    const std::string prefix =
        (slash == std::string::npos ? std::string() : m_target.substr(0, slash + 1)) + "." + name +
        ".tv";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = prefix + std::to_string(::getpid()) + "-" +
                                      std::to_string(g_counter.fetch_add(1)) + ".tmp";
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                      keepMode ? 0600 : mode);
        if (m_fd >= 0) {
            m_temporary = candidate;
            break;
        }
        if (errno != EEXIST) return Fail(OpenErrorCode(m_target, errno));
    }
    if (m_fd < 0) return Fail(kErrorFileExists);
    // The replacement keeps the permissions the user gave the file.
    if (keepMode && ::fchmod(m_fd, mode) != 0) return Fail(ErrnoToErrorCode(errno));
    return 0;
}

uint32_t CFileWriter::Write(const void* data, size_t size) {
    if (m_error != 0) return m_error;
    if (m_fd < 0) return Fail(kErrorInvalidHandle);
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = CallWrite(m_fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        // A write that makes no progress without an error is a full disk.
        if (n <= 0) return Fail(n < 0 ? ErrnoToErrorCode(errno) : kErrorDiskFull);
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

uint32_t CFileWriter::Commit() {
    if (m_error != 0) return m_error;
    if (m_fd < 0) return Fail(kErrorInvalidHandle);
    // Network and quota file systems report delayed write errors only at fsync or close.
    if (::fsync(m_fd) != 0) return Fail(ErrnoToErrorCode(errno));
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return Fail(ErrnoToErrorCode(errno));
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) return Fail(ErrnoToErrorCode(errno));
    m_temporary.clear();
    // Make the rename itself durable. The new file is already in place, so a folder that cannot
    // be synced (some file systems refuse) does not undo the write.
    const int dirFd = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return 0;
}

uint32_t WriteFileAtomically(const std::string& path, const void* data, size_t size,
                             mode_t newFileMode) {
    CFileWriter writer(path, newFileMode);
    if (const uint32_t code = writer.Open()) return code;
    if (const uint32_t code = writer.Write(data, size)) return code;
    return writer.Commit();
}

std::string WriteTargetOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

}  // namespace tv
