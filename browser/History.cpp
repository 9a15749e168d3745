#include "browser/History.h"

namespace tv {

bool HasParentFolder(const CItemIdList* selected) noexcept {
    return selected && selected->CountItems() >= 2;
}

CItemIdList ParentFolder(const CItemIdList& selected) {
    if (!HasParentFolder(&selected)) return CItemIdList();
    return selected.Parent();
}

}  // namespace tv
