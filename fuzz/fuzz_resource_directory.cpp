// Walks the resource directory of the input module and checks what the reader hands out: every
// name and language where the arrays say, every data view inside the input, lookups that agree
// with the walk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/ByteView.h"
#include "module/PeFile.h"
#include "module/ResourceDirectory.h"

namespace {
// Lookups and name decoding are linear, so only the first types and names are checked one by
// one; the walk over every leaf covers the rest.
constexpr size_t kTypeChecks = 64;
constexpr size_t kLookupChecks = 512;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView view(data, size);
    tv::CPeFile pe;
    if (!pe.Parse(view)) return 0;
    tv::CResourceDirectory dir;
    if (!dir.Read(pe)) {
        if (!dir.Types().empty()) std::abort();
        return 0;
    }
    size_t types = 0;
    size_t names = 0;
    unsigned sum = 0;
    for (const auto& type : dir.Types()) {
        const bool checkType = ++types <= kTypeChecks;
        tv::CResourceId typeId;
        bool typeFound = false;
        if (checkType) {
            (void)dir.ToText(type.id);
            typeId = dir.ToId(type.id);
            if (!dir.Matches(type.id, typeId)) std::abort();
            if (dir.CountOfType(typeId) < type.nameCount) std::abort();
            typeFound = dir.FindType(typeId) == &type;
        }
        for (const auto& name : dir.Names(type)) {
            ++names;
            for (const auto& leaf : dir.Languages(name)) {
                if (!leaf.hasData || leaf.data.Empty()) continue;
                const auto offset = view.OffsetOf(leaf.data.Data());
                if (leaf.data.Size() != leaf.dataSize || !offset ||
                    !tv::InRange(*offset, leaf.data.Size(), size))
                    std::abort();
                for (size_t i = 0; i < leaf.data.Size(); ++i)
                    sum += leaf.data.Data()[i];
            }
            if (names > kLookupChecks) continue;
            const tv::CResourceId nameId = dir.ToId(name.id);
            (void)dir.ToText(name.id);
            // The lookup finds this name unless an earlier one of the same identifiers hides it;
            // then it must choose one of the name's own languages.
            if (typeFound && dir.FindName(type, nameId) == &name) {
                const tv::ResourceLeaf* chosen = dir.Find(typeId, nameId);
                const auto languages = dir.Languages(name);
                if (languages.empty() != (chosen == nullptr)) std::abort();
                if (chosen &&
                    (chosen < languages.data() || chosen >= languages.data() + languages.size()))
                    std::abort();
            }
        }
    }
    if (names != dir.NameCount() || dir.NameCount() > tv::CResourceDirectory::kMaxEntries)
        std::abort();
    // The kept notes, the count of those left out, and the budget's own note.
    if (dir.Diagnostics().size() > tv::CResourceDirectory::kMaxDiagnostics + 2) std::abort();
    (void)sum;
    return 0;
}
