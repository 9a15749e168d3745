// The texts the details scan writes into one row of the module list, per report mode. Each
// function opens what it needs itself and keeps nothing, so that a scan thread can call them with
// objects of its own while the user interface goes on.
#pragma once

#include <sys/types.h>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ItemIdList.h"

namespace tv {

class CShellNamespace;

// One cell the scan writes: the column and its text. Cells the scan leaves alone are not listed,
// so a row's cells start empty at every fill and stay empty where nothing is known.
struct ScanCell {
    int column = 0;
    std::string text;

    friend bool operator==(const ScanCell&, const ScanCell&) = default;
};
using ScanCells = std::vector<ScanCell>;

// The row record the scan works from: the file-system path of the row's item (raw bytes), its
// absolute id list, and whether it is a folder.
struct ScanRow {
    std::string path;
    CItemIdList idList;
    bool folder = false;
};

// The attribute letters of a file, in the order R, A, S, H. On Linux: R when the owner may not
// write the file (the mode bits, as a copy to another system would keep it), H for names that
// start with "." (what file managers hide). A (archive) and S (system) have no Linux meaning and
// are never set.
[[nodiscard]] std::string AttributeLetters(mode_t mode, std::string_view fileName);

// What the details mode needs to know of a file: size, the three times, and the mode bits.
struct FileFacts {
    uint64_t size = 0;
    int64_t created = 0;   // the birth time where the file system keeps one, else the status change
    int64_t modified = 0;  // seconds since 1970, UTC
    int64_t accessed = 0;
    mode_t mode = 0;
};
// Reads the facts of path, following links as opening the file would; false when it is gone.
[[nodiscard]] bool ReadFileFacts(const std::string& path, FileFacts& facts);

// Details mode: column 2 the type name (folders too); for a file found, column 3 the attribute
// letters, 1 the size as a byte-size text (64-bit), 4, 5 and 6 the creation, last write and last
// access times as file time texts.
[[nodiscard]] ScanCells DetailsTexts(std::string_view typeName, bool folder, std::string_view name,
                                     const FileFacts* facts);

// Version mode: "ProductVersion", "FileDescription" and "LegalCopyright" of the first
// translation into columns 1 to 3, each written also when empty.
[[nodiscard]] ScanCells VersionTexts(const std::string& path);

// The counts of the resource mode: single resources (one per type and name) of the seven types
// with a column, and all of them together.
struct ResourceCounts {
    int bitmaps = 0;   // type 2
    int dialogs = 0;   // 5
    int cursors = 0;   // 1
    int icons = 0;     // 3
    int menus = 0;     // 4
    int strings = 0;   // 6
    int versions = 0;  // 16
    int total = 0;
};
// Counts by walking only the resource directory of the mapped file. Types and names numbered 0 are
// left out, as the resource window leaves them out. False when the file is not a module or has no
// resources.
[[nodiscard]] bool CountResources(const std::string& path, ResourceCounts& counts);

// Resource mode: the counts into columns 1 to 7 ("%d", only when above 0), the rest ("Sonstiges":
// groups and every other type) into column 8 when above 0. Nothing for a file that cannot be
// opened as a module.
[[nodiscard]] ScanCells ResourceTexts(const ResourceCounts& counts);
[[nodiscard]] ScanCells ResourceTexts(const std::string& path);

// The cells of one row in a mode; nothing in the modes without detail columns. The type name of
// the details mode is shell's, from the row's id list.
[[nodiscard]] ScanCells ScanRowTexts(uint32_t mode, const ScanRow& row, CShellNamespace& shell);
// The same with the type name from typeName (the user interface's, which also knows the
// desktop's file types); it is asked on the scan's thread.
using TypeNameOf = std::function<std::string(const ScanRow& row)>;
[[nodiscard]] ScanCells ScanRowTexts(uint32_t mode, const ScanRow& row, const TypeNameOf& typeName);

// The status bar's note while a scan runs: "Details: 1.234 von 18.005", German separators
// whatever the locale.
[[nodiscard]] std::string ScanProgressText(uint64_t done, uint64_t total);

}  // namespace tv
