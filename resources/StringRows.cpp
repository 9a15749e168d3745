#include "resources/StringRows.h"

#include <cstdio>

#include "common/TextCodec.h"
#include "res/StringTable.h"
#include "resources/DumpText.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

namespace tv {

namespace {

constexpr uint32_t kCountStringId = 2075;  // "%u String(s)"

// The list's escapes, and with quotes also the doubled quote of the resource script.
std::string Escape(std::string_view text, bool quotes) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '"':
                out += quotes ? "\"\"" : "\"";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

bool DecodeStringBlock(CByteView data, std::vector<std::string>& strings) {
    CByteReader reader(data);
    bool whole = true;
    for (size_t i = 0; i < kStringsPerBlock; ++i) {
        if (!whole) {
            strings.emplace_back();
            continue;
        }
        const uint16_t count = reader.U16();
        const uint64_t start = reader.Position();
        reader.Skip(uint64_t{count} * 2);
        if (!reader.Ok()) {
            // A count or units past the end of the data: this string and the ones after it are
            // lost, the ones before stay.
            whole = false;
            strings.emplace_back();
            continue;
        }
        strings.push_back(count == 0 ? std::string() : *data.Utf16Counted(start, count));
    }
    return whole;
}

uint32_t StringBlockNumber(const CResourceId& block) noexcept {
    return block.IsName() ? 1u : block.GetNumber();
}

uint32_t StringIdOf(uint32_t block, size_t index) noexcept {
    // Block 0 only occurs in damaged directories; its ids wrap as 32-bit values do.
    return (block - 1u) * 16u + static_cast<uint32_t>(index);
}

std::string StringIdText(uint32_t id, bool hex) {
    char text[16];
    std::snprintf(text, sizeof text, hex ? "0x%04x" : "%u", id);
    return text;
}

std::string StringDisplayText(std::string_view text) { return Escape(text, false); }

std::string StringExportText(std::string_view text) { return Escape(text, true); }

std::string StringBlockText(uint32_t block, const std::vector<std::string>& strings, bool script) {
    std::string out;
    if (script) out += "STRINGTABLE DISCARDABLE\r\nBEGIN\r\n";
    for (size_t i = 0; i < strings.size(); ++i) {
        if (strings[i].empty()) continue;
        if (script) {
            out += '\t';
            out += StringIdText(StringIdOf(block, i), false);
            out += "\t\"";
            out += StringExportText(strings[i]);
            out += "\"\r\n";
        } else {
            out += StringExportText(strings[i]);
            out += "\r\n";
        }
    }
    if (script) out += "END\r\n\r\n";
    return out;
}

void ForEachNumberedStringBlock(
    const CResourceDirectory& directory,
    const std::function<void(uint16_t block, const ResourceLeaf* leaf)>& visit) {
    const CResourceId stringType(kRtString);
    for (const ResourceTypeNode& type : directory.Types()) {
        if (!directory.Matches(type.id, stringType)) continue;
        for (const ResourceNameNode& name : directory.Names(type)) {
            // Block 0 is no block: the catalog does not list it (see CResourceCatalog).
            if (name.id.isName || name.id.number == 0) continue;
            visit(name.id.number, directory.ChooseLanguage(name));
        }
    }
}

void AppendStringRows(uint32_t block, const std::vector<std::string>& strings, bool hex,
                      std::vector<StringRow>& rows) {
    for (size_t i = 0; i < strings.size(); ++i) {
        if (strings[i].empty()) continue;
        StringRow row;
        row.id = StringIdOf(block, i);
        row.idText = StringIdText(row.id, hex);
        row.text = StringDisplayText(strings[i]);
        rows.push_back(std::move(row));
    }
}

std::string StringCountText(size_t count) {
    std::string text(LoadString(kCountStringId));
    const size_t at = text.find("%u");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(count));
    return text;
}

StringRowList StringRowsOfBlock(const CResourceCatalog& catalog, const CResourceId& block,
                                bool hex) {
    StringRowList list;
    std::vector<std::string> strings;
    if (catalog.LoadStringBlock(block, strings))
        AppendStringRows(StringBlockNumber(block), strings, hex, list.rows);
    list.countText = StringCountText(list.rows.size());
    return list;
}

StringRowList StringRowsOfAllTables(const CResourceCatalog& catalog, bool hex) {
    StringRowList list;
    std::vector<std::string> strings;
    ForEachNumberedStringBlock(catalog.GetDirectory(),
                               [&](uint16_t block, const ResourceLeaf* leaf) {
                                   if (!leaf || !leaf->hasData) return;
                                   strings.clear();
                                   (void)DecodeStringBlock(leaf->data, strings);
                                   AppendStringRows(block, strings, hex, list.rows);
                               });
    list.countText = StringCountText(list.rows.size()) + " - " +
                     ByteCountText(catalog.SizeOfType(CResourceId(kRtString)));
    return list;
}

}  // namespace tv
