#include "module/ResourceDirectory.h"

#include <utility>

#include "common/ErrorCodes.h"
#include "common/TextCodec.h"
#include "module/PeFile.h"

namespace tv {

namespace {

// High bit of IMAGE_RESOURCE_DIRECTORY_ENTRY's fields: the name is a string offset, the entry
// points to a subdirectory.
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kDirectoryHeaderSize = 16;
constexpr uint32_t kEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;

}  // namespace

CResourceId CResourceId::FromUtf8(std::string_view name) { return CResourceId(Utf8ToUtf16(name)); }

std::string CResourceId::ToText() const {
    return m_isName ? Utf16ToUtf8(m_name) : std::to_string(m_number);
}

bool CResourceDirectory::Read(const CPeFile& pe) {
    Reset();
    if (!pe.IsValid()) {
        m_error = kErrorBadExeFormat;
        return false;
    }
    const DataDirectoryEntry entry = pe.GetDataDirectory(kDirResource);
    if (entry.VirtualAddress == 0) {
        m_error = kErrorResourceDataNotFound;
        return false;
    }
    // Entry offsets count from the root, and the loader does not hold them to the directory's
    // Size, so the root's bytes are everything from its RVA to the end of its section's data.
    const CByteView root = pe.RvaToTail(entry.VirtualAddress);
    if (root.Size() < kDirectoryHeaderSize) {
        m_error = kErrorResourceDataNotFound;
        Note(NoteKind::kResourceRootOutside, kLevelRoot, 0, entry.VirtualAddress);
        return false;
    }
    m_pe = &pe;
    const bool read = Walk(root);
    m_pe = nullptr;
    return read;
}

bool CResourceDirectory::ReadTree(CByteView root) {
    Reset();
    if (root.Size() < kDirectoryHeaderSize) {
        m_error = kErrorResourceDataNotFound;
        return false;
    }
    return Walk(root);
}

void CResourceDirectory::Reset() {
    m_root = CByteView();
    m_error = 0;
    m_complete = true;
    m_reachedEnd = false;
    m_entriesRead = 0;
    m_notesDropped = 0;
    m_types.clear();
    m_names.clear();
    m_leaves.clear();
    m_notes.clear();
}

bool CResourceDirectory::Walk(CByteView root) {
    m_root = root;

    uint32_t first = 0;
    uint32_t count = 0;
    if (!ReadHeader(0, first, count, kLevelRoot, 0)) {
        m_error = kErrorResourceDataNotFound;
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (!Spend("Typ")) break;
        const uint32_t at = first + i * kEntrySize;
        const uint32_t nameField = m_root.U32(at).value_or(0);
        const uint32_t offsetField = m_root.U32(at + 4).value_or(0);
        ResourceDirectoryId id;
        if (!ReadId(nameField, id, kLevelType, i)) continue;
        if ((offsetField & kHighBit) == 0) {
            Note(NoteKind::kEntryPointsToData, kLevelType, i);
            continue;
        }
        const uint32_t typeOffset = offsetField & ~kHighBit;
        if (typeOffset == 0) {
            Note(NoteKind::kEntryPointsToRoot, kLevelType, i);
            continue;
        }
        uint32_t nameFirst = 0;
        uint32_t nameCount = 0;
        if (!ReadHeader(typeOffset, nameFirst, nameCount, kLevelType, i)) continue;
        m_types.push_back(
            ResourceTypeNode{id, static_cast<uint32_t>(m_names.size()), static_cast<uint32_t>(0)});
        WalkNames(typeOffset, nameFirst, nameCount);
        m_types.back().nameCount = static_cast<uint32_t>(m_names.size()) - m_types.back().firstName;
    }
    if (m_notesDropped > 0) m_notes.push_back(ModuleNote{NoteKind::kMoreNotes, {}, m_notesDropped});
    return true;
}

void CResourceDirectory::WalkNames(uint32_t typeOffset, uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (!Spend("Name")) return;
        const uint32_t at = first + i * kEntrySize;
        const uint32_t nameField = m_root.U32(at).value_or(0);
        const uint32_t offsetField = m_root.U32(at + 4).value_or(0);
        ResourceDirectoryId id;
        if (!ReadId(nameField, id, kLevelName, i)) continue;
        if ((offsetField & kHighBit) == 0) {
            Note(NoteKind::kEntryPointsToData, kLevelName, i);
            continue;
        }
        const uint32_t nameOffset = offsetField & ~kHighBit;
        if (nameOffset == 0 || nameOffset == typeOffset) {
            Note(NoteKind::kEntryPointsToParent, kLevelName, i);
            continue;
        }
        uint32_t languageFirst = 0;
        uint32_t languageCount = 0;
        if (!ReadHeader(nameOffset, languageFirst, languageCount, kLevelName, i)) continue;
        m_names.push_back(
            ResourceNameNode{id, static_cast<uint32_t>(m_leaves.size()), static_cast<uint32_t>(0)});
        WalkLanguages(languageFirst, languageCount);
        m_names.back().languageCount =
            static_cast<uint32_t>(m_leaves.size()) - m_names.back().firstLanguage;
    }
}

