// The one way the program saves a file (exports, pictures, icon files, the settings hive): the
// bytes go to a temporary file beside the target, are synced, and replace the target by a rename.
// Whatever fails on the way, an existing file stays as it was and no temporary file is left.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

class CFileWriter {
public:
    // newFileMode is the permission of a file that does not exist yet (the umask applies); a file
    // that exists keeps its own. A symbolic link stays a link: its target is written.
    explicit CFileWriter(std::string path, mode_t newFileMode = 0666);
    ~CFileWriter();
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    // Each returns 0 or a Windows-numbered error code (common/ErrorCodes.h); the first error
    // sticks, and every later call returns it.
    uint32_t Open();
    uint32_t Write(const void* data, size_t size);
    uint32_t Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Syncs, closes and renames over the target; without it the destructor removes the
    // temporary file and the target is untouched.
    uint32_t Commit();

    [[nodiscard]] uint32_t Error() const noexcept { return m_error; }
    [[nodiscard]] const std::string& Path() const noexcept { return m_path; }

    // The write call used for the file's bytes, replaceable so that tests can make the disk
    // full or the writes short; nullptr restores ::write.
    using WriteFunction = ssize_t (*)(int fd, const void* data, size_t size);
    static void SetWriteFunctionForTests(WriteFunction function) noexcept;

private:
    uint32_t Fail(uint32_t code) noexcept;
    void Discard() noexcept;

    std::string m_path;
    std::string m_target;
    std::string m_temporary;
    mode_t m_newFileMode;
    int m_fd = -1;
    uint32_t m_error = 0;
    bool m_opened = false;
};

// The file a write of path goes to: a link is followed to the file it names, so that a file kept
// among linked dotfiles stays a link; a dangling link is replaced like a missing file.
[[nodiscard]] std::string WriteTargetOf(const std::string& path);

// Open, Write and Commit in one.
[[nodiscard]] uint32_t WriteFileAtomically(const std::string& path, const void* data, size_t size,
                                           mode_t newFileMode = 0666);

}  // namespace tv
