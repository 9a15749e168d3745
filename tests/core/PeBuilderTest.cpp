// The fixture builder is checked by reading its output back with the bounded reader, walking the
// headers and tables from the bytes alone, and once more with objdump as an outside judge.
#include "support/PeBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ByteView.h"

namespace {

using tv::CByteReader;
using tv::CByteView;
using tvtest::PeBuilder;
using tvtest::PeLayout;
namespace pe = tvtest::pe;

// Reads the headers from the bytes alone, so that the checks do not trust PeLayout.
class Image {
public:
    struct Section {
        std::string name;
        uint32_t virtualSize, virtualAddress, sizeOfRawData, pointerToRawData, characteristics;
    };

    explicit Image(const std::vector<uint8_t>& bytes) : m_view(bytes.data(), bytes.size()) {
        lfanew = U32(pe::kDosLfanew);
        fileHeader = lfanew + 4;
        optionalHeader = fileHeader + pe::kFileHeaderSize;
        magic = U16(optionalHeader);
        const bool wide = magic == pe::kMagicPe32Plus;
        numberOfRvaAndSizes = U32(optionalHeader + (wide ? pe::kOpt64NumberOfRvaAndSizes
                                                         : pe::kOpt32NumberOfRvaAndSizes));
        dataDirectories = optionalHeader + (wide ? 112 : 96);
        sectionTable = optionalHeader + U16(fileHeader + pe::kFileSizeOfOptionalHeader);
        CByteReader r(m_view, sectionTable);
        for (uint16_t i = 0; i < U16(fileHeader + pe::kFileNumberOfSections); ++i) {
            Section s;
            const CByteView name = r.Bytes(8);
            s.name.assign(reinterpret_cast<const char*>(name.Data()), name.Size());
            s.name.resize(s.name.find('\0') == std::string::npos ? 8 : s.name.find('\0'));
            s.virtualSize = r.U32();
            s.virtualAddress = r.U32();
            s.sizeOfRawData = r.U32();
            s.pointerToRawData = r.U32();
            r.Skip(12);
            s.characteristics = r.U32();
            sections.push_back(s);
        }
        EXPECT_TRUE(r.Ok()) << "section table runs past the end";
    }

    [[nodiscard]] uint16_t U16(uint64_t offset) const {
        return Checked(m_view.U16(offset), offset);
    }
    [[nodiscard]] uint32_t U32(uint64_t offset) const {
        return Checked(m_view.U32(offset), offset);
    }
    [[nodiscard]] uint64_t U64(uint64_t offset) const {
        return Checked(m_view.U64(offset), offset);
    }
    [[nodiscard]] const CByteView& View() const { return m_view; }

    // The section whose raw data holds rva; headers map to themselves.
    [[nodiscard]] std::optional<uint64_t> Offset(uint32_t rva) const {
        for (const auto& s : sections) {
            if (rva >= s.virtualAddress && rva - s.virtualAddress < s.sizeOfRawData)
                return uint64_t{s.pointerToRawData} + (rva - s.virtualAddress);
        }
        if (rva < U32(optionalHeader + pe::kOptSizeOfHeaders)) return rva;
        return std::nullopt;
    }
    [[nodiscard]] uint64_t OffsetOrFail(uint32_t rva) const {
        const auto offset = Offset(rva);
        EXPECT_TRUE(offset.has_value()) << "RVA 0x" << std::hex << rva << " is in no section";
        return offset.value_or(m_view.Size());
    }
    [[nodiscard]] const Section* SectionOf(uint32_t rva) const {
        for (const auto& s : sections) {
            if (rva >= s.virtualAddress && rva - s.virtualAddress < s.virtualSize) return &s;
        }
        return nullptr;
    }
    [[nodiscard]] const Section* Find(const std::string& name) const {
        for (const auto& s : sections) {
            if (s.name == name) return &s;
        }
        return nullptr;
    }
    [[nodiscard]] std::pair<uint32_t, uint32_t> Directory(uint32_t index) const {
        if (index >= numberOfRvaAndSizes) return {0, 0};
        return {U32(dataDirectories + 8 * index), U32(dataDirectories + 8 * index + 4)};
    }
    [[nodiscard]] std::string StringAt(uint32_t rva) const {
        return m_view.StringZ(OffsetOrFail(rva), 256).value_or("<unreadable>");
    }

    uint32_t lfanew = 0;
    uint64_t fileHeader = 0, optionalHeader = 0, dataDirectories = 0, sectionTable = 0;
    uint16_t magic = 0;
    uint32_t numberOfRvaAndSizes = 0;
    std::vector<Section> sections;

private:
    template <typename T>
    T Checked(std::optional<T> value, uint64_t offset) const {
        EXPECT_TRUE(value.has_value()) << "read past the end at " << offset;
        return value.value_or(T{});
    }

    CByteView m_view;
};

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A DLL with a bit of everything, used where the exact content does not matter.
PeBuilder SampleDll(PeBuilder builder) {
    builder.Dll()
        .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x30, 0xC3))
        .AddSection(".data", pe::kDataSection, Bytes("data"))
        .ExportDllName("sample.dll")
        .Export(1, "FirstExport", 0x1000)
        .Export(2, "SecondExport", 0x1010)
        .Export(4, "", 0x1020)
        .ExportForwarder(5, "Forwarded", "NTDLL.RtlOther")
        .AddImport("KERNEL32.dll", {tvtest::ImportFunction("GetTickCount", 0x1F5),
                                    tvtest::ImportFunction::ByOrdinal(17)})
        .AddImport("USER32.dll", {"MessageBoxW"})
        .AddResource(16, 1, 0x0407, Bytes("version"))
        .AddResource(u"PNG", u"LOGO", 0, Bytes("png"));
    return builder;
}

// ---- headers ----------------------------------------------------------------------------------

TEST(PeBuilderHeaders, Pe32HeadersSitAtThePublishedOffsets) {
    PeLayout layout;
    const auto bytes =
        PeBuilder::Pe32().AddSection(".text", pe::kTextSection, {0xC3}).Build(&layout);
    const Image img(bytes);

    EXPECT_EQ(img.U16(0), 0x5A4D);
    EXPECT_EQ(img.lfanew, layout.ntHeaders);
    EXPECT_EQ(img.lfanew % 8, 0u);
    EXPECT_EQ(img.U32(img.lfanew), 0x00004550u);
    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileMachine), pe::kMachineI386);
    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileNumberOfSections), 1);
    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileSizeOfOptionalHeader), pe::kOptionalHeader32Size);
    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileCharacteristics),
              pe::kFileExecutableImage | pe::kFile32BitMachine);
    EXPECT_EQ(img.magic, pe::kMagicPe32);
    EXPECT_EQ(img.U32(img.optionalHeader + 28), 0x400000u);  // ImageBase
    EXPECT_EQ(img.numberOfRvaAndSizes, 16u);
    EXPECT_EQ(img.sectionTable, img.optionalHeader + 224);
    EXPECT_EQ(layout.optionalHeader, img.optionalHeader);
    EXPECT_EQ(layout.dataDirectories, img.dataDirectories);
    EXPECT_EQ(layout.sectionTable, img.sectionTable);

    const uint32_t sizeOfHeaders = img.U32(img.optionalHeader + pe::kOptSizeOfHeaders);
    EXPECT_EQ(sizeOfHeaders % 0x200, 0u);
    EXPECT_GE(sizeOfHeaders, img.sectionTable + pe::kSectionHeaderSize);
    const uint32_t sizeOfImage = img.U32(img.optionalHeader + pe::kOptSizeOfImage);
    EXPECT_EQ(sizeOfImage, 0x2000u);  // headers page and one page of .text
    EXPECT_EQ(bytes.size(), 0x400u);  // headers and one file-aligned block of .text
}