void CResourceDirectory::WalkLanguages(uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (!Spend("Sprache")) return;
        const uint32_t at = first + i * kEntrySize;
        const uint32_t nameField = m_root.U32(at).value_or(0);
        const uint32_t offsetField = m_root.U32(at + 4).value_or(0);
        if ((nameField & kHighBit) != 0 || nameField > 0xFFFF) {
            Note(NoteKind::kNotALanguage, kLevelLanguage, i);
            continue;
        }
        // Three levels are all the format has; a subdirectory here would lead arbitrarily deep.
        if ((offsetField & kHighBit) != 0) {
            Note(NoteKind::kLanguageIsDirectory, kLevelLanguage, i);
            continue;
        }
        const auto entry = m_root.Sub(offsetField, kDataEntrySize);
        if (!entry) {
            m_reachedEnd = true;
            Note(NoteKind::kDataEntryOutside, kLevelLanguage, i);
            continue;
        }
        ResourceLeaf leaf;
        leaf.language = static_cast<uint16_t>(nameField);
        leaf.dataRva = entry->U32(0).value_or(0);
        leaf.dataSize = entry->U32(4).value_or(0);
        leaf.codePage = entry->U32(8).value_or(0);
        if (m_pe == nullptr) {
            // Read from the tree alone: nobody asked where the data is.
        } else if (const auto data = m_pe->RvaToView(leaf.dataRva, leaf.dataSize)) {
            leaf.hasData = true;
            leaf.data = *data;
        } else {
            Note(NoteKind::kDataOutsideFile, kLevelLanguage, i, leaf.dataRva, leaf.dataSize);
        }
        m_leaves.push_back(leaf);
    }
}

void CResourceDirectory::Note(NoteKind kind, int level, uint32_t index, uint64_t a, uint64_t b,
                              uint64_t c) {
    if (m_notes.size() >= kMaxDiagnostics) {
        ++m_notesDropped;
        return;
    }
    m_notes.push_back(ModuleNote{kind, Describe(level, index), a, b, c});
}

std::string CResourceDirectory::Describe(int level, uint32_t index) const {
    switch (level) {
        case kLevelType:
            return "Typeintrag " + std::to_string(index);
        case kLevelName:
            return "Namenseintrag " + std::to_string(index) + " des Typs " +
                   ToText(m_types.back().id);
        case kLevelLanguage:
            return "Spracheintrag " + std::to_string(index) + " der Ressource " +
                   ToText(m_types.back().id) + "/" + ToText(m_names.back().id);
        default:
            return "Stammverzeichnis";
    }
}

bool CResourceDirectory::ReadHeader(uint32_t offset, uint32_t& firstEntry, uint32_t& count,
                                    int level, uint32_t index) {
    const auto named = m_root.U16(uint64_t{offset} + 12);
    const auto numbered = m_root.U16(uint64_t{offset} + 14);
    if (!named || !numbered) {
        m_reachedEnd = true;
        Note(NoteKind::kDirectoryOutside, level, index, offset);
        return false;
    }
    const uint64_t entries = uint64_t{offset} + kDirectoryHeaderSize;
    const uint64_t declared = uint64_t{*named} + *numbered;
    const uint64_t fits = (m_root.Size() - entries) / kEntrySize;
    if (declared > fits) {
        m_reachedEnd = true;
        Note(NoteKind::kDirectoryOverfull, level, index, offset, declared, fits);
    }
    // entries <= size of the root view, whose offsets the directory gives in 31 bits.
    firstEntry = static_cast<uint32_t>(entries);
    count = static_cast<uint32_t>(declared < fits ? declared : fits);
    return true;
}

