// Reads the input as the bytes of a stored item-id list and does with it what the folder tree and
// the module list do: count, find and copy its items, rebuild it step by step, name it and order
// it against its parent. Only the namespace's home folder is looked up on disk; the names and
// paths of a list are text work.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "shell/ItemIdList.h"
#include "shell/ShellNamespace.h"

using tv::CShellNamespace;

namespace {

// The first bytes choose the home folder, so that the home item's data can be matched too.
constexpr const char* kHomes[] = {"/", "/home/anna", "/root"};

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView view(data, size);

    // The raw walk: every item it finds lies inside the input, one after the other.
    const size_t count = tv::CountItems(view);
    uint64_t offset = 0;
    for (size_t i = 0; i < count; ++i) {
        const auto item = tv::FindItem(view, i);
        Check(item.has_value());
        Check(view.OffsetOf(item->Data()) == offset);
        Check(item->Size() >= 2 && item->U16(0) == item->Size());
        offset += item->Size();
    }
    Check(!tv::FindItem(view, count));

    const tv::CItemIdList list = tv::CItemIdList::FromBytes(view);
    if (list.IsNull()) {
        Check(!tv::WellFormedListSize(view));
        return 0;
    }
    Check(list.CountItems() == count);
    Check(list.Size() == offset + 2);

    // Rebuilt one copied item at a time, as the tree selects a list, it is the same list.
    tv::CItemIdList rebuilt = tv::CItemIdList::Desktop();
    for (size_t i = 0; i < count; ++i) {
        const tv::CItemIdList piece = tv::CItemIdList::CopyItem(list, i);
        Check(piece.CountItems() == 1);
        rebuilt = tv::CItemIdList::Append(rebuilt, piece);
        Check(rebuilt == list.Prefix(i + 1));
    }
    Check(rebuilt == list);

    const char* home = kHomes[size % (sizeof kHomes / sizeof kHomes[0])];
    CShellNamespace shell{std::string(home)};
    const auto path = shell.IdListToPath(list);
    const std::string shown = shell.GetAbsoluteName(list, false);
    Check(tv::IsValidUtf8(shown));
    if (path) {
        Check(!path->empty() && path->front() == '/');
        Check(shell.GetAbsoluteName(list, true) == *path);
        Check(!shown.empty());
    }
    const tv::CItemIdList parent = list.Parent();
    if (!parent.IsNull()) {
        Check(shell.CompareIDs(parent, list) < 0);
        Check(shell.CompareIDs(list, parent) > 0);
        (void)shell.GetName(parent, tv::CItemIdList::CopyItem(list, count - 1), true);
    }
    Check(shell.CompareIDs(list, list) == 0);
    return 0;
}
