// The version resource of one file with one selected translation, turned into the texts the
// module list, the resource information and the About box show.
//
// The version library of Windows is replaced by our own reading: the file is mapped, its resource
// directory walked, and only the version resource (type 16) is copied out; the rest of the file is
// never read. Load("") reads the block the build embedded in the program itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"
#include "module/ResourceDirectory.h"
#include "module/VersionBlock.h"

namespace tv {

// The version resource a module's version information comes from: name 1 of type 16, else the
// type's first name, in the language ChooseLanguage picks. nullptr when there is none, with error
// set (kErrorResourceTypeNotFound, kErrorResourceLangNotFound).
[[nodiscard]] const ResourceLeaf* ChooseVersionResource(const CResourceDirectory& directory,
                                                        uint32_t& error) noexcept;

// Version field numbers, the argument of CVersionInfo::GetField.
enum VersionField : int {
    kFieldProductName = 0,
    kFieldProductVersion = 1,
    kFieldInternalName = 2,
    kFieldOriginalFilename = 3,
    kFieldFileDescription = 4,
    kFieldFileVersion = 5,
    kFieldComments = 6,
    kFieldCompanyName = 7,
    kFieldLegalCopyright = 8,
    kFieldLegalTrademarks = 9,
    kFieldPrivateBuild = 10,
    kFieldSpecialBuild = 11,
    kFieldFixedFileVersion = 20,
    kFieldFixedProductVersion = 21,
    kFieldFileFlagsMask = 22,
    kFieldFileFlags = 23,
    kFieldFileOs = 24,
    kFieldFileType = 25,
    kFieldFileSubtype = 26,
    kFieldFileDate = 27,
};

struct VersionLabel {
    int field;
    uint32_t stringId;  // the label's string resource
};

// The version label table in the order the texts use it: the eight fixed-information rows
// (fields 20 to 27, labels 2082 to 2089), then the twelve string rows (fields 0 to 11, labels 2090
// to 2101).
[[nodiscard]] std::span<const VersionLabel> VersionLabels() noexcept;
inline constexpr size_t kFixedVersionLabelCount = 8;
// The label of the language line of each translation, "Sprache".
inline constexpr uint32_t kLanguageLabelId = 2102;

// The language line of a translation: "%s [0x%04x%4x]" with the language name, the language
// identifier (low word) and the code page (high word, blank-padded), e.g.
// "Englisch (USA) [0x0409 4b0]".
[[nodiscard]] std::string LanguageLineText(std::string_view languageName, uint32_t translation);

// The VS_VERSIONINFO block the build placed in the program (generated from cmake/OwnVersion.cmake).
[[nodiscard]] CByteView OwnVersionResource() noexcept;

class CVersionInfo {
public:
    // Starts empty (no file name, no translation, no data), then Load(path).
    explicit CVersionInfo(const std::string& path = std::string());
    virtual ~CVersionInfo();
    CVersionInfo(const CVersionInfo&) = default;
    CVersionInfo& operator=(const CVersionInfo&) = default;
    CVersionInfo(CVersionInfo&&) noexcept = default;
    CVersionInfo& operator=(CVersionInfo&&) noexcept = default;

    // Reads the version resource of path; an empty path reads the program's own. Whatever the
    // outcome, what an earlier Load left is gone: a file without a version resource has no data
    // and no translation, not the previous file's. On success the first translation is selected.
    void Load(const std::string& path);
    // The same for a module already in memory (a mapped file, a fuzz input); fileName is only
    // recorded.
    void LoadModule(tv::CByteView module, const std::string& fileName = std::string());
    // The same for the bytes of a version resource itself (VS_VERSIONINFO).
    void LoadResource(tv::CByteView resource, const std::string& fileName = std::string());
    // A reader over the bytes of a version resource alone, without reading any file first (the
    // constructor would read one, or the program's own block).
    [[nodiscard]] static CVersionInfo FromResource(tv::CByteView resource,
                                                   const std::string& fileName = std::string());

    // Selects entry index of "\VarFileInfo\Translation"; false, with the selection kept, when
    // there is no data, no table, or index is negative or not below the number of entries.
    bool SelectTranslation(int index);
    // The selected translation: language in the low word, code page in the high word; 0 when
    // none is selected.
    [[nodiscard]] uint32_t GetTranslation() const noexcept { return m_translation; }
    // The German name of the selected translation's language; empty when none is selected.
    [[nodiscard]] std::string GetLanguageName() const;
    // The string value name ("ProductName") of the selected translation, from
    // "\StringFileInfo\llllcccc\name" exactly (no fallback to another translation); empty when
    // missing.
    [[nodiscard]] std::string QueryString(std::string_view name) const;
    // The text of a version field (0 to 11 string values, 20 to 27 fixed information); empty for
    // other numbers, for missing values, and for every field while no translation is selected.
    [[nodiscard]] std::string GetField(int field) const;

    // VS_FIXEDFILEINFO as the resource holds it, for callers that want the numbers behind the
    // fixed fields' texts; nullopt without data or without the block. Unlike GetField it does not
    // wait for a translation to be selected.
    [[nodiscard]] std::optional<FixedFileInfo> GetFixedInfo() const;

    // Beyond the platform's contract, for callers that report why there is nothing to show.
    [[nodiscard]] bool HasData() const noexcept { return !m_data.empty(); }
    // The number of entries of the translation table; 0 without data or table.
    [[nodiscard]] int GetTranslationCount() const;
    [[nodiscard]] const std::string& GetFileName() const noexcept { return m_fileName; }
    // 0 after a successful load. Otherwise the file's own error (2 not found, 5 access denied,
    // ...), 193 not a PE module, 1812 no resource directory, 1813 no version resource, 13 a
    // version resource whose bytes cannot be read.
    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }

private:
    struct NoFile {};
    explicit CVersionInfo(NoFile) {}
    void Reset();
    void Fail(uint32_t error) noexcept { m_error = error; }

    std::string m_fileName;
    uint32_t m_translation = 0;
    // A translation entry may be 0 itself (language neutral, code page 0); the selection is
    // tracked apart from its value so that such a table still gives texts.
    bool m_selected = false;
    std::vector<uint8_t> m_data;
    uint32_t m_error = 0;
};

}  // namespace tv
