// What a reader noticed about a damaged module: a kind, where it was seen and up to three
// numbers. The readers only record; NoteText words each kind once, so the headers report, the
// module information and the command line say the same thing in the same words, and tests can
// ask for a kind instead of matching a sentence.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tv {

enum class NoteKind : uint8_t {
    // The headers: a = bytes or entries read, b = what the header declares.
    kOptionalHeaderCut,
    kOptionalHeaderTooSmall,  // a = SizeOfOptionalHeader, b = the layout's size
    kSectionTableCut,         // a = sections read, b = NumberOfSections

    // Exports and imports.
    kFunctionTableOutside,  // a = AddressOfFunctions
    kListCut,               // a = lines listed
    kFunctionsCut,          // a = entries in the file, b = NumberOfFunctions
    kNamesCut,              // a = names in the file, b = NumberOfNames
    kNamesWithoutFunction,  // a = how many
    kImportDirectoryCut,    // a = descriptors read

    // The resource directory; where = the entry ("Typeintrag 3", …).
    kResourceRootOutside,  // a = the directory's RVA
    kEntryPointsToData,    // a type or name entry without a subdirectory
    kEntryPointsToRoot,    // a type entry pointing back to the root
    kEntryPointsToParent,  // a name entry pointing back to an enclosing directory
    kNotALanguage,         // a language entry with a name or a number past 16 bits
    kLanguageIsDirectory,  // a fourth level
    kDataEntryOutside,     // the IMAGE_RESOURCE_DATA_ENTRY is outside the directory
    kDataOutsideFile,      // a = RVA, b = size
    kDirectoryOutside,     // a = offset
    kDirectoryOverfull,    // a = offset, b = entries declared, c = entries that fit
    kIdTooLarge,           // a = the number
    kNameOutside,          // a = offset
    kEntryBudgetSpent,     // a = the budget; where = the level the walk stopped at
    kMoreNotes,            // a = notes left out

    // Icon and cursor groups.
    kGroupReservedField,  // a = the value
    kGroupWrongType,      // a = the value, b = the expected one
    kGroupShort,          // a = images declared, b = images present

    // Dialog templates.
    kDialogShort,            // a = bytes, b = the fixed header's size
    kDialogVersion,          // a = the version
    kDialogFieldCut,         // where = the field ("Das Menüfeld", "Der Titel", ...)
    kDialogItemsMissing,     // a = items declared, b = items present
    kDialogItemCut,          // where = the part cut; a = the item (from 1), b = declared, c = whole
    kDialogCreationDataCut,  // a = the item (from 1), b = bytes claimed, c = bytes left

    // Menu templates.
    kMenuShort,           // a = bytes, b = the header's size
    kMenuVersion,         // a = the version
    kMenuEntriesPastEnd,  // a = where the entries would start, b = bytes
    kMenuEmptyPopup,      // where = the popup's text, quoted
    kMenuNoEnd,
    kMenuTooManyEntries,  // a = the limit
    kMenuEntryCut,        // a = the entry's offset
    kMenuTextCut,         // a = the entry's offset
    kMenuTooDeep,         // a = the limit

    // Accelerator and message tables, resource scripts.
    kAcceleratorShort,     // a = bytes, b = a record's size
    kAcceleratorNoLast,    // a = records read
    kAcceleratorTooMany,   // a = the limit
    kMessageTableShort,    // a = bytes
    kMessageBlockOutside,  // a = the block (from 1), b = its entries' offset
    kMessageEntryCut,      // a = the message id, b = the entry's offset
    kMessageTooMany,       // a = the limit
    kScriptNotReadable,    // where = the resource's type
    kScriptNamedStringBlock,

    // The directories of the full headers report; where = the structure or the section.
    kSectionsOverLimit,     // a = sections listed, b = NumberOfSections
    kSectionDataCut,        // a = raw bytes in the file, b = SizeOfRawData
    kDirectoryNotPlaced,    // a = the RVA (or file offset), b = the size
    kDirectoryTableCut,     // a = entries read before the data ended
    kWalkLimit,             // a = the limit that stopped the walk
    kStructureCut,          // a = bytes in the file, b = bytes declared
    kRelocationBlockBad,    // a = the block's offset in the directory, b = SizeOfBlock
    kCertificateLengthBad,  // a = the entry's file offset, b = dwLength
};

struct ModuleNote {
    ModuleNote() = default;
    explicit ModuleNote(NoteKind k, std::string at = {}, uint64_t first = 0, uint64_t second = 0,
                        uint64_t third = 0)
        : kind(k), where(std::move(at)), a(first), b(second), c(third) {}

    NoteKind kind{};
    std::string where;
    uint64_t a = 0;
    uint64_t b = 0;
    uint64_t c = 0;
};

// The note as the user reads it, in German.
[[nodiscard]] std::string NoteText(const ModuleNote& note);
[[nodiscard]] std::vector<std::string> NoteTexts(std::span<const ModuleNote> notes);
[[nodiscard]] bool HasNote(std::span<const ModuleNote> notes, NoteKind kind) noexcept;

}  // namespace tv
