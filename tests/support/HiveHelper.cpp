#include "support/HiveHelper.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace tv::test {

namespace {
std::string TemporaryBase() {
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) return tmp;
    return "/tmp";
}
}  // namespace

CTempHive::CTempHive() {
    std::string pattern = TemporaryBase() + "/tarnview-hive-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
    m_folder = buffer.data();
    m_path = m_folder + "/tarnview.reg";
    if (const char* previous = std::getenv("TARNVIEW_HIVE")) {
        m_hadPrevious = true;
        m_previous = previous;
    }
    ::setenv("TARNVIEW_HIVE", m_path.c_str(), 1);
}

CTempHive::~CTempHive() {
    if (m_hadPrevious) {
        ::setenv("TARNVIEW_HIVE", m_previous.c_str(), 1);
    } else {
        ::unsetenv("TARNVIEW_HIVE");
    }
    std::error_code ec;
    std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_folder, ec);
}

bool CTempHive::Exists() const {
    struct stat st {};
    return ::stat(m_path.c_str(), &st) == 0;
}

std::string CTempHive::Read() const {
    std::ifstream in(m_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CTempHive::Write(std::string_view text) const {
    std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace tv::test