TEST(PeBuilderHeaders, Pe32PlusUsesTheWideLayout) {
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32Plus()
                           .StackSizes(0x1122334455667788, 0x2000)
                           .HeapSizes(0x300000, 0x4000)
                           .AddSection(".text", pe::kTextSection, {0xC3})
                           .Build(&layout);
    const Image img(bytes);

    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileMachine), pe::kMachineAmd64);
    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileSizeOfOptionalHeader), pe::kOptionalHeader64Size);
    EXPECT_EQ(img.magic, pe::kMagicPe32Plus);
    EXPECT_EQ(img.U64(img.optionalHeader + 24), 0x140000000u);  // ImageBase, no BaseOfData
    EXPECT_EQ(img.U64(img.optionalHeader + 72), 0x1122334455667788u);
    EXPECT_EQ(img.U64(img.optionalHeader + 80), 0x2000u);
    EXPECT_EQ(img.U64(img.optionalHeader + 88), 0x300000u);
    EXPECT_EQ(img.U64(img.optionalHeader + 96), 0x4000u);
    EXPECT_EQ(img.U32(img.optionalHeader + pe::kOpt64NumberOfRvaAndSizes), 16u);
    EXPECT_EQ(layout.dataDirectories, img.optionalHeader + 112);
    EXPECT_EQ(img.sectionTable, img.optionalHeader + 240);
}

TEST(PeBuilderHeaders, SettersLandInTheirFields) {
    const auto bytes = PeBuilder::Pe32()
                           .Machine(pe::kMachineArm)
                           .FileCharacteristics(0)
                           .Dll()
                           .TimeDateStamp(0x80000000)
                           .PointerToSymbolTable(0x1234, 7)
                           .LinkerVersion(2, 55)
                           .OperatingSystemVersion(4, 1)
                           .ImageVersion(3, 2)
                           .SubsystemVersion(5, 6)
                           .Win32VersionValue(0xAABBCCDD)
                           .Subsystem(pe::kSubsystemWindowsCui)
                           .DllCharacteristics(0x2000)
                           .ImageBase(0x10000000)
                           .EntryPoint(0x1004)
                           .CheckSum(0xCAFE)
                           .LoaderFlags(9)
                           .StackSizes(0x200000, 0x3000)
                           .HeapSizes(0x400000, 0x5000)
                           .Build();
    const Image img(bytes);
    const uint64_t fh = img.fileHeader;
    const uint64_t oh = img.optionalHeader;

    EXPECT_EQ(img.U16(fh + pe::kFileMachine), pe::kMachineArm);
    EXPECT_EQ(img.U16(fh + pe::kFileCharacteristics), pe::kFileDll);
    EXPECT_EQ(img.U32(fh + pe::kFileTimeDateStamp), 0x80000000u);
    EXPECT_EQ(img.U32(fh + 8), 0x1234u);
    EXPECT_EQ(img.U32(fh + 12), 7u);
    EXPECT_EQ(img.View().U8(oh + 2), 2);
    EXPECT_EQ(img.View().U8(oh + 3), 55);
    EXPECT_EQ(img.U32(oh + pe::kOptAddressOfEntryPoint), 0x1004u);
    EXPECT_EQ(img.U32(oh + 28), 0x10000000u);
    const std::array<uint16_t, 6> versions = {4, 1, 3, 2, 5, 6};
    for (size_t i = 0; i < versions.size(); ++i)
        EXPECT_EQ(img.U16(oh + 40 + 2 * i), versions[i]);
    EXPECT_EQ(img.U32(oh + 52), 0xAABBCCDDu);
    EXPECT_EQ(img.U32(oh + 64), 0xCAFEu);
    EXPECT_EQ(img.U16(oh + pe::kOptSubsystem), pe::kSubsystemWindowsCui);
    EXPECT_EQ(img.U16(oh + pe::kOptDllCharacteristics), 0x2000);
    EXPECT_EQ(img.U32(oh + 72), 0x200000u);
    EXPECT_EQ(img.U32(oh + 76), 0x3000u);
    EXPECT_EQ(img.U32(oh + 80), 0x400000u);
    EXPECT_EQ(img.U32(oh + 84), 0x5000u);
    EXPECT_EQ(img.U32(oh + 88), 9u);
    EXPECT_EQ(img.U16(fh + pe::kFileNumberOfSections), 0);
}

TEST(PeBuilderHeaders, FewerDataDirectoriesShrinkTheOptionalHeader) {
    PeLayout layout;
    const auto bytes = SampleDll(PeBuilder::Pe32()).DataDirectoryCount(2).Build(&layout);
    const Image img(bytes);

    EXPECT_EQ(img.numberOfRvaAndSizes, 2u);
    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileSizeOfOptionalHeader), 96 + 2 * 8);
    EXPECT_EQ(layout.sectionTable, img.dataDirectories + 16);
    EXPECT_EQ(img.Directory(pe::kDirExport).first, layout.exportDirectory.rva);
    EXPECT_EQ(img.Directory(pe::kDirImport).first, layout.importDirectory.rva);
    // The resource data is still built, only its directory entry is missing.
    ASSERT_NE(img.Find(".rsrc"), nullptr);
    EXPECT_TRUE(layout.resourceDirectory.present);
    EXPECT_EQ(img.Find(".text")->name, ".text");

    const auto none = PeBuilder::Pe32Plus().DataDirectoryCount(0).Build();
    const Image bare(none);
    EXPECT_EQ(bare.numberOfRvaAndSizes, 0u);
    EXPECT_EQ(bare.sectionTable, bare.optionalHeader + 112);
}

TEST(PeBuilderHeaders, PaddingAndOverriddenDirectoriesMoveWithTheHeader) {
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32()
                           .OptionalHeaderPadding(0x20)
                           .DataDirectory(pe::kDirDebug, 0x5000, 0x1C)
                           .DataDirectory(pe::kDirExport, 0x6000, 0x28)
                           .ExportDllName("x.dll")
                           .AddSection(".text", pe::kTextSection, {0xC3})
                           .Build(&layout);
    const Image img(bytes);
    EXPECT_EQ(img.U16(img.fileHeader + pe::kFileSizeOfOptionalHeader), 224 + 0x20);
    EXPECT_EQ(img.sectionTable, img.optionalHeader + 224 + 0x20);
    ASSERT_EQ(img.sections.size(), 2u);
    EXPECT_EQ(img.sections[0].name, ".text");
    EXPECT_EQ(img.Directory(pe::kDirDebug), std::make_pair(0x5000u, 0x1Cu));
    EXPECT_EQ(img.Directory(pe::kDirExport), std::make_pair(0x6000u, 0x28u));
    EXPECT_NE(layout.exportDirectory.rva, 0x6000u);
}

