#include "settings/Settings.h"

#include "res/StringTable.h"
#include "settings/RegistryKey.h"

namespace tv {

namespace {

constexpr uint32_t kExtensionListErrorId = 1001;
constexpr uint32_t kRegistryErrorId = 1000;

std::string_view TrimSpace(std::string_view text) noexcept {
    constexpr std::string_view kSpace = " \t\n\v\f\r";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

std::string SectionPath(std::string_view section) {
    std::string path(CSettings::kProductKey);
    path.push_back('\\');
    path.append(section);
    return path;
}

}  // namespace

CSettings::~CSettings() = default;

std::string CSettings::GetCompanyKey() {
    std::string_view key = kProductKey;
    constexpr std::string_view kSoftware = "Software\\";
    if (key.substr(0, kSoftware.size()) == kSoftware) key.remove_prefix(kSoftware.size());
    const size_t last = key.rfind('\\');
    return std::string(last == std::string_view::npos ? std::string_view() : key.substr(0, last));
}

std::vector<std::string> CSettings::DefaultExtensions() {
    return {"exe", "dll", "ocx", "drv", "cpl", "scr"};
}

bool CSettings::Fail(const CRegistryKey& key) {
    m_errorText = key.GetErrorText();
    return false;
}

bool CSettings::OpenRoot(CRegistryKey& key) {
    return key.Open(kProductKey, tv::HKEY_CURRENT_USER, true);
}

bool CSettings::OpenSection(CRegistryKey& key, std::string_view section) {
    return key.Open(SectionPath(section), tv::HKEY_CURRENT_USER, true);
}

uint32_t CSettings::ReadDword(std::string_view section, std::string_view name,
                              uint32_t defaultValue) {
    m_errorText.clear();
    CRegistryKey key;
    if (!OpenSection(key, section)) {
        Fail(key);
        return defaultValue;
    }
    return key.ReadDword(name, defaultValue);
}

bool CSettings::WriteDword(std::string_view section, std::string_view name, uint32_t value) {
    m_errorText.clear();
    CRegistryKey key;
    if (!OpenSection(key, section) || !key.WriteDword(name, value)) return Fail(key);
    return true;
}

int CSettings::GetExtensionCount() {
    m_errorText.clear();
    CRegistryKey key;
    if (!OpenSection(key, kExtensionsSection)) {
        Fail(key);
        return -1;
    }
    return key.GetValueCount();
}

bool CSettings::GetExtension(int index, std::string& extension) {
    m_errorText.clear();
    CRegistryKey key;
    // A negative index is a huge one to the platform's call: the end of the list.
    if (!OpenSection(key, kExtensionsSection) ||
        !key.EnumValueName(static_cast<uint32_t>(index), extension))
        return Fail(key);
    return true;
}

bool CSettings::SaveExtensions(const std::vector<std::string>& extensions) {
    m_errorText.clear();
    CRegistryKey root;
    if (!OpenRoot(root) || !root.DeleteTree(kExtensionsSection)) return Fail(root);
    CRegistryKey section;
    if (!OpenSection(section, kExtensionsSection)) return Fail(section);
    for (const auto& entry : extensions) {
        const std::string_view name = TrimSpace(entry);
        if (!name.empty()) (void)section.WriteString(name, "");
    }
    return true;
}

bool CSettings::RestoreDefaultExtensions() { return SaveExtensions(DefaultExtensions()); }

ExtensionSet LoadExtensionSet(CSettings& settings) {
    ExtensionSet result;
    const std::string bothLines = std::string(LoadString(kExtensionListErrorId)) + "\n" +
                                  std::string(LoadString(kRegistryErrorId));
    int count = settings.GetExtensionCount();
    if (count < 1) {
        if (!settings.RestoreDefaultExtensions()) {
            result.message = bothLines + "\n" + settings.GetErrorText();
            return result;
        }
        count = settings.GetExtensionCount();
    }
    for (int i = 0; i < count; ++i) {
        std::string entry;
        if (!settings.GetExtension(i, entry)) continue;
        const std::string_view extension = TrimSpace(entry);
        if (!extension.empty()) result.extensions.emplace(extension);
    }
    if (result.extensions.empty()) result.message = bothLines;
    return result;
}

bool IsModuleFileName(std::string_view fileName, const std::set<std::string>& extensions) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return false;
    return extensions.count(std::string(fileName.substr(dot + 1))) != 0;
}

}  // namespace tv
