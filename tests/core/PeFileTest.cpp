// The header parser against damaged and unusual headers, and the RVA rules everything else
// builds on (an RVA counts only inside a section's file data, the first section wins).
#include "module/PeFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/ErrorCodes.h"
#include "support/PeBuilder.h"

namespace {

using tv::CByteView;
using tv::CPeFile;
using tvtest::PeBuilder;
using tvtest::PeLayout;
using tvtest::SectionDesc;
namespace pe = tvtest::pe;

CByteView View(const std::vector<uint8_t>& bytes) { return CByteView(bytes.data(), bytes.size()); }

bool HasNoteContaining(const CPeFile& file, const std::string& part) {
    for (const auto& note : file.Diagnostics()) {
        if (tv::NoteText(note).find(part) != std::string::npos) return true;
    }
    return false;
}

SectionDesc Section(std::string name, uint32_t va, uint32_t raw, uint32_t rawSize,
                    std::vector<uint8_t> data) {
    SectionDesc s;
    s.name = std::move(name);
    s.characteristics = pe::kReadOnlyDataSection;
    s.data = std::move(data);
    s.virtualAddress = va;
    s.pointerToRawData = raw;
    s.sizeOfRawData = rawSize;
    return s;
}

TEST(PeFileTest, ReadsBothOptionalHeaderLayouts) {
    const auto pe32 = PeBuilder::Pe32()
                          .ImageBase(0x10000000)
                          .StackSizes(0x200000, 0x2000)
                          .Subsystem(pe::kSubsystemWindowsCui)
                          .AddSection(".text", pe::kTextSection, {0xC3})
                          .AddSection(".data", pe::kDataSection, {1, 2, 3})
                          .Build();
    CPeFile a;
    ASSERT_TRUE(a.Parse(View(pe32)));
    EXPECT_EQ(a.File().Machine, pe::kMachineI386);
    EXPECT_FALSE(a.Optional().Is64());
    EXPECT_EQ(a.Optional().ImageBase, 0x10000000u);
    EXPECT_NE(a.Optional().BaseOfData, 0u);
    EXPECT_EQ(a.Optional().SizeOfStackReserve, 0x200000u);
    EXPECT_EQ(a.Optional().Subsystem, pe::kSubsystemWindowsCui);
    EXPECT_EQ(a.Optional().NumberOfRvaAndSizes, 16u);
    ASSERT_EQ(a.Sections().size(), 2u);
    EXPECT_EQ(a.Sections()[1].Name, ".data");
    EXPECT_TRUE(a.Diagnostics().empty());

    // The 64-bit layout: ImageBase takes BaseOfData's place, the sizes are eight bytes wide.
    const auto pe64 = PeBuilder::Pe32Plus()
                          .ImageBase(0x7FF612340000)
                          .StackSizes(0x123456789A, 0x1000)
                          .HeapSizes(0x100000, 0xABCDEF0123)
                          .LoaderFlags(7)
                          .AddSection(".text", pe::kTextSection, {0xC3})
                          .Build();
    CPeFile b;
    ASSERT_TRUE(b.Parse(View(pe64)));
    EXPECT_TRUE(b.Optional().Is64());
    EXPECT_EQ(b.Optional().ImageBase, 0x7FF612340000u);
    EXPECT_EQ(b.Optional().BaseOfData, 0u);
    EXPECT_EQ(b.Optional().SizeOfStackReserve, 0x123456789Au);
    EXPECT_EQ(b.Optional().SizeOfHeapCommit, 0xABCDEF0123u);
    EXPECT_EQ(b.Optional().LoaderFlags, 7u);
    EXPECT_EQ(b.Optional().NumberOfRvaAndSizes, 16u);
}

TEST(PeFileTest, FilesThatAreNotModulesAreRefusedWithBadFormat) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {},
        tvtest::JustMz(),
        tvtest::MzWithoutPe(),
        tvtest::PeSignaturePastEnd(),
        tvtest::MzWithLfanew(-4, 256),
        tvtest::MzWithLfanew(INT32_MIN, 256),
        tvtest::MzWithLfanew(125, 128),  // the signature would straddle the end
    };
    for (size_t i = 0; i < inputs.size(); ++i) {
        CPeFile file;
        EXPECT_FALSE(file.Parse(View(inputs[i]))) << "input " << i;
        EXPECT_EQ(file.GetErrorCode(), tv::kErrorBadExeFormat) << "input " << i;
        EXPECT_FALSE(file.IsValid());
    }

    // Cut inside the file header, or right after it where the magic should be.
    PeLayout layout;
    const auto good = PeBuilder::Pe32().Build(&layout);
    for (size_t size : {layout.fileHeader + 10, layout.optionalHeader, layout.optionalHeader + 1}) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        CPeFile file;
        EXPECT_FALSE(file.Parse(View(cut))) << "cut at " << size;
    }
}