TEST(PeBuilderHeaders, LfanewAndStubAreHonoured) {
    const std::vector<uint8_t> stub = {1, 2, 3, 4, 5};
    const auto bytes = PeBuilder::Pe32().DosStub(stub).Lfanew(0x104).Build();
    const Image img(bytes);
    EXPECT_EQ(img.lfanew, 0x104u);
    EXPECT_EQ(img.U32(0x104), 0x00004550u);
    for (size_t i = 0; i < stub.size(); ++i)
        EXPECT_EQ(bytes[0x40 + i], stub[i]);
    EXPECT_EQ(bytes[0x45], 0);

    // A stub longer than the room e_lfanew leaves is cut, never written over the NT headers.
    const auto cut =
        PeBuilder::Pe32().DosStub(std::vector<uint8_t>(100, 0xEE)).Lfanew(0x48).Build();
    EXPECT_EQ(Image(cut).U32(0x48), 0x00004550u);
    EXPECT_EQ(cut[0x47], 0xEE);

    // The default stub is followed by the NT headers at the next multiple of 8.
    const auto plain = PeBuilder::Pe32().Build();
    EXPECT_GT(Image(plain).lfanew, 0x40u);

    EXPECT_THROW(PeBuilder::Pe32().Lfanew(0x20), std::invalid_argument);
}

TEST(PeBuilderHeaders, CodeAndDataSizesFollowTheSections) {
    const auto bytes = PeBuilder::Pe32()
                           .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x300, 0x90))
                           .AddSection(".rdata", pe::kReadOnlyDataSection, {1})
                           .AddSection(".bss", pe::kBssSection, {}, 0x2345)
                           .Build();
    const Image img(bytes);
    const uint64_t oh = img.optionalHeader;
    EXPECT_EQ(img.U32(oh + 4), 0x400u);    // SizeOfCode: raw size of .text
    EXPECT_EQ(img.U32(oh + 8), 0x200u);    // SizeOfInitializedData
    EXPECT_EQ(img.U32(oh + 12), 0x2345u);  // SizeOfUninitializedData
    EXPECT_EQ(img.U32(oh + 20), img.Find(".text")->virtualAddress);   // BaseOfCode
    EXPECT_EQ(img.U32(oh + 24), img.Find(".rdata")->virtualAddress);  // BaseOfData
}

// ---- sections ---------------------------------------------------------------------------------

struct Alignments {
    uint32_t section;
    uint32_t file;
};

class PeBuilderSections : public testing::TestWithParam<Alignments> {};

TEST_P(PeBuilderSections, PlacementHonoursTheAlignments) {
    const auto [sectionAlignment, fileAlignment] = GetParam();
    std::vector<uint8_t> big(0x1234);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    const auto bytes = PeBuilder::Pe32()
                           .SectionAlignment(sectionAlignment)
                           .FileAlignment(fileAlignment)
                           .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x10, 0xCC))
                           .AddSection(".longnam", pe::kDataSection, big)
                           .AddSection(".bss", pe::kBssSection, {}, 0x3000)
                           .AddSection(".tail", pe::kReadOnlyDataSection, {9, 8, 7})
                           .Build();
    const Image img(bytes);
    const uint64_t oh = img.optionalHeader;
    EXPECT_EQ(img.U32(oh + pe::kOptSectionAlignment), sectionAlignment);
    EXPECT_EQ(img.U32(oh + pe::kOptFileAlignment), fileAlignment);
    const uint32_t sizeOfHeaders = img.U32(oh + pe::kOptSizeOfHeaders);
    ASSERT_EQ(img.sections.size(), 4u);
    EXPECT_EQ(img.sections[1].name, ".longnam");

    uint64_t nextRva = sizeOfHeaders;
    uint64_t nextRaw = sizeOfHeaders;
    for (const auto& s : img.sections) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.virtualAddress % sectionAlignment, 0u);
        EXPECT_GE(s.virtualAddress, nextRva);
        nextRva = uint64_t{s.virtualAddress} + s.virtualSize;
        EXPECT_EQ(s.sizeOfRawData % fileAlignment, 0u);
        if (s.sizeOfRawData == 0) continue;
        EXPECT_EQ(s.pointerToRawData % fileAlignment, 0u);
        EXPECT_GE(s.pointerToRawData, nextRaw);
        nextRaw = uint64_t{s.pointerToRawData} + s.sizeOfRawData;
        EXPECT_LE(nextRaw, bytes.size());
    }
    EXPECT_EQ(nextRaw, bytes.size());
    EXPECT_EQ(img.U32(oh + pe::kOptSizeOfImage) % sectionAlignment, 0u);
    EXPECT_GE(img.U32(oh + pe::kOptSizeOfImage), nextRva);

    const auto& data = img.sections[1];
    EXPECT_EQ(data.virtualSize, big.size());
    const auto stored = img.View().Sub(data.pointerToRawData, big.size());
    ASSERT_TRUE(stored);
    EXPECT_TRUE(std::equal(big.begin(), big.end(), stored->Data()));
    const auto& bss = img.sections[2];
    EXPECT_EQ(bss.virtualSize, 0x3000u);
    EXPECT_EQ(bss.sizeOfRawData, 0u);
    EXPECT_EQ(bss.pointerToRawData, 0u);
}

INSTANTIATE_TEST_SUITE_P(PeBuilder, PeBuilderSections,
                         testing::Values(Alignments{0x1000, 0x200}, Alignments{0x2000, 0x400},
                                         Alignments{0x200, 0x200}, Alignments{0x1000, 0x1000}));

TEST(PeBuilderSectionLayout, ExplicitPlacementIsWrittenAsGiven) {
    tvtest::SectionDesc desc;
    desc.name = ".odd";
    desc.characteristics = pe::kReadOnlyDataSection;
    desc.data = {1, 2, 3, 4};
    desc.virtualAddress = 0x8000;
    desc.pointerToRawData = 0x600;
    desc.sizeOfRawData = 0x10000;  // claims far more than the file holds
    desc.virtualSize = 2;
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32().AddSection(desc).Build(&layout);
    const Image img(bytes);
    ASSERT_EQ(img.sections.size(), 1u);
    EXPECT_EQ(img.sections[0].virtualAddress, 0x8000u);
    EXPECT_EQ(img.sections[0].pointerToRawData, 0x600u);
    EXPECT_EQ(img.sections[0].sizeOfRawData, 0x10000u);
    EXPECT_EQ(img.sections[0].virtualSize, 2u);
    EXPECT_EQ(bytes.size(), 0x800u);
    EXPECT_EQ(bytes[0x603], 4);
    EXPECT_EQ(img.U32(img.optionalHeader + pe::kOptSizeOfImage), 0x9000u);

    EXPECT_THROW(PeBuilder::Pe32().AddSection(".ninechar", 0, {}), std::invalid_argument);
}

