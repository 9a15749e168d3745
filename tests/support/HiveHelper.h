// A private hive file for one test: TARNVIEW_HIVE points at it while the object lives.
#pragma once

#include <string>
#include <string_view>

namespace tv::test {

class CTempHive {
public:
    // A fresh, empty folder; the hive file in it does not exist yet. The folder is on /dev/shm
    // when that is writable (fsync costs nothing there, which keeps the many-writes tests fast),
    // else under $TMPDIR or /tmp.
    CTempHive();
    ~CTempHive();
    CTempHive(const CTempHive&) = delete;
    CTempHive& operator=(const CTempHive&) = delete;

    [[nodiscard]] const std::string& Folder() const noexcept { return m_folder; }
    [[nodiscard]] const std::string& Path() const noexcept { return m_path; }
    [[nodiscard]] bool Exists() const;
    // The file's bytes; empty when it does not exist.
    [[nodiscard]] std::string Read() const;
    // Replaces the file as a person with an editor would (in place).
    void Write(std::string_view text) const;

private:
    std::string m_folder;
    std::string m_path;
    std::string m_previous;
    bool m_hadPrevious = false;
};

}  // namespace tv::test
