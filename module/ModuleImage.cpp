#include "module/ModuleImage.h"

#include <utility>

#include "common/ErrorCodes.h"

namespace tv {

CModuleImage::CModuleImage(const char* path) {
    if (path && *path) Load(path);
}

CModuleImage::~CModuleImage() { Unload(); }

void CModuleImage::Unload() noexcept {
    m_pe = tv::CPeFile();
    m_file.Close();
    m_errorCode = 0;
    m_loaded = false;
    m_path.clear();
    m_loadedImage = LOADED_IMAGE();
}

bool CModuleImage::Load(const char* path) { return Load(path, tv::ModuleSearchContext{}); }

bool CModuleImage::Load(const char* path, const tv::ModuleSearchContext& context) {
    // Copied before Unload: path may point into this object's own record (a reload by name).
    std::string wanted = path ? path : "";
    // The earlier module goes first, so a failed load leaves nothing of it behind.
    Unload();
    m_path = std::move(wanted);
    if (m_path.empty()) return false;
    std::string resolved = m_path;
    if (tv::IsBareModuleName(m_path)) {
        auto found = tv::FindModule(m_path, context);
        if (!found) {
            m_errorCode = tv::kErrorFileNotFound;
            return false;
        }
        resolved = std::move(*found);
    }
    return MapResolved(resolved);
}

bool CModuleImage::MapResolved(const std::string& path) {
    if (!m_file.Open(path)) {
        m_errorCode = m_file.GetErrorCode();
        return false;
    }
    if (!Accept(m_file.View(), path)) {
        m_file.Close();
        return false;
    }
    m_path = path;
    return true;
}

bool CModuleImage::LoadFromMemory(tv::CByteView bytes, const std::string& name) {
    std::string wanted = name;
    Unload();
    m_path = std::move(wanted);
    return Accept(bytes, m_path);
}

bool CModuleImage::Accept(tv::CByteView bytes, const std::string& moduleName) {
    if (!m_pe.Parse(bytes)) {
        m_errorCode = m_pe.GetErrorCode();
        m_pe = tv::CPeFile();
        return false;
    }
    const auto base = reinterpret_cast<uintptr_t>(bytes.Data());
    LOADED_IMAGE& li = m_loadedImage;
    li.ModuleName = moduleName;
    li.hFile = ~uintptr_t{0};
    li.MappedAddress = base;
    li.FileHeader = base + static_cast<uintptr_t>(m_pe.NtHeadersOffset());
    li.Sections = m_pe.SectionTableOffset() <= bytes.Size()
                      ? base + static_cast<uintptr_t>(m_pe.SectionTableOffset())
                      : 0;
    li.LastRvaSection = li.Sections;
    li.NumberOfSections = static_cast<uint32_t>(m_pe.Sections().size());
    li.Characteristics = m_pe.File().Characteristics;
    li.fSystemImage = m_pe.Optional().Subsystem == 1;  // IMAGE_SUBSYSTEM_NATIVE
    li.fDOSImage = false;
    li.fReadOnly = true;
    li.SizeOfImage = bytes.Size();
    m_loaded = true;
    return true;
}

const LOADED_IMAGE* CModuleImage::GetLoadedImage() const noexcept {
    return m_loaded ? &m_loadedImage : nullptr;
}

const uint8_t* CModuleImage::GetMappedAddress() const noexcept {
    return m_loaded ? m_pe.View().Data() : nullptr;
}

tv::CByteView CModuleImage::GetView() const noexcept {
    return m_loaded ? m_pe.View() : tv::CByteView();
}

const tv::CPeFile* CModuleImage::GetNtHeaders() const noexcept {
    return m_loaded ? &m_pe : nullptr;
}

const tv::DataDirectoryEntry* CModuleImage::GetDataDirectory(size_t index) const noexcept {
    if (!m_loaded || index >= tv::kDataDirectoryCount) return nullptr;
    return &m_pe.Optional().DataDirectory[index];
}

std::optional<tv::ExportDirectory> CModuleImage::GetExportDirectory() const noexcept {
    const auto* entry = GetDataDirectory(tv::kDirExport);
    if (!entry || entry->VirtualAddress == 0) return std::nullopt;
    return m_pe.ExportDirectoryAt(entry->VirtualAddress);
}

std::optional<tv::CImportDescriptorTable> CModuleImage::GetImportDescriptors() const noexcept {
    const auto* entry = GetDataDirectory(tv::kDirImport);
    if (!entry || entry->VirtualAddress == 0) return std::nullopt;
    return m_pe.ImportDescriptorsAt(entry->VirtualAddress);
}

tv::CByteView CModuleImage::RvaToPointer(uint32_t rva) const noexcept {
    if (!m_loaded) return {};
    return m_pe.RvaToTail(rva);
}

}  // namespace tv
