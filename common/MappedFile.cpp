#include "common/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <utility>

#include "common/ErrorCodes.h"

namespace tv {

namespace {

// Another process may shorten a file while we have it mapped (a linker rewriting a DLL in the
// folder being browsed). Reading a page past the new end raises SIGBUS, which would end the
// program. The guard below replaces such a page with a page of zeros and lets the read go on: the
// parsers then see zeros, which every range and count check already copes with.
struct GuardSlot {
    std::atomic<uintptr_t> start{0};
    std::atomic<size_t> length{0};
};
constexpr size_t kGuardSlots = 1024;
GuardSlot g_guard[kGuardSlots];
std::mutex g_guardMutex;  // registration only; the handler never takes it
struct sigaction g_previousBusHandler {};
uintptr_t g_pageSize = 4096;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (GuardSlot& slot : g_guard) {
        const uintptr_t start = slot.start.load(std::memory_order_acquire);
        if (start == 0 || address < start) continue;
        if (address - start >= slot.length.load(std::memory_order_acquire)) continue;
        void* page = reinterpret_cast<void*>(address & ~(g_pageSize - 1));
        if (::mmap(page, g_pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED)
            return;  // the faulting read runs again and sees zeros
        break;
    }
    // Not one of our mappings: whatever handled the signal before us, else the default.
    if ((g_previousBusHandler.sa_flags & SA_SIGINFO) && g_previousBusHandler.sa_sigaction) {
        g_previousBusHandler.sa_sigaction(signal, info, context);
        return;
    }
    if (!(g_previousBusHandler.sa_flags & SA_SIGINFO) &&
        g_previousBusHandler.sa_handler != SIG_DFL && g_previousBusHandler.sa_handler != SIG_IGN) {
        g_previousBusHandler.sa_handler(signal);
        return;
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(SIGBUS, &fallback, nullptr);  // returning re-raises with the default action
}

void InstallBusGuard() {
    static std::once_flag once;
    std::call_once(once, [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        if (page > 0) g_pageSize = static_cast<uintptr_t>(page);
        struct sigaction action {};
        action.sa_sigaction = &OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previousBusHandler);
    });
}

void GuardMapping(const uint8_t* data, size_t size) {
    InstallBusGuard();
    std::lock_guard lock(g_guardMutex);
    for (GuardSlot& slot : g_guard) {
        if (slot.start.load(std::memory_order_relaxed) != 0) continue;
        slot.length.store(size, std::memory_order_release);
        slot.start.store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
        return;
    }
    // More mappings open than slots: this one goes unguarded, as mappings did before.
}

void UnguardMapping(const uint8_t* data) {
    std::lock_guard lock(g_guardMutex);
    for (GuardSlot& slot : g_guard) {
        if (slot.start.load(std::memory_order_relaxed) != reinterpret_cast<uintptr_t>(data))
            continue;
        slot.start.store(0, std::memory_order_release);
        slot.length.store(0, std::memory_order_release);
        return;
    }
}

}  // namespace

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
    if (m_data) {
        UnguardMapping(m_data);
        ::munmap(const_cast<uint8_t*>(m_data), m_size);
    }
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
        GuardMapping(m_data, m_size);
    }
    ::close(fd);
    m_open = true;
    m_path = path;
    return true;
}

}  // namespace tv
