// One module file mapped read-only as a flat file view, with the loader's record of the mapping,
// the NT headers, the data directories and RVA translation: everything the headers report reads.
//
// Nothing here hands out raw structure pointers into the file. The headers come parsed
// (tv::CPeFile), directories as records read through the bounded reader, and an RVA as a bounded
// view of the bytes from there to the end of its section's file data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/ByteView.h"
#include "common/MappedFile.h"
#include "module/ModuleSearch.h"
#include "module/PeFile.h"

namespace tv {

// The loader's record of a mapped module, with the members and meanings the image-help library
// documents. Address members hold addresses inside this program's own mapping.
struct LOADED_IMAGE {
    std::string ModuleName;  // the path the module was found at
    // No descriptor is kept once the file is mapped, so this is the "invalid handle" value.
    uintptr_t hFile = 0;
    uintptr_t MappedAddress = 0;  // first byte of the file view
    uintptr_t FileHeader = 0;     // the NT headers ("PE\0\0") in the view
    uintptr_t LastRvaSection = 0;
    // Whole section headers in the file: a table cut short by the end of the file counts only
    // the headers that are there (the file header keeps the declared number).
    uint32_t NumberOfSections = 0;
    uintptr_t Sections = 0;        // first section header; 0 when the table starts past the end
    uint32_t Characteristics = 0;  // the file header's
    bool fSystemImage = false;     // a kernel-mode image: native subsystem
    bool fDOSImage = false;        // never set: only PE modules load
    bool fReadOnly = true;
    uint64_t SizeOfImage = 0;  // the size of the mapped file
    // The loader's list of loaded images; this record is in no list, so both links are 0.
    struct ListEntry {
        uintptr_t Flink = 0;
        uintptr_t Blink = 0;
    } Links;
};

class CModuleImage {
public:
    // Loads path unless it is null or empty (then the object stays empty with error code 0).
    explicit CModuleImage(const char* path = nullptr);
    virtual ~CModuleImage();
    CModuleImage(const CModuleImage&) = delete;
    CModuleImage& operator=(const CModuleImage&) = delete;

    // Releases what is loaded, then maps path. A bare file name (no '/') is looked up with
    // tv::FindModule first; the path and ModuleName then are the path it was found at. false
    // with GetErrorCode(): 0 for an empty path, 2 for a bare name found nowhere, the mapping's
    // code when the file cannot be opened, 193 when it is not a PE module.
    bool Load(const char* path);
    bool Load(const char* path, const tv::ModuleSearchContext& context);
    bool Load(const std::string& path) { return Load(path.c_str()); }
    // Takes bytes that the caller keeps alive and unchanged while they are loaded (a module in
    // memory, fuzz input); name becomes the path and ModuleName. No search, no file access.
    bool LoadFromMemory(tv::CByteView bytes, const std::string& name);
    void Unload() noexcept;

    [[nodiscard]] std::string GetPath() const { return m_path; }
    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_errorCode; }
    [[nodiscard]] bool IsLoaded() const noexcept { return m_loaded; }

    // Every accessor gives null (or an empty view) while nothing is loaded.
    [[nodiscard]] const LOADED_IMAGE* GetLoadedImage() const noexcept;
    [[nodiscard]] const uint8_t* GetMappedAddress() const noexcept;
    // The whole file view.
    [[nodiscard]] tv::CByteView GetView() const noexcept;
    [[nodiscard]] const tv::CPeFile* GetNtHeaders() const noexcept;
    // Entry index of the optional header's data directories; null past the sixteen there are.
    // The index is not compared with NumberOfRvaAndSizes: entries it does not cover read as 0.
    [[nodiscard]] const tv::DataDirectoryEntry* GetDataDirectory(size_t index) const noexcept;
    // nullopt when nothing is loaded, when entry 0's VirtualAddress is 0 (nothing is looked
    // up then), or when the directory cannot be placed in a section's file data.
    [[nodiscard]] std::optional<tv::ExportDirectory> GetExportDirectory() const noexcept;
    // The same for entry 1: the descriptors from the first one on.
    [[nodiscard]] std::optional<tv::CImportDescriptorTable> GetImportDescriptors() const noexcept;
    // The file bytes from rva to the end of the section data holding it; empty when no section
    // holds rva.
    [[nodiscard]] tv::CByteView RvaToPointer(uint32_t rva) const noexcept;

private:
    bool MapResolved(const std::string& path);
    bool Accept(tv::CByteView bytes, const std::string& moduleName);

    uint32_t m_errorCode = 0;
    std::string m_path;
    LOADED_IMAGE m_loadedImage;
    bool m_loaded = false;
    tv::CMappedFile m_file;
    tv::CPeFile m_pe;
};

}  // namespace tv
