#include "common/FileWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/ErrorCodes.h"
#include "resources/BitmapFile.h"
#include "support/PeBuilder.h"

namespace {

namespace fs = std::filesystem;
using tv::CFileWriter;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t Entries(const fs::path& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

// Failure injection: the disk fills after a few bytes, as /dev/full would from the start.
size_t g_room = 0;
ssize_t FullDisk(int fd, const void* data, size_t size) {
    if (g_room == 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t n = std::min(size, g_room);
    g_room -= n;
    return ::write(fd, data, n);
}
// Short writes of one byte, interrupted every other call.
int g_calls = 0;
ssize_t ShortAndInterrupted(int fd, const void* data, size_t size) {
    if (++g_calls % 2 == 0) {
        errno = EINTR;
        return -1;
    }
    return ::write(fd, data, size == 0 ? 0 : 1);
}
ssize_t NoProgress(int, const void*, size_t) { return 0; }

struct InjectedWrite {
    explicit InjectedWrite(CFileWriter::WriteFunction f) {
        CFileWriter::SetWriteFunctionForTests(f);
    }
    ~InjectedWrite() { CFileWriter::SetWriteFunctionForTests(nullptr); }
};

TEST(FileWriterTest, ReplacesTheFileKeepingItsPermissionsAndLeavesNothingElse) {
    tvtest::TempDir dir;
    const fs::path path = dir.Path() / "out.txt";
    ASSERT_EQ(tv::WriteFileAtomically(path.string(), "first", 5), 0u);
    EXPECT_EQ(ReadAll(path), "first");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(tv::WriteFileAtomically(path.string(), "second", 6), 0u);
    EXPECT_EQ(ReadAll(path), "second");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.Path()), 1u);

    // Short and interrupted writes still write everything; an empty file is a file.
    {
        const InjectedWrite inject(&ShortAndInterrupted);
        ASSERT_EQ(tv::WriteFileAtomically(path.string(), "piece by piece", 14), 0u);
    }
    EXPECT_EQ(ReadAll(path), "piece by piece");
    ASSERT_EQ(tv::WriteFileAtomically(path.string(), "", 0), 0u);
    EXPECT_EQ(ReadAll(path), "");
}

TEST(FileWriterTest, AFullDiskLeavesTheOldFileUntouched) {
    tvtest::TempDir dir;
    const fs::path path = dir.Path() / "hive.reg";
    ASSERT_EQ(tv::WriteFileAtomically(path.string(), "old contents", 12), 0u);
    const std::string big(100000, 'x');
    {
        const InjectedWrite inject(&FullDisk);
        g_room = 4096;
        EXPECT_EQ(tv::WriteFileAtomically(path.string(), big.data(), big.size()),
                  tv::kErrorDiskFull);
        g_room = 0;
        EXPECT_EQ(tv::WriteFileAtomically((dir.Path() / "new.bin").string(), "x", 1),
                  tv::kErrorDiskFull);
    }
    {
        // A write call that neither writes nor fails must not spin for ever.
        const InjectedWrite inject(&NoProgress);
        EXPECT_EQ(tv::WriteFileAtomically(path.string(), "y", 1), tv::kErrorDiskFull);
    }
    EXPECT_EQ(ReadAll(path), "old contents");
    EXPECT_EQ(Entries(dir.Path()), 1u);  // no temporary and no new file left behind

    // The savers go through the same writer: a picture export on a full disk says so.
    const InjectedWrite inject(&FullDisk);
    g_room = 0;
    std::string error;
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_FALSE(tv::WriteBytesToFile(path.string(), tv::CByteView(bytes, 3), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadAll(path), "old contents");
}

TEST(FileWriterTest, RefusalsLeaveTheTargetAlone) {
    tvtest::TempDir dir;
    // A missing folder on the way.
    EXPECT_EQ(tv::WriteFileAtomically((dir.Path() / "no" / "such.txt").string(), "x", 1),
              tv::kErrorPathNotFound);
    // Something that is not a regular file.
    EXPECT_EQ(tv::WriteFileAtomically("/dev/null", "x", 1), tv::kErrorAccessDenied);
    // A writer that is dropped before Commit writes nothing.
    const fs::path path = dir.Path() / "kept.txt";
    ASSERT_EQ(tv::WriteFileAtomically(path.string(), "kept", 4), 0u);
    {
        CFileWriter writer(path.string());
        ASSERT_EQ(writer.Open(), 0u);
        ASSERT_EQ(writer.Write("lost"), 0u);
    }
    EXPECT_EQ(ReadAll(path), "kept");
    EXPECT_EQ(Entries(dir.Path()), 1u);

    // A read-only folder (root writes through permission bits, so only as a user).
    if (::geteuid() != 0) {
        const fs::path locked = dir.Path() / "locked";
        fs::create_directory(locked);
        ASSERT_EQ(tv::WriteFileAtomically((locked / "a.txt").string(), "a", 1), 0u);
        ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
        EXPECT_EQ(tv::WriteFileAtomically((locked / "a.txt").string(), "b", 1),
                  tv::kErrorAccessDenied);
        ::chmod(locked.c_str(), 0755);
        EXPECT_EQ(ReadAll(locked / "a.txt"), "a");
    }
}

TEST(FileWriterTest, ALinkStaysALink) {
    tvtest::TempDir dir;
    const fs::path real = dir.Path() / "real.reg";
    const fs::path link = dir.Path() / "link.reg";
    ASSERT_EQ(tv::WriteFileAtomically(real.string(), "a", 1), 0u);
    fs::create_symlink(real, link);
    ASSERT_EQ(tv::WriteFileAtomically(link.string(), "through", 7), 0u);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(real), "through");
}

}  // namespace