TEST(PeBuilderSectionLayout, GeneratedDataGetsItsOwnSections) {
    PeLayout layout;
    const auto bytes = SampleDll(PeBuilder::Pe32()).Build(&layout);
    const Image img(bytes);
    ASSERT_EQ(img.sections.size(), 5u);
    const std::array<std::string, 5> names = {".text", ".data", ".edata", ".idata", ".rsrc"};
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(img.sections[i].name, names[i]);
    EXPECT_EQ(img.Find(".edata")->characteristics, pe::kReadOnlyDataSection);
    EXPECT_EQ(img.Find(".idata")->characteristics, pe::kDataSection);

    // Each directory lies wholly inside its own section, and the layout says the same.
    const std::array<std::pair<uint32_t, std::string>, 4> expected = {
        std::make_pair(pe::kDirExport, std::string(".edata")),
        std::make_pair(pe::kDirImport, std::string(".idata")),
        std::make_pair(pe::kDirIat, std::string(".idata")),
        std::make_pair(pe::kDirResource, std::string(".rsrc"))};
    for (const auto& [index, name] : expected) {
        SCOPED_TRACE(index);
        const auto [rva, size] = img.Directory(index);
        ASSERT_NE(rva, 0u);
        ASSERT_GT(size, 0u);
        const auto* s = img.SectionOf(rva);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->name, name);
        EXPECT_LE(rva - s->virtualAddress + uint64_t{size}, s->virtualSize);
        EXPECT_EQ(layout.RvaToOffset(rva), img.Offset(rva));
    }
    EXPECT_EQ(img.Directory(pe::kDirExport).second, layout.exportDirectory.size);
    EXPECT_EQ(img.Directory(pe::kDirImport).second, 3 * pe::kImportDescriptorSize);
    EXPECT_EQ(img.Directory(pe::kDirResource).second, layout.resourceDirectory.size);
    for (uint32_t unused : {3u, 4u, 5u, 6u, 11u, 13u, 14u, 15u})
        EXPECT_EQ(img.Directory(unused), std::make_pair(0u, 0u)) << unused;

    ASSERT_EQ(layout.sections.size(), img.sections.size());
    for (size_t i = 0; i < img.sections.size(); ++i) {
        EXPECT_EQ(layout.sections[i].header, img.sectionTable + pe::kSectionHeaderSize * i);
        EXPECT_EQ(layout.sections[i].virtualAddress, img.sections[i].virtualAddress);
        EXPECT_EQ(layout.sections[i].pointerToRawData, img.sections[i].pointerToRawData);
    }
}

TEST(PeBuilderSectionLayout, SharedSectionHoldsAllGeneratedData) {
    PeLayout layout;
    const auto bytes = SampleDll(PeBuilder::Pe32Plus()).SharedDataSection(".rdata").Build(&layout);
    const Image img(bytes);
    ASSERT_EQ(img.sections.size(), 3u);
    const auto* rdata = img.Find(".rdata");
    ASSERT_NE(rdata, nullptr);
    EXPECT_EQ(rdata->characteristics, pe::kDataSection);

    // Three directories, one after the other, none overlapping.
    uint64_t end = rdata->virtualAddress;
    for (uint32_t index : {pe::kDirExport, pe::kDirImport, pe::kDirResource}) {
        const auto [rva, size] = img.Directory(index);
        EXPECT_EQ(img.SectionOf(rva), rdata) << index;
        EXPECT_GE(rva, end) << index;
        end = uint64_t{rva} + size;
    }
    EXPECT_LE(end, uint64_t{rdata->virtualAddress} + rdata->virtualSize);
}

TEST(PeBuilderSectionLayout, GeneratedDataAppendsToAnAddedSection) {
    const std::vector<uint8_t> code(0x21, 0x90);
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32()
                           .AddSection(".text", pe::kTextSection, code, 0x10)
                           .ExportSection(".text")
                           .ExportDllName("inline.dll")
                           .Export(1, "Run", 0x1000)
                           .Overlay({0xAB, 0xCD})
                           .Build(&layout);
    const Image img(bytes);
    ASSERT_EQ(img.sections.size(), 1u);
    const auto& text = img.sections[0];
    EXPECT_EQ(text.characteristics, pe::kTextSection);
    EXPECT_TRUE(std::equal(code.begin(), code.end(), bytes.begin() + text.pointerToRawData));
    const auto [rva, size] = img.Directory(pe::kDirExport);
    EXPECT_EQ(rva, text.virtualAddress + 0x28);  // after the code, aligned to 8
    EXPECT_EQ(text.virtualSize, 0x28 + size);    // grown past the given 0x10 to hold the data
    EXPECT_EQ(img.StringAt(img.U32(img.OffsetOrFail(rva) + pe::kExpName)), "inline.dll");
    // The overlay follows the last section's raw data.
    EXPECT_EQ(bytes.size(), text.pointerToRawData + text.sizeOfRawData + 2);
    EXPECT_EQ(bytes.back(), 0xCD);
    EXPECT_EQ(layout.fileSize, bytes.size());
}

// ---- exports ----------------------------------------------------------------------------------

struct ExportView {
    uint32_t name, base, functions, names, addressTable, nameTable, ordinalTable;
};

ExportView ReadExportDirectory(const Image& img) {
    const uint64_t at = img.OffsetOrFail(img.Directory(pe::kDirExport).first);
    return {img.U32(at + pe::kExpName),
            img.U32(at + pe::kExpBase),
            img.U32(at + pe::kExpNumberOfFunctions),
            img.U32(at + pe::kExpNumberOfNames),
            img.U32(at + pe::kExpAddressOfFunctions),
            img.U32(at + pe::kExpAddressOfNames),
            img.U32(at + pe::kExpAddressOfNameOrdinals)};
}

// (name, index into the address table) in name-table order.
std::vector<std::pair<std::string, uint16_t>> ReadNameTable(const Image& img, const ExportView& e) {
    std::vector<std::pair<std::string, uint16_t>> out;
    for (uint32_t i = 0; i < e.names; ++i) {
        const uint32_t nameRva = img.U32(img.OffsetOrFail(e.nameTable) + 4 * i);
        out.emplace_back(img.StringAt(nameRva), img.U16(img.OffsetOrFail(e.ordinalTable) + 2 * i));
    }
    return out;
}

TEST(PeBuilderExports, DirectoryAndTablesResolveThroughTheSections) {
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32()
                           .Dll()
                           .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x100))
                           .ExportDllName("sample.dll")
                           .ExportBase(5)
                           .ExportDirectoryFields(0, 0x12345678, 3, 4)
                           .Export(6, "Second", 0x1010)
                           .Export(5, "First", 0x1000)
                           .Export(8, "", 0x1030)
                           .Build(&layout);
    const Image img(bytes);
    const uint64_t dir = img.OffsetOrFail(img.Directory(pe::kDirExport).first);
    EXPECT_EQ(dir, layout.exportDirectory.offset);
    EXPECT_EQ(img.U32(dir + 4), 0x12345678u);
    EXPECT_EQ(img.U16(dir + 8), 3);
    EXPECT_EQ(img.U16(dir + 10), 4);

    const ExportView e = ReadExportDirectory(img);
    EXPECT_EQ(img.StringAt(e.name), "sample.dll");
    EXPECT_EQ(e.base, 5u);
    EXPECT_EQ(e.functions, 4u);  // ordinals 5 to 8
    EXPECT_EQ(e.names, 2u);
    EXPECT_EQ(img.OffsetOrFail(e.addressTable), layout.exportAddressTable.offset);
    EXPECT_EQ(img.OffsetOrFail(e.nameTable), layout.exportNameTable.offset);
    EXPECT_EQ(img.OffsetOrFail(e.ordinalTable), layout.exportOrdinalTable.offset);

    const std::array<uint32_t, 4> addresses = {0x1000, 0x1010, 0, 0x1030};  // ordinal 7 is empty
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(img.U32(img.OffsetOrFail(e.addressTable) + 4 * i), addresses[i]) << i;
    const auto names = ReadNameTable(img, e);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], std::make_pair(std::string("First"), uint16_t{0}));
    EXPECT_EQ(names[1], std::make_pair(std::string("Second"), uint16_t{1}));
}

