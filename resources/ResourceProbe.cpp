#include "resources/ResourceProbe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/ErrorCodes.h"

namespace tv {

namespace {
constexpr size_t kResourceDirectoryIndex = 2;
}  // namespace

CResourceProbe::~CResourceProbe() {
    if (m_fd >= 0) ::close(m_fd);
}

bool CResourceProbe::ReadAt(uint64_t offset, uint64_t length, std::vector<uint8_t>& out) {
    out.clear();
    if (!InRange(offset, length, m_size)) return false;
    out.resize(static_cast<size_t>(length));
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // The file shrank under us or cannot be read: what we have is all there is.
            out.resize(done);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool CResourceProbe::MapWhole(const std::string& path) {
    if (!m_file.Open(path)) {
        m_error = m_file.GetErrorCode();
        return false;
    }
    if (!m_pe.Parse(m_file.View())) {
        m_error = m_pe.GetErrorCode() != 0 ? m_pe.GetErrorCode() : kErrorBadExeFormat;
        return false;
    }
    if (!m_directory.Read(m_pe)) {
        m_error = m_directory.GetErrorCode();
        return false;
    }
    return true;
}

bool CResourceProbe::Open(const std::string& path) {
    m_error = 0;
    if (path.empty()) {
        m_error = kErrorPathNotFound;
        return false;
    }
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0) {
        m_error = OpenErrorCode(path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        m_error = ErrnoToErrorCode(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        m_error = kErrorAccessDenied;
        return false;
    }
    m_size = static_cast<uint64_t>(st.st_size);

    // The headers: usually the first page holds the section table; a long one is read whole.
    (void)ReadAt(0, std::min<uint64_t>(m_size, kHeaderBytes), m_headers);
    if (!m_pe.Parse(CByteView(m_headers.data(), m_headers.size()))) {
        m_error = m_pe.GetErrorCode() != 0 ? m_pe.GetErrorCode() : kErrorBadExeFormat;
        return false;
    }
    // A header that reaches past the first read would read as zeros there: read it whole.
    constexpr uint64_t kLargestOptionalHeader = 240;
    if (m_size > m_headers.size() &&
        m_pe.OptionalHeaderOffset() + kLargestOptionalHeader > m_headers.size())
        return MapWhole(path);
    const uint64_t tableEnd =
        m_pe.SectionTableOffset() + uint64_t{m_pe.File().NumberOfSections} * kSectionHeaderSize;
    if (tableEnd > m_headers.size() && m_size > m_headers.size()) return MapWhole(path);

    const uint32_t rva = m_pe.GetDataDirectory(kResourceDirectoryIndex).VirtualAddress;
    const SectionHeader* section = rva != 0 ? m_pe.SectionOfRva(rva) : nullptr;
    if (section == nullptr) return MapWhole(path);  // Read gives the reason
    const uint64_t inSection = rva - section->VirtualAddress;
    const uint64_t start = uint64_t{section->PointerToRawData} + inSection;
    if (start >= m_size) return MapWhole(path);
    const uint64_t tail = std::min<uint64_t>(section->SizeOfRawData - inSection, m_size - start);
    const uint64_t first = std::min<uint64_t>(tail, kTreeBytes);
    if (!ReadAt(start, first, m_tree)) return MapWhole(path);
    if (!m_directory.ReadTree(CByteView(m_tree.data(), m_tree.size())))
        return first < tail ? MapWhole(path) : (m_error = m_directory.GetErrorCode(), false);
    // A directory that reached past the bytes read may just be a larger directory; only a full
    // read tells. Other damage (a data entry pointing past the file, an entry limit) reads the
    // same from every byte of the file, so it is no reason to map the whole file.
    if (first < tail && m_directory.ReachedEnd()) {
        m_directory = CResourceDirectory();
        return MapWhole(path);
    }
    return true;
}

std::optional<std::vector<uint8_t>> CResourceProbe::ReadData(const ResourceLeaf& leaf,
                                                             uint32_t maxBytes) {
    if (leaf.dataSize > maxBytes) return std::nullopt;
    if (m_file.IsOpen()) {
        if (!leaf.hasData) return std::nullopt;
        return std::vector<uint8_t>(leaf.data.Data(), leaf.data.Data() + leaf.data.Size());
    }
    // As the full read places data: inside one section's file data, inside the file.
    const auto offset = m_pe.SectionDataOffset(leaf.dataRva, leaf.dataSize);
    if (!offset) return std::nullopt;
    std::vector<uint8_t> bytes;
    if (!ReadAt(*offset, leaf.dataSize, bytes)) return std::nullopt;
    return bytes;
}

}  // namespace tv
