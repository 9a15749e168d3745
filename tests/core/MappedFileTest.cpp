#include "common/MappedFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/ErrorCodes.h"

namespace {

namespace fs = std::filesystem;

class MappedFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tarnview-map-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, ec);
        fs::remove_all(m_dir, ec);
    }
    std::string Write(const std::string& name, const std::string& content) {
        const auto path = m_dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    fs::path m_dir;
};

TEST_F(MappedFileTest, MapsTheWholeFileReadOnly) {
    tv::CMappedFile file;
    ASSERT_TRUE(file.Open(Write("a.dll", std::string("MZ\x90\x00 and more", 13))));
    EXPECT_EQ(file.Size(), 13u);
    EXPECT_EQ(file.View().U16(0), 0x5A4D);
    EXPECT_EQ(file.GetErrorCode(), 0u);
    EXPECT_EQ(file.GetPath(), (m_dir / "a.dll").string());
    tv::CMappedFile moved(std::move(file));
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_FALSE(file.IsOpen());  // NOLINT(bugprone-use-after-move): moved-from state is defined
    EXPECT_EQ(moved.View().U8(0), 'M');
}

TEST_F(MappedFileTest, EmptyFileIsAnEmptyView) {
    tv::CMappedFile file;
    ASSERT_TRUE(file.Open(Write("empty.exe", "")));
    EXPECT_TRUE(file.View().Empty());
}

TEST_F(MappedFileTest, ErrorsUseTheWindowsNumbering) {
    tv::CMappedFile file;
    EXPECT_FALSE(file.Open((m_dir / "missing.dll").string()));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorFileNotFound);
    EXPECT_FALSE(file.Open((m_dir / "no-such-folder" / "x.dll").string()));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorPathNotFound);
    // A file used as a folder on the way is a bad path too.
    const auto plain = Write("plain", "x");
    EXPECT_FALSE(file.Open(plain + "/x.dll"));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorPathNotFound);
    EXPECT_FALSE(file.Open(m_dir.string()));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorAccessDenied);
    EXPECT_FALSE(file.Open(""));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorPathNotFound);
    EXPECT_FALSE(file.Open(std::string(5000, 'a')));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorFilenameTooLong);
}

TEST_F(MappedFileTest, FifoIsRefusedWithoutBlocking) {
    const auto path = (m_dir / "pipe").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    tv::CMappedFile file;
    EXPECT_FALSE(file.Open(path));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorAccessDenied);
}

TEST_F(MappedFileTest, UnreadableFileIsAccessDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const auto path = Write("secret.dll", "MZ");
    ::chmod(path.c_str(), 0);
    tv::CMappedFile file;
    EXPECT_FALSE(file.Open(path));
    EXPECT_EQ(file.GetErrorCode(), tv::kErrorAccessDenied);
}

TEST_F(MappedFileTest, FailedOpenReleasesTheEarlierMapping) {
    tv::CMappedFile file;
    ASSERT_TRUE(file.Open(Write("a.dll", "MZ")));
    EXPECT_FALSE(file.Open((m_dir / "missing").string()));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(file.View().Empty());
    EXPECT_EQ(file.GetPath(), "");
}

}  // namespace

namespace {

// A file shortened by another process while it is mapped: reading past its new end gives zeros
// instead of ending the program with SIGBUS, and the parsers over it stay within their checks.
TEST_F(MappedFileTest, AFileShortenedWhileMappedReadsAsZerosPastItsEnd) {
    const long page = ::sysconf(_SC_PAGESIZE);
    const std::string path =
        Write("shrinking.dll", std::string(static_cast<size_t>(3 * page), 'A'));
    tv::CMappedFile file;
    ASSERT_TRUE(file.Open(path));
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    const tv::CByteView view = file.View();
    ASSERT_EQ(view.Size(), static_cast<uint64_t>(3 * page));
    EXPECT_EQ(view.U8(10).value_or(0), 'A');
    EXPECT_EQ(view.U8(static_cast<uint64_t>(2 * page + 5)).value_or(1), 0);
    EXPECT_EQ(view.U32(static_cast<uint64_t>(page)).value_or(1), 0u);
    file.Close();

    // Mapped again, the file has its new size; the guard keeps working for later mappings.
    ASSERT_TRUE(file.Open(path));
    EXPECT_EQ(file.View().Size(), 100u);
    const std::string second = Write("second.dll", std::string(static_cast<size_t>(2 * page), 'B'));
    tv::CMappedFile other;
    ASSERT_TRUE(other.Open(second));
    ASSERT_EQ(::truncate(second.c_str(), 0), 0);
    EXPECT_EQ(other.View().U8(static_cast<uint64_t>(page)).value_or(1), 0);
}

}  // namespace