TEST(PeBuilderExports, ForwarderStringsLieInsideTheExportRange) {
    const auto bytes = SampleDll(PeBuilder::Pe32()).Build();
    const Image img(bytes);
    const auto [dirRva, dirSize] = img.Directory(pe::kDirExport);
    const ExportView e = ReadExportDirectory(img);
    ASSERT_EQ(e.functions, 5u);
    for (uint32_t i = 0; i < e.functions; ++i) {
        const uint32_t a = img.U32(img.OffsetOrFail(e.addressTable) + 4 * i);
        const bool inside = a >= dirRva && a - dirRva < dirSize;
        EXPECT_EQ(inside, i == 4) << i;
        if (inside) {
            EXPECT_EQ(img.StringAt(a), "NTDLL.RtlOther");
        }
    }
    const auto names = ReadNameTable(img, e);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[1], std::make_pair(std::string("Forwarded"), uint16_t{4}));
}

TEST(PeBuilderExports, NameTableIsSortedByUnsignedBytesOrKeptAsAdded) {
    const auto build = [](tvtest::EntryOrder order) {
        return PeBuilder::Pe32()
            .ExportNameOrder(order)
            .Export(1, "b", 0x1000)
            .Export(2, "\xC3\xA4", 0x1004)  // "ä" in UTF-8 sorts after every ASCII name
            .Export(3, "B", 0x1008)
            .Export(4, "a", 0x100C)
            .Build();
    };
    const auto sortedBytes = build(tvtest::EntryOrder::Sorted);
    const Image sorted(sortedBytes);
    const auto sortedNames = ReadNameTable(sorted, ReadExportDirectory(sorted));
    const std::vector<std::pair<std::string, uint16_t>> ascending = {
        {"B", 2}, {"a", 3}, {"b", 0}, {"\xC3\xA4", 1}};
    EXPECT_EQ(sortedNames, ascending);

    const auto addedBytes = build(tvtest::EntryOrder::AsAdded);
    const Image added(addedBytes);
    const auto addedNames = ReadNameTable(added, ReadExportDirectory(added));
    const std::vector<std::pair<std::string, uint16_t>> asAdded = {
        {"b", 0}, {"\xC3\xA4", 1}, {"B", 2}, {"a", 3}};
    EXPECT_EQ(addedNames, asAdded);
}

TEST(PeBuilderExports, CountsAndEmptyDirectories) {
    // Only a DLL name: a directory with no functions and no tables.
    const auto nameOnly = PeBuilder::Pe32().ExportDllName("empty.dll").Build();
    const Image a(nameOnly);
    const ExportView e = ReadExportDirectory(a);
    EXPECT_EQ(a.StringAt(e.name), "empty.dll");
    EXPECT_EQ(e.functions, 0u);
    EXPECT_EQ(e.names, 0u);
    EXPECT_EQ(e.nameTable, 0u);

    // Trailing empty slots, no DLL name.
    const auto padded = PeBuilder::Pe32().Export(1, "", 0x1000).ExportFunctionCount(3).Build();
    const Image b(padded);
    const ExportView f = ReadExportDirectory(b);
    EXPECT_EQ(f.name, 0u);
    EXPECT_EQ(f.functions, 3u);
    EXPECT_EQ(b.U32(b.OffsetOrFail(f.addressTable) + 8), 0u);

    // No exports at all: no directory entry and no section.
    const auto none = PeBuilder::Pe32().Build();
    EXPECT_EQ(Image(none).Directory(pe::kDirExport), std::make_pair(0u, 0u));
    EXPECT_TRUE(Image(none).sections.empty());

    EXPECT_THROW((void)PeBuilder::Pe32().ExportBase(2).Export(1, "x", 0).Build(),
                 std::invalid_argument);
    EXPECT_THROW((void)PeBuilder::Pe32().Export(1, "x", 0).Export(1, "y", 0).Build(),
                 std::invalid_argument);
    EXPECT_THROW((void)PeBuilder::Pe32().Export(4, "x", 0).ExportFunctionCount(2).Build(),
                 std::invalid_argument);
}

TEST(PeBuilderExports, LayoutOffsetsLetATestDamageOneEntry) {
    // Moving an address to the directory's upper end: the first address that is not a forwarder.
    PeLayout layout;
    auto bytes = PeBuilder::Pe32().Export(1, "Edge", 0x1000).Build(&layout);
    tvtest::Patch32(bytes, layout.exportAddressTable.offset,
                    layout.exportDirectory.rva + layout.exportDirectory.size);
    const Image img(bytes);
    const auto [rva, size] = img.Directory(pe::kDirExport);
    EXPECT_EQ(img.U32(img.OffsetOrFail(ReadExportDirectory(img).addressTable)), rva + size);
}

// ---- imports ----------------------------------------------------------------------------------

std::string WidthName(const testing::TestParamInfo<bool>& param) {
    return param.param ? "Pe32Plus" : "Pe32";
}

class PeBuilderImports : public testing::TestWithParam<bool> {
protected:
    [[nodiscard]] PeBuilder Make() const {
        return GetParam() ? PeBuilder::Pe32Plus() : PeBuilder::Pe32();
    }
    [[nodiscard]] uint64_t Thunk(const Image& img, uint32_t tableRva, uint32_t index) const {
        const uint64_t at = img.OffsetOrFail(tableRva);
        return GetParam() ? img.U64(at + 8 * index) : img.U32(at + 4 * index);
    }
    [[nodiscard]] uint64_t OrdinalFlag() const {
        return GetParam() ? pe::kOrdinalFlag64 : pe::kOrdinalFlag32;
    }
};

