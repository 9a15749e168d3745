// One open key of the current user's registry and the result code of its last call.
//
// On Linux the registry is the hive file of settings/Hive.h. An open key is a path in that file,
// not a place in memory: another instance may rewrite the file at any time, and the key then sees
// the new contents at its next call; once the key itself has been deleted, calls on it fail with
// 1018 (ERROR_KEY_DELETED) as on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class CHive;

// What a registry key handle refers to: a key path in one hive.
struct RegistryKeyHandle {
    std::shared_ptr<CHive> hive;  // null only for the predefined root below
    std::string path;             // from the hive's root, parts separated by "\"
};
using HKEY = const RegistryKeyHandle*;

// The current user's hive. Its file is looked up (TARNVIEW_HIVE, XDG_CONFIG_HOME, HOME) by each
// Open that starts from it.
extern const HKEY HKEY_CURRENT_USER;

// Names longer than this, counted in UTF-16 units with the terminating zero, do not fit the buffer
// of EnumValueName and EnumSubKeyName.
inline constexpr size_t kRegistryNameBuffer = 260;

class CRegistryKey {
public:
    CRegistryKey() = default;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    virtual ~CRegistryKey();

    // Opens subKey ("a\b", or empty for parent itself) below parent, closing the current key
    // first. With create, missing keys on the path are created (and written to the hive at once).
    // Status: 0; 2 missing key without create; 6 no parent; 3 no home folder for the hive; 1010
    // a path with an empty or unusable name; 1018 parent was deleted; 1009 a damaged hive; I/O
    // codes (5, 112, 1016, ...) when the hive cannot be read or written.
    bool Open(std::string_view subKey, tv::HKEY parent, bool create);
    // False with status 0 when no key is open; otherwise true.
    bool Close();

    // The data and type of value name ("" is the default value). False with status 0 when no
    // key is open; status 2 when there is no such value, and data is then emptied.
    bool QueryValue(std::string_view name, std::vector<uint8_t>& data, uint32_t* type = nullptr);
    // The first four bytes of the value as a little-endian number, whatever its type; the default
    // when the value cannot be read or is shorter than four bytes.
    uint32_t ReadDword(std::string_view name, uint32_t defaultValue);
    // A REG_SZ value: text up to its first zero, and a terminating zero. Status 87 for a name
    // that the hive cannot hold (control characters, invalid UTF-8, more than 16383 characters).
    bool WriteString(std::string_view name, std::string_view text);
    // A REG_DWORD value, four bytes little-endian.
    bool WriteDword(std::string_view name, uint32_t value);
    // The name of value index (from 0, in creation order). False at the end with status 259 and
    // name emptied; false with status 234 and name unchanged for a name of 260 or more
    // characters; on other failures name is unchanged too.
    bool EnumValueName(uint32_t index, std::string& name);
    // The same for the subkeys.
    bool EnumSubKeyName(uint32_t index, std::string& name);
    // The number of values, or -1 when it cannot be counted.
    int GetValueCount();
    // Deletes the subkey name with all its subkeys and values. A missing subkey is created and
    // deleted, so that counts as success.
    bool DeleteTree(std::string_view name);

    // The German message for the status; empty for 0.
    [[nodiscard]] std::string GetErrorText() const;
    [[nodiscard]] int32_t GetStatus() const noexcept { return m_status; }
    [[nodiscard]] bool IsOpen() const noexcept { return m_key != nullptr; }
    // This key as a parent for Open; null while closed.
    [[nodiscard]] tv::HKEY GetKey() const noexcept { return m_key.get(); }

private:
    // RegDeleteKey: deletes subKey below this key when it has no subkeys.
    bool DeleteKey(std::string_view subKey);
    bool SetStatus(uint32_t code) noexcept;

    std::unique_ptr<tv::RegistryKeyHandle> m_key;
    int32_t m_status = 0;
};

}  // namespace tv
