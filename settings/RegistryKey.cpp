#include "settings/RegistryKey.h"

#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "settings/Hive.h"

namespace tv {

namespace {
const RegistryKeyHandle kCurrentUser{};
}  // namespace

const HKEY HKEY_CURRENT_USER = &kCurrentUser;

namespace {

// Names and texts travel as C strings in the platform's calls: they end at the first zero.
std::string_view UpToZero(std::string_view text) noexcept {
    return text.substr(0, text.find('\0'));
}

std::string JoinKeyPath(std::string_view base, std::string_view sub) {
    if (base.empty()) return std::string(sub);
    if (sub.empty()) return std::string(base);
    std::string path(base);
    path.push_back('\\');
    path.append(sub);
    return path;
}

}  // namespace

CRegistryKey::~CRegistryKey() { Close(); }

bool CRegistryKey::SetStatus(uint32_t code) noexcept {
    m_status = static_cast<int32_t>(code);
    return code == tv::kErrorSuccess;
}

bool CRegistryKey::Open(std::string_view subKey, tv::HKEY parent, bool create) {
    // Taken before closing: parent may be this very key.
    std::shared_ptr<tv::CHive> hive;
    std::string base;
    if (parent == tv::HKEY_CURRENT_USER) {
        const std::string path = tv::CurrentUserHivePath();
        if (!path.empty()) hive = std::make_shared<tv::CHive>(path);
    } else if (parent) {
        hive = parent->hive;
        base = parent->path;
    }
    Close();
    if (!parent) return SetStatus(tv::kErrorInvalidHandle);
    if (!hive) return SetStatus(tv::kErrorPathNotFound);
    subKey = UpToZero(subKey);
    if (!SetStatus(hive->OpenKey(base, subKey, create))) return false;
    m_key = std::make_unique<tv::RegistryKeyHandle>();
    m_key->hive = std::move(hive);
    m_key->path = JoinKeyPath(base, subKey);
    return true;
}

bool CRegistryKey::Close() {
    m_status = 0;
    if (!m_key) return false;
    // Nothing is held open between calls, so closing cannot fail.
    m_key.reset();
    return true;
}

bool CRegistryKey::QueryValue(std::string_view name, std::vector<uint8_t>& data, uint32_t* type) {
    m_status = 0;
    if (!m_key) return false;
    uint32_t valueType = tv::kRegNone;
    std::vector<uint8_t> bytes;
    if (!SetStatus(m_key->hive->QueryValue(m_key->path, UpToZero(name), valueType, bytes))) {
        data.clear();
        return false;
    }
    data = std::move(bytes);
    if (type) *type = valueType;
    return true;
}

uint32_t CRegistryKey::ReadDword(std::string_view name, uint32_t defaultValue) {
    std::vector<uint8_t> data;
    if (!QueryValue(name, data) || data.size() < 4) return defaultValue;
    return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
}

bool CRegistryKey::WriteString(std::string_view name, std::string_view text) {
    if (!m_key) return SetStatus(tv::kErrorInvalidHandle);
    text = UpToZero(text);
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return SetStatus(m_key->hive->SetValue(m_key->path, UpToZero(name), tv::kRegSz, data));
}

bool CRegistryKey::WriteDword(std::string_view name, uint32_t value) {
    if (!m_key) return SetStatus(tv::kErrorInvalidHandle);
    const uint8_t data[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                             static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return SetStatus(m_key->hive->SetValue(m_key->path, UpToZero(name), tv::kRegDword, data));
}

bool CRegistryKey::EnumValueName(uint32_t index, std::string& name) {
    if (!m_key) return SetStatus(tv::kErrorInvalidHandle);
    std::string found;
    const uint32_t code = m_key->hive->EnumValueName(m_key->path, index, found);
    if (code == tv::kErrorNoMoreItems) name.clear();
    if (!SetStatus(code)) return false;
    if (tv::HiveNameLength(found) >= tv::kRegistryNameBuffer) return SetStatus(tv::kErrorMoreData);
    name = std::move(found);
    return true;
}

bool CRegistryKey::EnumSubKeyName(uint32_t index, std::string& name) {
    if (!m_key) return SetStatus(tv::kErrorInvalidHandle);
    std::string found;
    const uint32_t code = m_key->hive->EnumSubKeyName(m_key->path, index, found);
    if (code == tv::kErrorNoMoreItems) name.clear();
    if (!SetStatus(code)) return false;
    if (tv::HiveNameLength(found) >= tv::kRegistryNameBuffer) return SetStatus(tv::kErrorMoreData);
    name = std::move(found);
    return true;
}

int CRegistryKey::GetValueCount() {
    if (!m_key) {
        SetStatus(tv::kErrorInvalidHandle);
        return -1;
    }
    size_t count = 0;
    if (!SetStatus(m_key->hive->GetValueCount(m_key->path, count))) return -1;
    return count > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(count);
}

bool CRegistryKey::DeleteKey(std::string_view subKey) {
    if (!m_key) return SetStatus(tv::kErrorInvalidHandle);
    return SetStatus(m_key->hive->DeleteKey(m_key->path, UpToZero(subKey)));
}

bool CRegistryKey::DeleteTree(std::string_view name) {
    CRegistryKey tree;
    if (tree.Open(name, GetKey(), true)) {
        // Each deletion moves the remaining subkeys down, so subkey 0 is always the next one.
        std::string child;
        while (tree.EnumSubKeyName(0, child)) {
            if (!tree.DeleteTree(child)) {
                // The caller's message needs the code that stopped the deletion, not this key's
                // last (successful) one.
                m_status = tree.m_status;
                return false;
            }
        }
        tree.Close();
    }
    return DeleteKey(name);
}

std::string CRegistryKey::GetErrorText() const {
    return CSystemErrorText(static_cast<uint32_t>(m_status)).GetString();
}

}  // namespace tv
