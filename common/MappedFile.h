// A whole file mapped read-only. Module files are never loaded or executed, only viewed.
#pragma once

#include <cstdint>
#include <string>

#include "common/ByteView.h"

namespace tv {

class CMappedFile {
public:
    CMappedFile() = default;
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;
    CMappedFile(CMappedFile&& other) noexcept;
    CMappedFile& operator=(CMappedFile&& other) noexcept;

    // Maps path; false with GetErrorCode() set on failure (2 file not found, 3 path not found,
    // 5 access denied or a folder, 8 out of memory, ...). Only regular files are opened: a FIFO
    // or device would block or never end. An empty file maps as an empty view.
    [[nodiscard]] bool Open(const std::string& path);
    void Close() noexcept;

    [[nodiscard]] bool IsOpen() const noexcept { return m_open; }
    [[nodiscard]] CByteView View() const noexcept { return CByteView(m_data, m_size); }
    [[nodiscard]] uint64_t Size() const noexcept { return m_size; }
    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }
    [[nodiscard]] const std::string& GetPath() const noexcept { return m_path; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    bool m_open = false;
    uint32_t m_error = 0;
    std::string m_path;
};

// The code for a failed open of path with this errno, telling "path not found" (a folder on the
// way is missing) from "file not found".
[[nodiscard]] uint32_t OpenErrorCode(const std::string& path, int error);

}  // namespace tv
