// Reads the input as a module and, once more, as the bytes of a version resource itself, and asks
// for every field of every translation, as the resources window and the module list do.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "module/VersionBlock.h"
#include "module/VersionInfo.h"

using tv::CVersionInfo;

namespace {

void ReadEverything(CVersionInfo& info) {
    for (const auto& label : tv::VersionLabels())
        if (!tv::IsValidUtf8(info.GetField(label.field))) std::abort();
    for (int i = 0; info.SelectTranslation(i); ++i) {
        if (i >= info.GetTranslationCount()) std::abort();
        (void)tv::LanguageLineText(info.GetLanguageName(), info.GetTranslation());
        for (const auto& label : tv::VersionLabels())
            if (!tv::IsValidUtf8(info.GetField(label.field))) std::abort();
    }
}

// Every block of the tree, each inside its parent.
void Walk(const tv::CVersionBlock& block, int depth) {
    if (depth > 16) return;
    for (tv::CVersionBlock child = block.FirstChild(); child.IsValid();
         child = child.NextSibling()) {
        if (child.Offset() < block.Offset() || child.End() > block.End()) std::abort();
        (void)child.Key();
        (void)child.TextValue();
        (void)child.BinaryValue();
        Walk(child, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView view(data, size);
    CVersionInfo module;
    module.LoadModule(view, "fuzz");
    ReadEverything(module);

    CVersionInfo resource;
    resource.LoadResource(view, "fuzz");
    ReadEverything(resource);
    const tv::CVersionResource tree(view);
    if (tree.Root().IsValid()) {
        if (tree.Root().End() > size) std::abort();
        Walk(tree.Root(), 0);
    }
    return 0;
}
