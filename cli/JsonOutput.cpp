#include "cli/JsonOutput.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "module/VersionInfo.h"
#include "res/StringTable.h"

namespace tv::cli {

bool TakeJsonFlag(std::vector<std::string>& args) {
    const auto at = std::find(args.begin(), args.end(), "--json");
    if (at == args.end()) return false;
    args.erase(at);
    return true;
}

Json JsonDocument(std::string_view command) {
    Json document = Json::object();
    document["schema_version"] = kJsonSchemaVersion;
    document["command"] = command;
    return document;
}

void PrintJson(const Json& document) {
    const std::string text = document.dump(2, ' ', false, Json::error_handler_t::replace);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

std::string_view NoteKindName(NoteKind kind) noexcept {
    // Part of the documented schema: a name, once published, never changes. No default, so a
    // new kind cannot compile without one.
    switch (kind) {
        case NoteKind::kOptionalHeaderCut:
            return "optional_header_cut";
        case NoteKind::kOptionalHeaderTooSmall:
            return "optional_header_too_small";
        case NoteKind::kSectionTableCut:
            return "section_table_cut";
        case NoteKind::kFunctionTableOutside:
            return "function_table_outside";
        case NoteKind::kListCut:
            return "list_cut";
        case NoteKind::kFunctionsCut:
            return "functions_cut";
        case NoteKind::kNamesCut:
            return "names_cut";
        case NoteKind::kNamesWithoutFunction:
            return "names_without_function";
        case NoteKind::kImportDirectoryCut:
            return "import_directory_cut";
        case NoteKind::kResourceRootOutside:
            return "resource_root_outside";
        case NoteKind::kEntryPointsToData:
            return "entry_points_to_data";
        case NoteKind::kEntryPointsToRoot:
            return "entry_points_to_root";
        case NoteKind::kEntryPointsToParent:
            return "entry_points_to_parent";
        case NoteKind::kNotALanguage:
            return "not_a_language";
        case NoteKind::kLanguageIsDirectory:
            return "language_is_directory";
        case NoteKind::kDataEntryOutside:
            return "data_entry_outside";
        case NoteKind::kDataOutsideFile:
            return "data_outside_file";
        case NoteKind::kDirectoryOutside:
            return "directory_outside";
        case NoteKind::kDirectoryOverfull:
            return "directory_overfull";
        case NoteKind::kIdTooLarge:
            return "id_too_large";
        case NoteKind::kNameOutside:
            return "name_outside";
        case NoteKind::kEntryBudgetSpent:
            return "entry_budget_spent";
        case NoteKind::kMoreNotes:
            return "more_notes";
        case NoteKind::kGroupReservedField:
            return "group_reserved_field";
        case NoteKind::kGroupWrongType:
            return "group_wrong_type";
        case NoteKind::kGroupShort:
            return "group_short";
        case NoteKind::kDialogShort:
            return "dialog_short";
        case NoteKind::kDialogVersion:
            return "dialog_version";
        case NoteKind::kDialogFieldCut:
            return "dialog_field_cut";
        case NoteKind::kDialogItemsMissing:
            return "dialog_items_missing";
        case NoteKind::kDialogItemCut:
            return "dialog_item_cut";
        case NoteKind::kDialogCreationDataCut:
            return "dialog_creation_data_cut";
        case NoteKind::kMenuShort:
            return "menu_short";
        case NoteKind::kMenuVersion:
            return "menu_version";
        case NoteKind::kMenuEntriesPastEnd:
            return "menu_entries_past_end";
        case NoteKind::kMenuEmptyPopup:
            return "menu_empty_popup";
        case NoteKind::kMenuNoEnd:
            return "menu_no_end";
        case NoteKind::kMenuTooManyEntries:
            return "menu_too_many_entries";
        case NoteKind::kMenuEntryCut:
            return "menu_entry_cut";
        case NoteKind::kMenuTextCut:
            return "menu_text_cut";
        case NoteKind::kMenuTooDeep:
            return "menu_too_deep";
        case NoteKind::kAcceleratorShort:
            return "accelerator_short";
        case NoteKind::kAcceleratorNoLast:
            return "accelerator_no_last";
        case NoteKind::kAcceleratorTooMany:
            return "accelerator_too_many";
        case NoteKind::kMessageTableShort:
            return "message_table_short";
        case NoteKind::kMessageBlockOutside:
            return "message_block_outside";
        case NoteKind::kMessageEntryCut:
            return "message_entry_cut";
        case NoteKind::kMessageTooMany:
            return "message_too_many";
        case NoteKind::kScriptNotReadable:
            return "script_not_readable";
        case NoteKind::kScriptNamedStringBlock:
            return "script_named_string_block";
        case NoteKind::kSectionsOverLimit:
            return "sections_over_limit";
        case NoteKind::kSectionDataCut:
            return "section_data_cut";
        case NoteKind::kDirectoryNotPlaced:
            return "directory_not_placed";
        case NoteKind::kDirectoryTableCut:
            return "directory_table_cut";
        case NoteKind::kWalkLimit:
            return "walk_limit";
        case NoteKind::kStructureCut:
            return "structure_cut";
        case NoteKind::kRelocationBlockBad:
            return "relocation_block_bad";
        case NoteKind::kCertificateLengthBad:
            return "certificate_length_bad";
    }
    // Only a value outside the enumeration (a cast) gets here.
    return "unknown";
}

Json NotesJson(std::span<const ModuleNote> notes) {
    Json list = Json::array();
    for (const ModuleNote& note : notes) {
        Json item = Json::object();
        item["kind"] = NoteKindName(note.kind);
        item["text"] = NoteText(note);
        item["where"] = note.where.empty() ? Json() : Json(note.where);
        item["values"] = Json::array({note.a, note.b, note.c});
        list.push_back(std::move(item));
    }
    return list;
}

Json ResourceIdJson(const CResourceId& id) {
    Json out = Json::object();
    if (id.IsName())
        out["name"] = id.ToText();
    else
        out["id"] = id.GetNumber();
    return out;
}

Json ValueText(uint64_t value, std::string text) {
    Json out = Json::object();
    out["value"] = value;
    out["text"] = std::move(text);
    return out;
}

namespace {

std::string_view KindName(ReportLineKind kind) noexcept {
    switch (kind) {
        case ReportLineKind::kGroup:
            return "group";
        case ReportLineKind::kValue:
            return "value";
        case ReportLineKind::kNote:
            return "note";
        case ReportLineKind::kModule:
            return "module";
        case ReportLineKind::kResourceType:
            return "resource_type";
        case ReportLineKind::kResource:
            return "resource";
    }
    return "value";
}

Json NodeJson(const CReportTree& tree, ReportNode node) {
    const CReportTree::Node& line = tree.At(node);
    Json out = Json::object();
    out["kind"] = KindName(line.kind);
    out["text"] = line.text;
    switch (line.kind) {
        case ReportLineKind::kModule:
            // Raw bytes, so a script can open the module again; empty when there is none.
            out["module"] = line.moduleName.empty() ? Json() : Json(line.moduleName);
            break;
        case ReportLineKind::kResourceType:
            out["type"] = ResourceIdJson(line.resourceType);
            break;
        case ReportLineKind::kResource:
            out["type"] = ResourceIdJson(line.resourceType);
            out["name"] = ResourceIdJson(line.resourceName);
            break;
        default:
            break;
    }
    Json children = Json::array();
    // Reports are a few levels deep (a damaged file cannot deepen them: the builders decide the
    // levels), so recursion is bounded by the report's shape, not by the file.
    for (const ReportNode child : line.children)
        children.push_back(NodeJson(tree, child));
    out["children"] = std::move(children);
    return out;
}

}  // namespace

Json ReportTreeJson(const CReportTree& tree) {
    Json list = Json::array();
    for (const ReportNode node : tree.TopLevel())
        list.push_back(NodeJson(tree, node));
    return list;
}

namespace {

struct FieldKey {
    int field;
    std::string_view key;
};

// Keys of the version fields, in the order of the version label table.
constexpr FieldKey kFieldKeys[] = {
    {kFieldFixedFileVersion, "file_version"},
    {kFieldFixedProductVersion, "product_version"},
    {kFieldFileFlagsMask, "file_flags_mask"},
    {kFieldFileFlags, "file_flags"},
    {kFieldFileOs, "file_os"},
    {kFieldFileType, "file_type"},
    {kFieldFileSubtype, "file_subtype"},
    {kFieldFileDate, "file_date"},
    {kFieldProductName, "product_name"},
    {kFieldProductVersion, "product_version"},
    {kFieldInternalName, "internal_name"},
    {kFieldOriginalFilename, "original_filename"},
    {kFieldFileDescription, "file_description"},
    {kFieldFileVersion, "file_version"},
    {kFieldComments, "comments"},
    {kFieldCompanyName, "company_name"},
    {kFieldLegalCopyright, "legal_copyright"},
    {kFieldLegalTrademarks, "legal_trademarks"},
    {kFieldPrivateBuild, "private_build"},
    {kFieldSpecialBuild, "special_build"},
};

std::string_view FieldKeyOf(int field) {
    for (const FieldKey& k : kFieldKeys)
        if (k.field == field) return k.key;
    return "unknown";
}

Json VersionParts(uint32_t ms, uint32_t ls) {
    return Json::array({ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF});
}

// The number behind a fixed field's text; null without the fixed block, and for a date of 0.
Json FixedValue(const std::optional<FixedFileInfo>& info, int field) {
    if (!info) return Json();
    switch (field) {
        case kFieldFixedFileVersion:
            return VersionParts(info->dwFileVersionMS, info->dwFileVersionLS);
        case kFieldFixedProductVersion:
            return VersionParts(info->dwProductVersionMS, info->dwProductVersionLS);
        case kFieldFileFlagsMask:
            return info->dwFileFlagsMask;
        case kFieldFileFlags:
            return info->dwFileFlags;
        case kFieldFileOs:
            return info->dwFileOS;
        case kFieldFileType:
            return info->dwFileType;
        case kFieldFileSubtype:
            return info->dwFileSubtype;
        case kFieldFileDate:
            if (info->dwFileDateMS == 0 && info->dwFileDateLS == 0) return Json();
            return uint64_t{info->dwFileDateMS} << 32 | info->dwFileDateLS;
        default:
            return Json();
    }
}

Json Labelled(uint32_t labelId, std::string text) {
    Json out = Json::object();
    out["label"] = LoadString(labelId);
    out["text"] = std::move(text);
    return out;
}

Json TranslationJson(const CVersionInfo& info, int index) {
    Json out = Json::object();
    out["index"] = index;
    const uint32_t translation = info.GetTranslation();
    Json language =
        Labelled(kLanguageLabelId, LanguageLineText(info.GetLanguageName(), translation));
    language["id"] = translation & 0xFFFF;
    language["code_page"] = translation >> 16;
    language["name"] = info.GetLanguageName();
    out["language"] = std::move(language);
    Json strings = Json::object();
    for (const VersionLabel& label : VersionLabels().subspan(kFixedVersionLabelCount))
        strings[std::string(FieldKeyOf(label.field))] =
            Labelled(label.stringId, info.GetField(label.field));
    out["strings"] = std::move(strings);
    return out;
}

}  // namespace

Json VersionJson(CVersionInfo& info, std::optional<int> translation) {
    Json out = Json::object();
    Json fixed = Json::object();
    const std::optional<FixedFileInfo> numbers = info.GetFixedInfo();
    for (const VersionLabel& label : VersionLabels().first(kFixedVersionLabelCount)) {
        Json field = Labelled(label.stringId, info.GetField(label.field));
        field["value"] = FixedValue(numbers, label.field);
        fixed[std::string(FieldKeyOf(label.field))] = std::move(field);
    }
    out["fixed"] = std::move(fixed);
    Json translations = Json::array();
    if (translation) {
        if (info.SelectTranslation(*translation))
            translations.push_back(TranslationJson(info, *translation));
    } else {
        for (int i = 0; info.SelectTranslation(i); ++i)
            translations.push_back(TranslationJson(info, i));
    }
    out["translations"] = std::move(translations);
    return out;
}

}  // namespace tv::cli