TEST_P(PeBuilderImports, DescriptorsNamesAndThunks) {
    PeLayout layout;
    const auto bytes = SampleDll(Make()).Build(&layout);
    const Image img(bytes);
    const auto [dirRva, dirSize] = img.Directory(pe::kDirImport);
    EXPECT_EQ(dirSize, 3 * pe::kImportDescriptorSize);
    const uint64_t dir = img.OffsetOrFail(dirRva);
    ASSERT_EQ(layout.imports.size(), 2u);
    EXPECT_EQ(layout.imports[1].descriptor, dir + pe::kImportDescriptorSize);

    struct Expected {
        std::string library;
        std::vector<std::pair<std::string, uint16_t>>
            functions;  // name and hint, or "" and ordinal
    };
    const std::array<Expected, 2> expected = {
        Expected{"KERNEL32.dll", {{"GetTickCount", 0x1F5}, {"", 17}}},
        Expected{"USER32.dll", {{"MessageBoxW", 0}}}};
    for (uint32_t d = 0; d < 2; ++d) {
        SCOPED_TRACE(d);
        const uint64_t at = dir + pe::kImportDescriptorSize * d;
        const uint32_t lookup = img.U32(at + pe::kImpOriginalFirstThunk);
        const uint32_t address = img.U32(at + pe::kImpFirstThunk);
        EXPECT_EQ(img.U32(at + pe::kImpTimeDateStamp), 0u);
        EXPECT_EQ(img.U32(at + pe::kImpForwarderChain), 0u);
        EXPECT_EQ(img.StringAt(img.U32(at + pe::kImpName)), expected[d].library);
        ASSERT_NE(lookup, 0u);
        ASSERT_NE(address, lookup);
        const auto& functions = expected[d].functions;
        for (uint32_t i = 0; i <= functions.size(); ++i) {
            const uint64_t thunk = Thunk(img, lookup, i);
            EXPECT_EQ(Thunk(img, address, i), thunk) << "unbound address table repeats the lookup";
            if (i == functions.size()) {
                EXPECT_EQ(thunk, 0u) << "table terminator";
            } else if (functions[i].first.empty()) {
                EXPECT_EQ(thunk, OrdinalFlag() | functions[i].second);
            } else {
                ASSERT_EQ(thunk & OrdinalFlag(), 0u);
                const auto hintName = static_cast<uint32_t>(thunk);
                EXPECT_EQ(hintName % 2, 0u);
                EXPECT_EQ(img.U16(img.OffsetOrFail(hintName)), functions[i].second);
                EXPECT_EQ(img.StringAt(hintName + 2), functions[i].first);
            }
        }
    }
    for (size_t k = 0; k < pe::kImportDescriptorSize; k += 4)
        EXPECT_EQ(img.U32(dir + 2 * pe::kImportDescriptorSize + k), 0u) << "zero descriptor";

    // Data directory 12 covers exactly the two address tables.
    const uint32_t width = GetParam() ? 8 : 4;
    const auto [iatRva, iatSize] = img.Directory(pe::kDirIat);
    EXPECT_EQ(iatSize, width * (3 + 2));
    EXPECT_EQ(iatRva, img.U32(dir + pe::kImpFirstThunk));
    EXPECT_EQ(img.U32(dir + pe::kImportDescriptorSize + pe::kImpFirstThunk), iatRva + 3 * width);
}

TEST_P(PeBuilderImports, BoundStampsAndMissingLookupTables) {
    tvtest::ImportLibrary bound;
    bound.name = "BOUND.dll";
    bound.functions = {"A"};
    bound.timeDateStamp = 0xFFFFFFFF;
    bound.forwarderChain = 0xFFFFFFFF;
    tvtest::ImportLibrary old;
    old.name = "OLD.dll";
    old.functions = {"B", tvtest::ImportFunction::ByOrdinal(3)};
    old.timeDateStamp = 0x3A000000;
    old.withLookupTable = false;
    PeLayout layout;
    const auto bytes = Make().AddImport(bound).AddImport(old).Build(&layout);
    const Image img(bytes);
    const uint64_t dir = img.OffsetOrFail(img.Directory(pe::kDirImport).first);

    EXPECT_EQ(img.U32(dir + pe::kImpTimeDateStamp), 0xFFFFFFFFu);
    EXPECT_EQ(img.U32(dir + pe::kImpForwarderChain), 0xFFFFFFFFu);
    const uint64_t second = dir + pe::kImportDescriptorSize;
    EXPECT_EQ(img.U32(second + pe::kImpTimeDateStamp), 0x3A000000u);
    EXPECT_EQ(img.U32(second + pe::kImpOriginalFirstThunk), 0u);
    EXPECT_FALSE(layout.imports[1].lookupTable.present);
    const uint32_t address = img.U32(second + pe::kImpFirstThunk);
    EXPECT_EQ(img.StringAt(static_cast<uint32_t>(Thunk(img, address, 0)) + 2), "B");
    EXPECT_EQ(Thunk(img, address, 1), OrdinalFlag() | 3);
    EXPECT_EQ(Thunk(img, address, 2), 0u);
    EXPECT_EQ(img.StringAt(img.U32(second + pe::kImpName)), "OLD.dll");
}

TEST_P(PeBuilderImports, BoundImportDirectorySitsInTheHeaders) {
    PeLayout layout;
    const auto bytes = Make()
                           .AddImport("KERNEL32.dll", {"Sleep"})
                           .AddBoundImport("KERNEL32.dll", 0x4F000001)
                           .AddBoundImport("NTDLL.dll", 0x4F000002)
                           .Build(&layout);
    const Image img(bytes);
    const auto [rva, size] = img.Directory(pe::kDirBoundImport);
    ASSERT_NE(rva, 0u);
    EXPECT_EQ(rva, layout.boundImportDirectory.offset);
    EXPECT_GE(rva, img.sectionTable + pe::kSectionHeaderSize * img.sections.size());
    EXPECT_LE(uint64_t{rva} + size, img.U32(img.optionalHeader + pe::kOptSizeOfHeaders));

    const std::array<std::pair<uint32_t, std::string>, 2> expected = {
        std::make_pair(0x4F000001u, std::string("KERNEL32.dll")),
        std::make_pair(0x4F000002u, std::string("NTDLL.dll"))};
    for (uint32_t i = 0; i < 2; ++i) {
        const uint64_t at = rva + pe::kBoundImportDescriptorSize * i;
        EXPECT_EQ(img.U32(at), expected[i].first);
        EXPECT_EQ(img.View().StringZ(rva + img.U16(at + 4), 64), expected[i].second);
        EXPECT_EQ(img.U16(at + 6), 0) << "no forwarder references";
    }
    EXPECT_EQ(img.U64(rva + 2 * pe::kBoundImportDescriptorSize), 0u);
}

INSTANTIATE_TEST_SUITE_P(PeBuilder, PeBuilderImports, testing::Values(false, true), WidthName);

// ---- resources --------------------------------------------------------------------------------

struct Leaf {
    std::string type, name;  // "#16" for numbers, the UTF-8 name otherwise
    uint32_t language;
    std::string data;
    uint32_t codePage;

    bool operator==(const Leaf&) const = default;
};

// Walks the three levels from the bytes and checks each directory header on the way.
class ResourceWalker {
public:
    explicit ResourceWalker(const Image& img) : m_img(img) {
        const auto [rva, size] = img.Directory(pe::kDirResource);
        m_rootRva = rva;
        m_root = img.OffsetOrFail(rva);
        m_size = size;
    }

    std::vector<Leaf> Leaves() {
        std::vector<Leaf> out;
        for (const auto& [type, typeDir] : Entries(m_root, true)) {
            for (const auto& [name, nameDir] : Entries(typeDir, true)) {
                for (const auto& [language, dataEntry] : Entries(nameDir, false)) {
                    const uint32_t dataRva = m_img.U32(dataEntry);
                    const uint32_t size = m_img.U32(dataEntry + 4);
                    const auto data = m_img.View().Sub(m_img.OffsetOrFail(dataRva), size);
                    EXPECT_TRUE(data.has_value());
                    EXPECT_EQ(dataRva % 8, 0u) << "data aligned";
                    EXPECT_EQ(m_img.U32(dataEntry + 12), 0u) << "reserved";
                    out.push_back(
                        {type, name, static_cast<uint32_t>(std::stoul(language.substr(1))),
                         data ? std::string(data->Data(), data->Data() + data->Size()) : "",
                         m_img.U32(dataEntry + 8)});
                }
            }
        }
        return out;
    }