bool CResourceDirectory::ReadId(uint32_t nameField, ResourceDirectoryId& id, int level,
                                uint32_t index) {
    if ((nameField & kHighBit) == 0) {
        // The loader hands integer ids out as 16-bit values; a larger one cannot be asked for.
        if (nameField > 0xFFFF) {
            Note(NoteKind::kIdTooLarge, level, index, nameField);
            return false;
        }
        id.number = static_cast<uint16_t>(nameField);
        return true;
    }
    // IMAGE_RESOURCE_DIR_STRING_U: a unit count and the units, no terminator.
    const uint32_t offset = nameField & ~kHighBit;
    const auto length = m_root.U16(offset);
    if (!length || !m_root.Contains(uint64_t{offset} + 2, uint64_t{*length} * 2)) {
        m_reachedEnd = true;
        Note(NoteKind::kNameOutside, level, index, offset);
        return false;
    }
    id.isName = true;
    id.nameOffset = offset + 2;
    id.nameLength = *length;
    return true;
}

bool CResourceDirectory::Spend(std::string_view what) {
    if (m_entriesRead >= kMaxEntries) {
        if (m_complete) {
            m_complete = false;
            // The budget is spent once per walk, so there is always room for this note.
            m_notes.push_back(
                ModuleNote{NoteKind::kEntryBudgetSpent, std::string(what), kMaxEntries});
        }
        return false;
    }
    ++m_entriesRead;
    return true;
}

std::span<const ResourceNameNode> CResourceDirectory::Names(const ResourceTypeNode& type) const {
    return std::span<const ResourceNameNode>(m_names).subspan(type.firstName, type.nameCount);
}

std::span<const ResourceLeaf> CResourceDirectory::Languages(const ResourceNameNode& name) const {
    return std::span<const ResourceLeaf>(m_leaves).subspan(name.firstLanguage, name.languageCount);
}

CResourceId CResourceDirectory::ToId(const ResourceDirectoryId& id) const {
    if (!id.isName) return CResourceId(id.number);
    return CResourceId(m_root.Utf16Units(id.nameOffset, id.nameLength).value_or(std::u16string()));
}

std::string CResourceDirectory::ToText(const ResourceDirectoryId& id) const {
    return ToId(id).ToText();
}

bool CResourceDirectory::Matches(const ResourceDirectoryId& id,
                                 const CResourceId& key) const noexcept {
    if (id.isName != key.IsName()) return false;
    if (!id.isName) return id.number == key.GetNumber();
    const std::u16string& name = key.GetName();
    if (name.size() != id.nameLength) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (m_root.U16(uint64_t{id.nameOffset} + 2 * i) != static_cast<uint16_t>(name[i]))
            return false;
    }
    return true;
}

const ResourceTypeNode* CResourceDirectory::FindType(const CResourceId& type) const noexcept {
    for (const ResourceTypeNode& node : m_types)
        if (Matches(node.id, type)) return &node;
    return nullptr;
}

const ResourceNameNode* CResourceDirectory::FindName(const ResourceTypeNode& type,
                                                     const CResourceId& name) const noexcept {
    for (const ResourceNameNode& node : Names(type))
        if (Matches(node.id, name)) return &node;
    return nullptr;
}

size_t CResourceDirectory::CountOfType(const CResourceId& type) const noexcept {
    size_t count = 0;
    for (const ResourceTypeNode& node : m_types)
        if (Matches(node.id, type)) count += node.nameCount;
    return count;
}

const ResourceLeaf* CResourceDirectory::FindLanguage(const ResourceNameNode& name,
                                                     uint16_t language) const noexcept {
    for (const ResourceLeaf& leaf : Languages(name))
        if (leaf.language == language) return &leaf;
    return nullptr;
}

const ResourceLeaf* CResourceDirectory::ChooseLanguage(
    const ResourceNameNode& name) const noexcept {
    if (const ResourceLeaf* leaf = FindLanguage(name, kLanguageNeutral)) return leaf;
    if (const ResourceLeaf* leaf = FindLanguage(name, kLanguageEnglishUs)) return leaf;
    const auto languages = Languages(name);
    return languages.empty() ? nullptr : &languages.front();
}

const ResourceLeaf* CResourceDirectory::Find(const CResourceId& type,
                                             const CResourceId& name) const noexcept {
    const ResourceTypeNode* typeNode = FindType(type);
    if (!typeNode) return nullptr;
    const ResourceNameNode* nameNode = FindName(*typeNode, name);
    return nameNode ? ChooseLanguage(*nameNode) : nullptr;
}

}  // namespace tv