TEST(PeFileTest, OddLfanewStillFindsTheHeaders) {
    // Headers at an odd offset (packers do this) are read byte by byte like any others.
    const auto bytes = PeBuilder::Pe32().Lfanew(0x81).Build();
    CPeFile file;
    ASSERT_TRUE(file.Parse(View(bytes)));
    EXPECT_EQ(file.NtHeadersOffset(), 0x81u);
    EXPECT_EQ(file.Dos().e_lfanew, 0x81);
}

TEST(PeFileTest, OptionalHeaderIsReadAtItsPlaceWhateverSizeOfOptionalHeaderSays) {
    PeLayout layout;
    auto bytes = PeBuilder::Pe32()
                     .Subsystem(pe::kSubsystemWindowsCui)
                     .AddSection(".text", pe::kTextSection, {0xC3})
                     .Build(&layout);
    const size_t sizeField = layout.fileHeader + pe::kFileSizeOfOptionalHeader;

    // Smaller than the layout: the fields are still there (the loader reads them), only the
    // section table is looked for earlier, where it overlaps the data directories.
    auto small = bytes;
    tvtest::Patch16(small, sizeField, 96);
    CPeFile a;
    ASSERT_TRUE(a.Parse(View(small)));
    EXPECT_EQ(a.Optional().Subsystem, pe::kSubsystemWindowsCui);
    EXPECT_EQ(a.Optional().NumberOfRvaAndSizes, 16u);
    EXPECT_EQ(a.SectionTableOffset(), layout.optionalHeader + 96);
    EXPECT_TRUE(HasNoteContaining(a, "SizeOfOptionalHeader (96)"));

    // Zero: the section table starts right at the optional header.
    auto zero = bytes;
    tvtest::Patch16(zero, sizeField, 0);
    CPeFile b;
    ASSERT_TRUE(b.Parse(View(zero)));
    EXPECT_EQ(b.Optional().Magic, pe::kMagicPe32);
    EXPECT_EQ(b.SectionTableOffset(), layout.optionalHeader);

    // Huge: the section table lies past the end of the file, so there are no sections.
    auto huge = bytes;
    tvtest::Patch16(huge, sizeField, 0xFFFF);
    CPeFile c;
    ASSERT_TRUE(c.Parse(View(huge)));
    EXPECT_TRUE(c.Sections().empty());
    EXPECT_TRUE(HasNoteContaining(c, "Abschnittstabelle"));
    EXPECT_EQ(c.Optional().Subsystem, pe::kSubsystemWindowsCui);
}

TEST(PeFileTest, DataDirectoriesFollowNumberOfRvaAndSizes) {
    PeLayout layout;
    auto bytes = PeBuilder::Pe32()
                     .Dll()
                     .Export(1, "Only", 0x1000)
                     .AddImport("KERNEL32.dll", {"GetTickCount"})
                     .Build(&layout);
    CPeFile full;
    ASSERT_TRUE(full.Parse(View(bytes)));
    ASSERT_NE(full.GetDataDirectory(tv::kDirImport).VirtualAddress, 0u);
    EXPECT_EQ(full.DataDirectoryOffset(1), layout.DataDirectoryEntry(1));
    EXPECT_FALSE(full.DataDirectoryOffset(16));

    // Only the export entry counts: the import entry's bytes are still there, but the loader
    // does not look at them.
    auto one = bytes;
    tvtest::Patch32(one, layout.optionalHeader + pe::kOpt32NumberOfRvaAndSizes, 1);
    CPeFile a;
    ASSERT_TRUE(a.Parse(View(one)));
    EXPECT_NE(a.GetDataDirectory(tv::kDirExport).VirtualAddress, 0u);
    EXPECT_EQ(a.GetDataDirectory(tv::kDirImport).VirtualAddress, 0u);
    EXPECT_FALSE(a.DataDirectoryOffset(1));

    // A huge count reads the sixteen entries there are and nothing beyond.
    auto huge = bytes;
    tvtest::Patch32(huge, layout.optionalHeader + pe::kOpt32NumberOfRvaAndSizes, 0xFFFFFFFF);
    CPeFile b;
    ASSERT_TRUE(b.Parse(View(huge)));
    EXPECT_EQ(b.GetDataDirectory(tv::kDirImport).VirtualAddress,
              full.GetDataDirectory(tv::kDirImport).VirtualAddress);
    EXPECT_EQ(b.GetDataDirectory(99).VirtualAddress, 0u);
}