    // Identifier text and the file offset the entry points to, in table order.
    std::vector<std::pair<std::string, uint64_t>> Entries(uint64_t table, bool subdirectories) {
        const uint16_t named = m_img.U16(table + pe::kResNumberOfNamedEntries);
        const uint16_t numbered = m_img.U16(table + pe::kResNumberOfIdEntries);
        std::vector<std::pair<std::string, uint64_t>> out;
        for (uint32_t i = 0; i < uint32_t{named} + numbered; ++i) {
            const uint64_t entry = table + pe::kResourceDirectorySize + pe::kResourceEntrySize * i;
            const uint32_t id = m_img.U32(entry);
            const uint32_t target = m_img.U32(entry + 4);
            std::string text;
            if (id & pe::kResNameIsString) {
                const uint64_t at = m_root + (id & ~pe::kResNameIsString);
                text = m_img.View().Utf16Counted(at + 2, m_img.U16(at)).value_or("<bad>");
                ++m_namedSeen;
            } else {
                text = "#" + std::to_string(id);
            }
            EXPECT_EQ((target & pe::kResIsDirectory) != 0, subdirectories) << text;
            EXPECT_LT(target & ~pe::kResIsDirectory, m_size) << text;
            out.emplace_back(text, m_root + (target & ~pe::kResIsDirectory));
        }
        return out;
    }

    [[nodiscard]] uint64_t Root() const { return m_root; }
    [[nodiscard]] uint32_t RootRva() const { return m_rootRva; }

private:
    const Image& m_img;
    uint64_t m_root = 0;
    uint32_t m_rootRva = 0;
    uint32_t m_size = 0;
    int m_namedSeen = 0;
};

PeBuilder MixedResources(tvtest::EntryOrder order) {
    PeBuilder b = PeBuilder::Pe32();
    b.ResourceOrder(order)
        .AddResource(16, 1, 0x0409, Bytes("v-en"), 1252)
        .AddResource(u"PNG", u"LOGO", 0x0407, Bytes("png"))
        .AddResource(3, 2, 0x0407, Bytes("icon2"))
        .AddResource(3, u"ICON", 0, Bytes("named icon"))
        .AddResource(3, 1, 0, Bytes("icon1"))
        .AddResource(u"AVI", 5, 0, Bytes(""))
        .AddResource(16, 1, 0x0407, Bytes("v-de"), 1252);
    return b;
}

TEST(PeBuilderResources, TreeListsNamedEntriesFirstAndSorted) {
    PeLayout layout;
    const auto bytes = MixedResources(tvtest::EntryOrder::Sorted).Build(&layout);
    const Image img(bytes);
    ResourceWalker walker(img);
    EXPECT_EQ(walker.Root(), layout.resourceDirectory.offset);
    EXPECT_EQ(img.U16(walker.Root() + pe::kResNumberOfNamedEntries), 2);
    EXPECT_EQ(img.U16(walker.Root() + pe::kResNumberOfIdEntries), 2);

    const std::vector<Leaf> expected = {
        {"AVI", "#5", 0, "", 0},
        {"PNG", "LOGO", 0x0407, "png", 0},
        {"#3", "ICON", 0, "named icon", 0},
        {"#3", "#1", 0, "icon1", 0},
        {"#3", "#2", 0x0407, "icon2", 0},
        {"#16", "#1", 0x0407, "v-de", 1252},
        {"#16", "#1", 0x0409, "v-en", 1252},
    };
    EXPECT_EQ(walker.Leaves(), expected);

    // The layout knows every table (root, 4 types, 6 names) and every leaf.
    EXPECT_EQ(layout.resourceTables.size(), 1u + 4u + 6u);
    EXPECT_EQ(layout.resourceTables.front(), walker.Root());
    ASSERT_EQ(layout.resources.size(), expected.size());
    const auto& last = layout.resources.back();
    EXPECT_EQ(last.type, tvtest::ResId(16));
    EXPECT_EQ(last.language, 0x0409);
    EXPECT_EQ(img.U32(last.dataEntry), last.data.rva);
    EXPECT_EQ(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(last.data.offset),
                          bytes.begin() + static_cast<std::ptrdiff_t>(last.data.offset + 4)),
              "v-en");
}

TEST(PeBuilderResources, AsAddedOrderKeepsTheInsertionOrder) {
    const auto bytes = MixedResources(tvtest::EntryOrder::AsAdded).Build();
    const Image img(bytes);
    ResourceWalker walker(img);
    // The counts stay true even though named and numbered entries are mixed.
    EXPECT_EQ(img.U16(walker.Root() + pe::kResNumberOfNamedEntries), 2);
    EXPECT_EQ(img.U16(walker.Root() + pe::kResNumberOfIdEntries), 2);
    const std::vector<Leaf> expected = {
        {"#16", "#1", 0x0409, "v-en", 1252},
        {"#16", "#1", 0x0407, "v-de", 1252},
        {"PNG", "LOGO", 0x0407, "png", 0},
        {"#3", "#2", 0x0407, "icon2", 0},
        {"#3", "ICON", 0, "named icon", 0},
        {"#3", "#1", 0, "icon1", 0},
        {"AVI", "#5", 0, "", 0},
    };
    EXPECT_EQ(walker.Leaves(), expected);
}

TEST(PeBuilderResources, NamesAreCountedUtf16AndNumbersSortNumerically) {
    const auto bytes = PeBuilder::Pe32Plus()
                           .AddResource(10, 300, 0, Bytes("c"))
                           .AddResource(10, 20, 0, Bytes("b"))
                           .AddResource(10, u"\u20ACURO", 0, Bytes("a"))
                           .AddResource(10, u"Zed", 0, Bytes("z"))
                           .AddResource(10, u"Alpha", 0, Bytes("y"))
                           .Build();
    const Image img(bytes);
    ResourceWalker walker(img);
    const auto types = walker.Entries(walker.Root(), true);
    ASSERT_EQ(types.size(), 1u);
    std::vector<std::string> names;
    for (const auto& [name, dir] : walker.Entries(types[0].second, true))
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Zed", "€URO", "#20", "#300"}));
}

TEST(PeBuilderResources, HeaderFieldsOverridesAndEmptyTrees) {
    tvtest::ResourceEntry outside;
    outside.type = 10;
    outside.name = 1;
    outside.data = Bytes("abc");
    outside.dataRva = 0x7FFF0000;
    outside.dataSize = 0x100000;
    PeLayout layout;
    const auto bytes = PeBuilder::Pe32()
                           .ResourceDirectoryFields(0x11, 0x22, 3, 4)
                           .AddResource(outside)
                           .Build(&layout);
    const Image img(bytes);
    ASSERT_EQ(layout.resourceTables.size(), 3u);
    for (size_t table : layout.resourceTables) {
        EXPECT_EQ(img.U32(table), 0x11u);
        EXPECT_EQ(img.U32(table + 4), 0x22u);
        EXPECT_EQ(img.U16(table + 8), 3);
        EXPECT_EQ(img.U16(table + 10), 4);
    }
    ASSERT_EQ(layout.resources.size(), 1u);
    const size_t entry = layout.resources[0].dataEntry;
    EXPECT_EQ(img.U32(entry), 0x7FFF0000u);
    EXPECT_EQ(img.U32(entry + 4), 0x100000u);
    EXPECT_FALSE(img.Offset(0x7FFF0000).has_value());
    // The bytes are still stored, where the layout says.
    EXPECT_EQ(bytes[layout.resources[0].data.offset], 'a');

    const auto empty = PeBuilder::Pe32().EmptyResourceDirectory().Build();
    const Image e(empty);
    const auto [rva, size] = e.Directory(pe::kDirResource);
    ASSERT_NE(rva, 0u);
    EXPECT_GE(size, pe::kResourceDirectorySize);
    EXPECT_EQ(e.U32(e.OffsetOrFail(rva) + pe::kResNumberOfNamedEntries), 0u);

    EXPECT_THROW((void)PeBuilder::Pe32().AddResource(3, 1, 0, {}).AddResource(3, 1, 0, {}).Build(),
                 std::invalid_argument);
}

