#include "browser/ScanTexts.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "browser/ModuleRows.h"
#include "common/DateText.h"
#include "common/MappedFile.h"
#include "common/NumberText.h"
#include "module/PeFile.h"
#include "module/ResourceDirectory.h"
#include "module/VersionInfo.h"
#include "resources/ResourceProbe.h"
#include "shell/ShellNamespace.h"

namespace tv {

namespace {
// A version block's lengths are 16-bit, so anything larger is not a version resource we can use.
constexpr uint32_t kMaxVersionResourceBytes = 1024 * 1024;
}  // namespace

std::string AttributeLetters(mode_t mode, std::string_view fileName) {
    std::string letters;
    if ((mode & S_IWUSR) == 0) letters += 'R';
    if (!fileName.empty() && fileName.front() == '.') letters += 'H';
    return letters;
}

bool ReadFileFacts(const std::string& path, FileFacts& facts) {
    facts = FileFacts();
    struct statx sx {};
    if (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
              &sx) != 0)
        return false;
    facts.size = sx.stx_size;
    facts.mode = sx.stx_mode;
    facts.modified = sx.stx_mtime.tv_sec;
    facts.accessed = sx.stx_atime.tv_sec;
    facts.created = (sx.stx_mask & STATX_BTIME) != 0 ? sx.stx_btime.tv_sec : sx.stx_ctime.tv_sec;
    return true;
}

ScanCells DetailsTexts(std::string_view typeName, bool folder, std::string_view name,
                       const FileFacts* facts) {
    ScanCells cells;
    cells.push_back({2, std::string(typeName)});
    if (folder || facts == nullptr) return cells;
    cells.push_back({3, AttributeLetters(facts->mode, name)});
    CNumberText size;
    size.FormatByteSize(facts->size);
    cells.push_back({1, size.GetText()});
    cells.push_back({4, FileTimeTextFromUnix(facts->created)});
    cells.push_back({5, FileTimeTextFromUnix(facts->modified)});
    cells.push_back({6, FileTimeTextFromUnix(facts->accessed)});
    return cells;
}

ScanCells VersionTexts(const std::string& path) {
    // Only the version resource is read, as the version reader would choose it: name 1, else the
    // first name, in the language the lookup rule picks.
    std::optional<std::vector<uint8_t>> bytes;
    CResourceProbe probe;
    if (probe.Open(path)) {
        uint32_t error = 0;
        const ResourceLeaf* leaf = ChooseVersionResource(probe.Directory(), error);
        if (leaf != nullptr) bytes = probe.ReadData(*leaf, kMaxVersionResourceBytes);
    }
    ScanCells cells{{1, {}}, {2, {}}, {3, {}}};
    if (!bytes) return cells;
    const CVersionInfo info =
        CVersionInfo::FromResource(CByteView(bytes->data(), bytes->size()), path);
    cells[0].text = info.GetField(kFieldProductVersion);
    cells[1].text = info.GetField(kFieldFileDescription);
    cells[2].text = info.GetField(kFieldLegalCopyright);
    return cells;
}

bool CountResources(const std::string& path, ResourceCounts& counts) {
    counts = ResourceCounts();
    CResourceProbe probe;
    if (!probe.Open(path)) return false;
    const CResourceDirectory& directory = probe.Directory();
    for (const ResourceTypeNode& type : directory.Types()) {
        const int names = static_cast<int>(directory.Names(type).size());
        counts.total += names;
        if (type.id.isName) continue;
        switch (type.id.number) {
            case kRtBitmap:
                counts.bitmaps += names;
                break;
            case kRtDialog:
                counts.dialogs += names;
                break;
            case kRtCursor:
                counts.cursors += names;
                break;
            case kRtIcon:
                counts.icons += names;
                break;
            case kRtMenu:
                counts.menus += names;
                break;
            case kRtString:
                counts.strings += names;
                break;
            case kRtVersion:
                counts.versions += names;
                break;
            default:
                break;
        }
    }
    return true;
}

ScanCells ResourceTexts(const ResourceCounts& counts) {
    ScanCells cells;
    int rest = counts.total;
    const int byColumn[] = {counts.bitmaps, counts.dialogs, counts.cursors, counts.icons,
                            counts.menus,   counts.strings, counts.versions};
    for (int i = 0; i < 7; ++i) {
        if (byColumn[i] <= 0) continue;
        cells.push_back({i + 1, std::to_string(byColumn[i])});
        rest -= byColumn[i];
    }
    if (rest > 0) cells.push_back({8, std::to_string(rest)});
    return cells;
}

ScanCells ResourceTexts(const std::string& path) {
    ResourceCounts counts;
    if (!CountResources(path, counts)) return {};
    return ResourceTexts(counts);
}

ScanCells ScanRowTexts(uint32_t mode, const ScanRow& row, CShellNamespace& shell) {
    return ScanRowTexts(mode, row,
                        [&shell](const ScanRow& r) { return shell.GetTypeName(r.idList); });
}

std::string ScanProgressText(uint64_t done, uint64_t total) {
    CNumberText doneText;
    CNumberText totalText;
    doneText.FormatUnsigned(done);
    totalText.FormatUnsigned(total);
    return "Details: " + doneText.GetText() + " von " + totalText.GetText();
}

ScanCells ScanRowTexts(uint32_t mode, const ScanRow& row, const TypeNameOf& typeName) {
    switch (mode) {
        case kModeDetails: {
            const std::string type = typeName ? typeName(row) : std::string();
            const size_t slash = row.path.rfind('/');
            const std::string_view name = slash == std::string::npos
                                              ? std::string_view(row.path)
                                              : std::string_view(row.path).substr(slash + 1);
            FileFacts facts;
            const bool found = !row.folder && ReadFileFacts(row.path, facts);
            return DetailsTexts(type, row.folder, name, found ? &facts : nullptr);
        }
        case kModeVersionDetails:
            return VersionTexts(row.path);
        case kModeResourceDetails:
            return ResourceTexts(row.path);
        default:
            return {};
    }
}

}  // namespace tv