TEST(PeFileTest, OptionalHeaderCutByTheEndOfTheFile) {
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32().Subsystem(3).Build(&layout);
    // Cut in the middle of the data directories: the fields before are read, the rest is zero.
    std::vector<uint8_t> cut(
        bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(layout.dataDirectories + 12));
    CPeFile file;
    ASSERT_TRUE(file.Parse(View(cut)));
    EXPECT_EQ(file.Optional().Subsystem, 3u);
    EXPECT_TRUE(file.DataDirectoryOffset(0));
    EXPECT_FALSE(file.DataDirectoryOffset(1));
    EXPECT_TRUE(HasNoteContaining(file, "optionale Kopf"));
    EXPECT_TRUE(file.Sections().empty());
}

TEST(PeFileTest, SectionTableCutShortKeepsTheWholeHeaders) {
    PeLayout layout;
    auto bytes = PeBuilder::Pe32()
                     .AddSection(".a", pe::kDataSection, {1})
                     .AddSection(".b", pe::kDataSection, {2})
                     .Build(&layout);
    tvtest::Patch16(bytes, layout.fileHeader + pe::kFileNumberOfSections, 0xFFFF);
    std::vector<uint8_t> cut(bytes.begin(),
                             bytes.begin() + static_cast<std::ptrdiff_t>(layout.sectionTable + 60));
    CPeFile file;
    ASSERT_TRUE(file.Parse(View(cut)));
    ASSERT_EQ(file.Sections().size(), 1u);
    EXPECT_EQ(file.Sections()[0].Name, ".a");
    EXPECT_EQ(file.File().NumberOfSections, 0xFFFF);
    EXPECT_TRUE(HasNoteContaining(file, "(1 von 65535"));
}

TEST(PeFileTest, RvaCountsOnlyInsideASectionsFileData) {
    // .a: VA 0x1000, 0x200 bytes of file data with a virtual size twice that.
    // .b: SizeOfRawData 0 (uninitialised data). .c and .d overlap; .c comes first in the table.
    std::vector<uint8_t> a(0x200, 0xAA);
    a[0x1FF] = 0xAB;
    SectionDesc first = Section(".a", 0x1000, 0x400, 0x200, a);
    first.virtualSize = 0x400;
    const auto bytes =
        PeBuilder::Pe32()
            .AddSection(first)
            .AddSection(Section(".b", 0x2000, 0, 0, {}))
            .AddSection(Section(".c", 0x3000, 0x600, 0x200, std::vector<uint8_t>(0x200, 0xCC)))
            .AddSection(Section(".d", 0x3100, 0x800, 0x200, std::vector<uint8_t>(0x200, 0xDD)))
            .Build();
    CPeFile file;
    ASSERT_TRUE(file.Parse(View(bytes)));

    EXPECT_EQ(file.RvaToOffset(0x1000), 0x400u);
    EXPECT_EQ(file.RvaToOffset(0x11FF), 0x5FFu);
    EXPECT_FALSE(file.RvaToOffset(0x1200)) << "past the file data, inside the virtual size";
    EXPECT_FALSE(file.RvaToOffset(0x0FFF));
    EXPECT_FALSE(file.RvaToOffset(0x10)) << "header RVAs lie in no section";
    EXPECT_FALSE(file.RvaToOffset(0x2000)) << "a section without file data holds nothing";
    EXPECT_EQ(file.RvaToTail(0x11FF).Size(), 1u);
    EXPECT_EQ(file.RvaToTail(0x11FF).U8(0), 0xAB);
    EXPECT_TRUE(file.RvaToView(0x11FC, 4));
    EXPECT_FALSE(file.RvaToView(0x11FD, 4)) << "a read may not run into the next section's data";

    // Overlap: the first section in table order wins, as with the image-help library.
    EXPECT_EQ(file.SectionOfRva(0x3150)->Name, ".c");
    EXPECT_EQ(file.RvaToTail(0x3150).U8(0), 0xCC);
    EXPECT_EQ(file.SectionOfRva(0x3250)->Name, ".d");
}

TEST(PeFileTest, SectionFieldsThatPointOutsideAreRefused) {
    PeLayout layout;
    auto bytes = PeBuilder::Pe32()
                     .AddSection(".far", pe::kDataSection, std::vector<uint8_t>(0x200, 1))
                     .AddSection(".wrap", pe::kDataSection, std::vector<uint8_t>(0x200, 2))
                     .Build(&layout);
    const auto& far = layout.sections[0];
    const auto& wrap = layout.sections[1];
    tvtest::Patch32(bytes, far.header + pe::kSecPointerToRawData, 0x7FFFFF00);
    tvtest::Patch32(bytes, wrap.header + pe::kSecVirtualAddress, 0xFFFFF000);
    tvtest::Patch32(bytes, wrap.header + pe::kSecSizeOfRawData, 0x10000);
    CPeFile file;
    ASSERT_TRUE(file.Parse(View(bytes)));
    EXPECT_FALSE(file.RvaToOffset(far.virtualAddress)) << "raw data past the end of the file";
    EXPECT_TRUE(file.RvaToTail(far.virtualAddress).Empty());
    EXPECT_FALSE(file.StringAtRva(far.virtualAddress));
    // VirtualAddress + SizeOfRawData wraps: the section still holds only what follows its start,
    // and reads stop at the end of the file.
    EXPECT_EQ(file.SectionOfRva(0xFFFFFFFF)->Name, ".wrap");
    EXPECT_FALSE(file.SectionOfRva(0x10));
    EXPECT_EQ(file.RvaToTail(0xFFFFF000).Size(), bytes.size() - wrap.pointerToRawData);
}

