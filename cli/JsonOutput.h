// The --json form of tarnview-cli's commands: one document per run on standard output, its
// layout fixed in docs/cli-json.md. Keys are only ever added; a script that reads
// schema_version 1 keeps working with every later version.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "module/ModuleNote.h"
#include "module/ReportTree.h"

namespace tv {
class CVersionInfo;
}

namespace tv::cli {

// Insertion order is kept, so documents read in the order the schema lists their keys.
using Json = nlohmann::ordered_json;

inline constexpr int kJsonSchemaVersion = 1;

// Removes the first "--json" from args; true when there was one.
bool TakeJsonFlag(std::vector<std::string>& args);

// A document with its first two keys, schema_version and command.
[[nodiscard]] Json JsonDocument(std::string_view command);
// Writes document to standard output, followed by a line feed. Bytes that are not UTF-8 (file
// names, library names as a module stores them) become U+FFFD instead of failing the encoder.
void PrintJson(const Json& document);

// The stable identifier of a note's kind, e.g. "functions_cut".
[[nodiscard]] std::string_view NoteKindName(NoteKind kind) noexcept;
// [{"kind", "text", "where", "values"}...] in the order given.
[[nodiscard]] Json NotesJson(std::span<const ModuleNote> notes);
// {"id": 5} or {"name": "ABOUT"}.
[[nodiscard]] Json ResourceIdJson(const CResourceId& id);
// {"value": number, "text": the display form}.
[[nodiscard]] Json ValueText(uint64_t value, std::string text);
// The lines of a report as nested nodes: kind, text, what the kind carries, children.
[[nodiscard]] Json ReportTreeJson(const CReportTree& tree);

// The version texts typed: "fixed" (the eight fixed fields) and "translations" (every one, or
// only index translation). Moves info's selection.
[[nodiscard]] Json VersionJson(CVersionInfo& info, std::optional<int> translation = {});

}  // namespace tv::cli
