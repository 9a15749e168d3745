#include "module/VersionInfo.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <optional>

#include "common/DateText.h"
#include "common/ErrorCodes.h"
#include "common/MappedFile.h"
#include "module/LanguageNames.h"
#include "module/PeFile.h"
#include "module/ResourceDirectory.h"
#include "module/VersionBlock.h"

namespace tv {

namespace {

constexpr std::array<VersionLabel, 20> kVersionLabels = {{
    {kFieldFixedFileVersion, 2082}, {kFieldFixedProductVersion, 2083},
    {kFieldFileFlagsMask, 2084},    {kFieldFileFlags, 2085},
    {kFieldFileOs, 2086},           {kFieldFileType, 2087},
    {kFieldFileSubtype, 2088},      {kFieldFileDate, 2089},
    {kFieldProductName, 2090},      {kFieldProductVersion, 2091},
    {kFieldInternalName, 2092},     {kFieldOriginalFilename, 2093},
    {kFieldFileDescription, 2094},  {kFieldFileVersion, 2095},
    {kFieldComments, 2096},         {kFieldCompanyName, 2097},
    {kFieldLegalCopyright, 2098},   {kFieldLegalTrademarks, 2099},
    {kFieldPrivateBuild, 2100},     {kFieldSpecialBuild, 2101},
}};

// The string value names of fields 0 to 11.
constexpr std::array<std::string_view, 12> kStringNames = {
    "ProductName",     "ProductVersion",  "InternalName", "OriginalFilename",
    "FileDescription", "FileVersion",     "Comments",     "CompanyName",
    "LegalCopyright",  "LegalTrademarks", "PrivateBuild", "SpecialBuild",
};

struct NamedValue {
    uint32_t value;
    const char* name;
};

constexpr NamedValue kFileOsNames[] = {
    {0x00001, "VOS__WINDOWS16"},    {0x00002, "VOS__PM16"},      {0x00003, "VOS__PM32"},
    {0x00004, "VOS__WINDOWS32"},    {0x10000, "VOS_DOS"},        {0x10001, "VOS_DOS_WINDOWS16"},
    {0x10004, "VOS_DOS_WINDOWS32"}, {0x20000, "VOS_OS216"},      {0x20002, "VOS_OS216_PM16"},
    {0x30000, "VOS_OS232"},         {0x30003, "VOS_OS232_PM32"}, {0x40000, "VOS_NT"},
    {0x40004, "VOS_NT_WINDOWS32"},
};

constexpr NamedValue kFileTypeNames[] = {
    {1, "VFT_APP"},  {2, "VFT_DLL"}, {3, "VFT_DRV"},
    {4, "VFT_FONT"}, {5, "VFT_VXD"}, {7, "VFT_STATIC_LIB"},
};

constexpr NamedValue kDriverSubtypeNames[] = {
    {1, "VFT2_DRV_PRINTER"}, {2, "VFT2_DRV_KEYBOARD"},    {3, "VFT2_DRV_LANGUAGE"},
    {4, "VFT2_DRV_DISPLAY"}, {5, "VFT2_DRV_MOUSE"},       {6, "VFT2_DRV_NETWORK"},
    {7, "VFT2_DRV_SYSTEM"},  {8, "VFT2_DRV_INSTALLABLE"}, {9, "VFT2_DRV_SOUND"},
    {10, "VFT2_DRV_COMM"},
};

constexpr NamedValue kFontSubtypeNames[] = {
    {1, "VFT2_FONT_RASTER"},
    {2, "VFT2_FONT_VECTOR"},
    {3, "VFT2_FONT_TRUETYPE"},
};

constexpr uint32_t kVftDriver = 3;
constexpr uint32_t kVftFont = 4;

std::string UnknownText(const char* unknown, uint32_t value) {
    char text[48];
    std::snprintf(text, sizeof text, "%s [0x%08x]", unknown, static_cast<unsigned>(value));
    return text;
}

template <size_t N>
std::string NameOr(const NamedValue (&table)[N], uint32_t value, const char* unknown) {
    for (const NamedValue& entry : table)
        if (entry.value == value) return entry.name;
    return UnknownText(unknown, value);
}

std::string VersionText(uint32_t ms, uint32_t ls) {
    char text[32];
    std::snprintf(text, sizeof text, "v%u.%u.%u.%u", static_cast<unsigned>(ms >> 16),
                  static_cast<unsigned>(ms & 0xFFFF), static_cast<unsigned>(ls >> 16),
                  static_cast<unsigned>(ls & 0xFFFF));
    return text;
}

std::string HexText(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

std::string FixedFieldText(const FixedFileInfo& info, int field) {
    switch (field) {
        case kFieldFixedFileVersion:
            return VersionText(info.dwFileVersionMS, info.dwFileVersionLS);
        case kFieldFixedProductVersion:
            return VersionText(info.dwProductVersionMS, info.dwProductVersionLS);
        case kFieldFileFlagsMask:
            return HexText(info.dwFileFlagsMask);
        case kFieldFileFlags:
            return HexText(info.dwFileFlags);
        case kFieldFileOs:
            return NameOr(kFileOsNames, info.dwFileOS, "VOS_UNKNOWN");
        case kFieldFileType:
            return NameOr(kFileTypeNames, info.dwFileType, "VFT_UNKNOWN");
        case kFieldFileSubtype:
            if (info.dwFileType == kVftDriver)
                return NameOr(kDriverSubtypeNames, info.dwFileSubtype, "VFT2_UNKNOWN");
            if (info.dwFileType == kVftFont)
                return NameOr(kFontSubtypeNames, info.dwFileSubtype, "VFT2_UNKNOWN");
            return UnknownText("VFT2_UNKNOWN", info.dwFileSubtype);
        case kFieldFileDate:
            if (info.dwFileDateMS == 0 && info.dwFileDateLS == 0) return "null";
            return VersionDateText(uint64_t{info.dwFileDateMS} << 32 | info.dwFileDateLS);
        default:
            return {};
    }
}

// The program's own file, as the About box names it.
std::string OwnExecutablePath() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "tarnview";
    return std::string(path, static_cast<size_t>(length));
}

}  // namespace

std::span<const VersionLabel> VersionLabels() noexcept { return kVersionLabels; }

std::string LanguageLineText(std::string_view languageName, uint32_t translation) {
    char numbers[32];
    std::snprintf(numbers, sizeof numbers, " [0x%04x%4x]",
                  static_cast<unsigned>(translation & 0xFFFF),
                  static_cast<unsigned>(translation >> 16));
    return std::string(languageName) + numbers;
}

using tv::CByteView;

CVersionInfo::CVersionInfo(const std::string& path) { Load(path); }

CVersionInfo::~CVersionInfo() = default;

CVersionInfo CVersionInfo::FromResource(tv::CByteView resource, const std::string& fileName) {
    CVersionInfo info{NoFile{}};
    info.LoadResource(resource, fileName);
    return info;
}

void CVersionInfo::Reset() {
    m_fileName.clear();
    m_translation = 0;
    m_selected = false;
    m_data.clear();
    m_error = 0;
}

void CVersionInfo::Load(const std::string& path) {
    if (path.empty()) {
        LoadResource(tv::OwnVersionResource(), tv::OwnExecutablePath());
        return;
    }
    tv::CMappedFile file;
    if (!file.Open(path)) {
        Reset();
        m_fileName = path;
        Fail(file.GetErrorCode());
        return;
    }
    LoadModule(file.View(), path);
}

const ResourceLeaf* ChooseVersionResource(const CResourceDirectory& directory,
                                          uint32_t& error) noexcept {
    const ResourceTypeNode* type = directory.FindType(kRtVersion);
    if (!type || type->nameCount == 0) {
        error = kErrorResourceTypeNotFound;
        return nullptr;
    }
    // The platform asks for name 1 only; a module whose single version resource has another name
    // still shows it here rather than nothing.
    const ResourceNameNode* name = directory.FindName(*type, kVsVersionInfoId);
    if (!name) name = &directory.Names(*type).front();
    const ResourceLeaf* leaf = directory.ChooseLanguage(*name);
    if (!leaf) error = kErrorResourceLangNotFound;
    return leaf;
}

void CVersionInfo::LoadModule(CByteView module, const std::string& fileName) {
    Reset();
    m_fileName = fileName;
    tv::CPeFile pe;
    if (!pe.Parse(module)) return Fail(pe.GetErrorCode());
    tv::CResourceDirectory directory;
    if (!directory.Read(pe)) return Fail(directory.GetErrorCode());
    uint32_t error = 0;
    const tv::ResourceLeaf* leaf = ChooseVersionResource(directory, error);
    if (!leaf) return Fail(error);
    if (!leaf->hasData) return Fail(tv::kErrorInvalidData);
    LoadResource(leaf->data, fileName);
}

void CVersionInfo::LoadResource(CByteView resource, const std::string& fileName) {
    Reset();
    m_fileName = fileName;
    // An empty resource is no resource: the platform reports a size of 0 for it.
    if (resource.Empty()) return Fail(tv::kErrorResourceTypeNotFound);
    m_data.assign(resource.Data(), resource.Data() + resource.Size());
    SelectTranslation(0);
}

bool CVersionInfo::SelectTranslation(int index) {
    if (m_data.empty() || index < 0) return false;
    const tv::CVersionResource resource(CByteView(m_data.data(), m_data.size()));
    const auto translation = resource.Translation(static_cast<size_t>(index));
    if (!translation) return false;
    m_translation = *translation;
    m_selected = true;
    return true;
}

int CVersionInfo::GetTranslationCount() const {
    if (m_data.empty()) return 0;
    const tv::CVersionResource resource(CByteView(m_data.data(), m_data.size()));
    return static_cast<int>(resource.TranslationCount().value_or(0));
}

std::string CVersionInfo::GetLanguageName() const {
    if (!m_selected) return {};
    return tv::LanguageName(static_cast<uint16_t>(m_translation & 0xFFFF));
}

std::string CVersionInfo::QueryString(std::string_view name) const {
    if (m_data.empty() || !m_selected) return {};
    char table[32];
    std::snprintf(table, sizeof table, "\\StringFileInfo\\%04x%04x\\",
                  static_cast<unsigned>(m_translation & 0xFFFF),
                  static_cast<unsigned>(m_translation >> 16));
    const tv::CVersionResource resource(CByteView(m_data.data(), m_data.size()));
    return resource.QueryText(std::string(table) + std::string(name)).value_or(std::string());
}

std::optional<FixedFileInfo> CVersionInfo::GetFixedInfo() const {
    if (m_data.empty()) return std::nullopt;
    return tv::CVersionResource(CByteView(m_data.data(), m_data.size())).FixedInfo();
}

std::string CVersionInfo::GetField(int field) const {
    if (m_data.empty() || !m_selected) return {};
    if (field >= 0 && field < static_cast<int>(tv::kStringNames.size()))
        return QueryString(tv::kStringNames[static_cast<size_t>(field)]);
    if (field < tv::kFieldFixedFileVersion || field > tv::kFieldFileDate) return {};
    const tv::CVersionResource resource(CByteView(m_data.data(), m_data.size()));
    const auto info = resource.FixedInfo();
    if (!info) return {};
    return tv::FixedFieldText(*info, field);
}

}  // namespace tv