TEST(PeFileTest, StringsStayInsideTheirSection) {
    std::vector<uint8_t> data = {'o', 'k', 0, 'r', 'u', 'n', 's', 'o', 'n'};
    data.resize(0x200, 'x');
    const auto bytes =
        PeBuilder::Pe32()
            .AddSection(Section(".s", 0x1000, 0x400, 0x200, data))
            .AddSection(Section(".t", 0x1200, 0x600, 0x200, std::vector<uint8_t>(0x200, 0)))
            .Build();
    CPeFile file;
    ASSERT_TRUE(file.Parse(View(bytes)));
    EXPECT_EQ(file.StringAtRva(0x1000)->bytes, "ok");
    EXPECT_FALSE(file.StringAtRva(0x1000)->cut);
    // No terminator before the section's data ends, though a zero follows in the next one.
    EXPECT_TRUE(file.StringAtRva(0x1003)->cut);
    EXPECT_EQ(file.StringAtRva(0x1003)->bytes.size(), 0x200u - 3);
    EXPECT_EQ(file.StringAtRva(0x1003, 6)->bytes, "runson");
    EXPECT_TRUE(file.StringAtRva(0x1003, 6)->cut);
    EXPECT_FALSE(file.StringAtRva(0x5000));
}

TEST(PeFileTest, ExportDirectoryAndImportDescriptorsAreReadInPlace) {
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32()
                           .Dll()
                           .ExportDllName("x.dll")
                           .ExportBase(5)
                           .Export(5, "A", 0x1000)
                           .Export(7, "B", 0x1010)
                           .AddImport("ONE.dll", {"f"})
                           .AddImport("TWO.dll", {"g"})
                           .Build(&layout);
    CPeFile file;
    ASSERT_TRUE(file.Parse(View(bytes)));
    const auto exp = file.ExportDirectoryAt(layout.exportDirectory.rva);
    ASSERT_TRUE(exp);
    EXPECT_EQ(exp->Base, 5u);
    EXPECT_EQ(exp->NumberOfFunctions, 3u);
    EXPECT_EQ(exp->NumberOfNames, 2u);
    EXPECT_EQ(exp->AddressOfFunctions, layout.exportAddressTable.rva);
    EXPECT_EQ(exp->fileOffset, layout.exportDirectory.offset);
    EXPECT_EQ(file.StringAtRva(exp->Name)->bytes, "x.dll");
    EXPECT_FALSE(file.ExportDirectoryAt(0x10));

    const auto imports = file.ImportDescriptorsAt(layout.importDirectory.rva);
    ASSERT_TRUE(imports);
    const auto* section = layout.FindSection(".idata");
    ASSERT_NE(section, nullptr);
    // Count reaches to the end of the section's data, not only to the terminator.
    EXPECT_EQ(imports->Count(),
              (section->virtualAddress + section->sizeOfRawData - layout.importDirectory.rva) / 20);
    const auto second = imports->At(1);
    ASSERT_TRUE(second);
    EXPECT_EQ(file.StringAtRva(second->Name)->bytes, "TWO.dll");
    EXPECT_EQ(second->fileOffset, layout.imports[1].descriptor);
    EXPECT_FALSE(second->IsTerminator());
    EXPECT_TRUE(imports->At(2)->IsTerminator());
    EXPECT_FALSE(imports->At(imports->Count()));

    // The descriptor needs 20 whole bytes in the section's data.
    const uint32_t end = section->virtualAddress + section->sizeOfRawData;
    EXPECT_FALSE(file.ImportDescriptorsAt(end - 19));
    EXPECT_TRUE(file.ImportDescriptorsAt(end - 20));
}

TEST(PeFileTest, LooksLikePeChecksOnlyTheSignatures) {
    EXPECT_TRUE(tv::LooksLikePe(View(PeBuilder::Pe32().Build())));
    EXPECT_FALSE(tv::LooksLikePe(View(tvtest::MzWithoutPe())));
    EXPECT_FALSE(tv::LooksLikePe(View(tvtest::JustMz())));
    EXPECT_FALSE(tv::LooksLikePe(CByteView()));
}

}  // namespace