// ---- files that are not PE modules, damage ----------------------------------------------------

TEST(PeBuilderNotPe, HelpersMakeTheAdvertisedDamage) {
    EXPECT_EQ(tvtest::JustMz(), (std::vector<uint8_t>{'M', 'Z'}));

    const auto noPe = tvtest::MzWithoutPe();
    const CByteView view(noPe.data(), noPe.size());
    EXPECT_EQ(view.U16(0), 0x5A4D);
    const uint32_t lfanew = view.U32(pe::kDosLfanew).value_or(0);
    ASSERT_TRUE(view.Contains(lfanew, 4));
    EXPECT_NE(view.U32(lfanew), 0x00004550u);

    const auto negative = tvtest::MzWithLfanew(-8);
    EXPECT_EQ(CByteView(negative.data(), negative.size()).U32(pe::kDosLfanew), 0xFFFFFFF8u);
    EXPECT_EQ(negative.size(), 128u);
    EXPECT_EQ(tvtest::MzWithLfanew(0x7FFFFFFF, 10).size(), pe::kDosHeaderSize);

    const auto pastEnd = tvtest::PeSignaturePastEnd();
    EXPECT_GE(CByteView(pastEnd.data(), pastEnd.size()).U32(pe::kDosLfanew).value_or(0),
              pastEnd.size());
}

TEST(PeBuilderDamage, PatchesAreLittleEndianAndBounded) {
    std::vector<uint8_t> bytes(12, 0);
    tvtest::Patch16(bytes, 0, 0x1234);
    tvtest::Patch32(bytes, 2, 0xA1B2C3D4);
    tvtest::Patch64(bytes, 4, 0x0102030405060708);
    tvtest::Patch8(bytes, 11, 0xFF);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x34, 0x12, 0xD4, 0xC3, 8, 7, 6, 5, 4, 3, 2, 0xFF}));
    EXPECT_THROW(tvtest::Patch32(bytes, 9, 0), std::out_of_range);
    EXPECT_THROW(tvtest::Patch16(bytes, SIZE_MAX, 0), std::out_of_range);
    const std::array<uint8_t, 3> abc = {'a', 'b', 'c'};
    tvtest::PatchBytes(bytes, 9, abc);
    EXPECT_EQ(bytes[11], 'c');
    EXPECT_THROW(tvtest::PatchBytes(bytes, 10, abc), std::out_of_range);

    tvtest::FlipBit(bytes, 8 * 11 + 7);
    EXPECT_EQ(bytes[11], 'c' | 0x80);
    EXPECT_THROW(tvtest::FlipBit(bytes, 8 * 12), std::out_of_range);
    tvtest::Truncate(bytes, 5);
    EXPECT_EQ(bytes.size(), 5u);
    tvtest::Truncate(bytes, 50);
    EXPECT_EQ(bytes.size(), 5u);
}

TEST(PeBuilderDamage, ForEachTruncationVisitsEveryProperPrefix) {
    const auto image = SampleDll(PeBuilder::Pe32()).Build();
    size_t expectedSize = 0;
    tvtest::ForEachTruncation(image, [&](const std::vector<uint8_t>& prefix) {
        ASSERT_EQ(prefix.size(), expectedSize);
        ASSERT_TRUE(std::equal(prefix.begin(), prefix.end(), image.begin()));
        ++expectedSize;
    });
    EXPECT_EQ(expectedSize, image.size());
}

// ---- temporary files --------------------------------------------------------------------------

TEST(PeBuilderTempFiles, FilesLiveAsLongAsTheirFolder) {
    namespace fs = std::filesystem;
    fs::path folder, file, nestedFile;
    {
        tvtest::TempDir dir;
        folder = dir.Path();
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(folder.parent_path(), fs::temp_directory_path());
        file = tvtest::WriteTempFile(Bytes("MZ!"), "a.dll");
        EXPECT_EQ(file.parent_path(), folder);
        EXPECT_EQ(fs::file_size(file), 3u);
        {
            tvtest::TempDir inner;
            nestedFile = tvtest::WriteTempFile(Bytes("x"), "sub/b.dll");
            EXPECT_EQ(nestedFile, inner.Path() / "sub" / "b.dll");
        }
        EXPECT_FALSE(fs::exists(nestedFile));
        // With the inner folder gone, the outer one is current again.
        EXPECT_EQ(tvtest::WriteTempFile(Bytes(""), "c.dll").parent_path(), folder);
        EXPECT_THROW(dir.Write("../escape", Bytes("")), std::invalid_argument);
        EXPECT_THROW(dir.Write("/abs", Bytes("")), std::invalid_argument);
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(folder));
}

// ---- an outside check -------------------------------------------------------------------------

std::optional<std::string> RunObjdump(const std::filesystem::path& file) {
    if (std::system("command -v objdump >/dev/null 2>&1") != 0) return std::nullopt;
    const std::string command = "objdump -p '" + file.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    pclose(pipe);
    return out;
}

class PeBuilderObjdump : public testing::TestWithParam<bool> {};

TEST_P(PeBuilderObjdump, ListsTheExportsAndImports) {
    tvtest::TempDir dir;
    const auto bytes = SampleDll(GetParam() ? PeBuilder::Pe32Plus() : PeBuilder::Pe32()).Build();
    const auto path = dir.Write("sample.dll", bytes);
    const auto out = RunObjdump(path);
    if (!out) GTEST_SKIP() << "objdump is not installed";

    EXPECT_NE(out->find(GetParam() ? "file format pei-x86-64" : "file format pei-i386"),
              std::string::npos)
        << *out;
    // Fragments of objdump's own report lines for what SampleDll puts in: the export Name, the
    // address table with its empty slot for ordinal 3, the name table, the imports with hint
    // 0x1F5, and the resource tree down to the version leaf.
    const std::array<const char*, 15> expected = {
        " sample.dll\n",
        "[   4] +base[   5]",
        "Forwarder RVA -- NTDLL.RtlOther",
        "[   0] FirstExport",
        "[   1] SecondExport",
        "[   4] Forwarded",
        "DLL Name: KERNEL32.dll",
        "501  GetTickCount",
        "DLL Name: USER32.dll",
        "MessageBoxW",
        "]: PNG,",
        "]: LOGO,",
        "Entry: ID: 0x000010",
        "Entry: ID: 0x000407",
        "Size: 0x000007",
    };
    for (const char* fragment : expected)
        EXPECT_NE(out->find(fragment), std::string::npos) << fragment << "\n" << *out;
    EXPECT_EQ(out->find("warning"), std::string::npos) << *out;
}

INSTANTIATE_TEST_SUITE_P(PeBuilder, PeBuilderObjdump, testing::Values(false, true), WidthName);

}  // namespace
