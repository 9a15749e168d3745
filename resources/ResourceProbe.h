// A module's resource directory read with a few small reads instead of a mapping: the headers,
// then the first part of the resource section. The module list's scan opens thousands of files
// one after another, and mapping and unmapping each costs far more than reading the couple of
// kilobytes the directory takes. When the directory reaches past what was read, the file is
// mapped after all, so the result is always the one a full read gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/MappedFile.h"
#include "module/PeFile.h"
#include "module/ResourceDirectory.h"

namespace tv {

class CResourceProbe {
public:
    // Bytes read for the headers and for the start of the resource directory.
    static constexpr uint32_t kHeaderBytes = 4096;
    static constexpr uint32_t kTreeBytes = 64 * 1024;

    CResourceProbe() = default;
    ~CResourceProbe();
    CResourceProbe(const CResourceProbe&) = delete;
    CResourceProbe& operator=(const CResourceProbe&) = delete;

    // Reads path's resource directory. false with GetErrorCode() as the catalog gives it (2, 3,
    // 5 for the file, 193 for no module, 1812 for no resources).
    [[nodiscard]] bool Open(const std::string& path);

    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }
    [[nodiscard]] const CResourceDirectory& Directory() const noexcept { return m_directory; }
    // True when the file had to be mapped (the directory did not fit the first read).
    [[nodiscard]] bool Mapped() const noexcept { return m_file.IsOpen(); }

    // The bytes of a leaf of Directory(), at most maxBytes of them; nullopt when they lie outside
    // the section's file data or the file, or are larger than maxBytes.
    [[nodiscard]] std::optional<std::vector<uint8_t>> ReadData(const ResourceLeaf& leaf,
                                                               uint32_t maxBytes);

private:
    [[nodiscard]] bool ReadAt(uint64_t offset, uint64_t length, std::vector<uint8_t>& out);
    [[nodiscard]] bool MapWhole(const std::string& path);

    int m_fd = -1;
    uint64_t m_size = 0;
    std::vector<uint8_t> m_headers;
    std::vector<uint8_t> m_tree;
    CPeFile m_pe;
    CResourceDirectory m_directory;
    CMappedFile m_file;
    uint32_t m_error = 0;
};

}  // namespace tv
