// CModuleImage's contract: the empty state, what a load fills in, what a failed or repeated load
// leaves behind, and the accessors' null cases.
#include "module/ModuleImage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "support/PeBuilder.h"

using tv::CModuleImage;
using tv::LOADED_IMAGE;

namespace {

namespace fs = std::filesystem;
using tvtest::PeBuilder;
using tvtest::PeLayout;
using tvtest::TempDir;
namespace pe = tvtest::pe;

void ExpectEmpty(const CModuleImage& image) {
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(image.GetLoadedImage(), nullptr);
    EXPECT_EQ(image.GetMappedAddress(), nullptr);
    EXPECT_TRUE(image.GetView().Empty());
    EXPECT_EQ(image.GetNtHeaders(), nullptr);
    EXPECT_EQ(image.GetDataDirectory(0), nullptr);
    EXPECT_FALSE(image.GetExportDirectory());
    EXPECT_FALSE(image.GetImportDescriptors());
    EXPECT_TRUE(image.RvaToPointer(0x1000).Empty());
}

std::vector<uint8_t> SampleDll(PeLayout* layout = nullptr) {
    return PeBuilder::Pe32()
        .Dll()
        .AddSection(".text", pe::kTextSection, std::vector<uint8_t>(0x40, 0xC3))
        .Export(1, "FirstExport", 0x1000)
        .AddImport("KERNEL32.dll", {"GetTickCount"})
        .Build(layout);
}

TEST(ModuleImageTest, ConstructedWithoutPathIsEmpty) {
    CModuleImage none;
    ExpectEmpty(none);
    EXPECT_EQ(none.GetErrorCode(), 0u);
    EXPECT_EQ(none.GetPath(), "");

    CModuleImage empty("");
    ExpectEmpty(empty);
    EXPECT_EQ(empty.GetErrorCode(), 0u);
    EXPECT_FALSE(empty.Load(nullptr));
    EXPECT_FALSE(empty.Load(""));
    EXPECT_EQ(empty.GetErrorCode(), 0u);
}

TEST(ModuleImageTest, LoadFillsTheLoaderRecord) {
    TempDir dir;
    PeLayout layout;
    const auto bytes = SampleDll(&layout);
    const std::string path = dir.Write("sample.dll", bytes).string();

    CModuleImage image(path.c_str());
    ASSERT_TRUE(image.IsLoaded());
    EXPECT_EQ(image.GetErrorCode(), 0u);
    EXPECT_EQ(image.GetPath(), path);
    const LOADED_IMAGE* li = image.GetLoadedImage();
    ASSERT_NE(li, nullptr);
    const auto base = reinterpret_cast<uintptr_t>(image.GetMappedAddress());
    ASSERT_NE(base, 0u);
    EXPECT_EQ(li->ModuleName, path);
    EXPECT_EQ(li->MappedAddress, base);
    EXPECT_EQ(li->FileHeader, base + layout.ntHeaders);
    EXPECT_EQ(li->Sections, base + layout.sectionTable);
    EXPECT_EQ(li->LastRvaSection, li->Sections);
    EXPECT_EQ(li->NumberOfSections, layout.sections.size());
    EXPECT_EQ(li->Characteristics, pe::kFileExecutableImage | pe::kFile32BitMachine | pe::kFileDll);
    EXPECT_FALSE(li->fSystemImage);
    EXPECT_FALSE(li->fDOSImage);
    EXPECT_EQ(li->SizeOfImage, bytes.size());
    EXPECT_EQ(li->hFile, ~uintptr_t{0});
    EXPECT_EQ(li->Links.Flink, 0u);
    EXPECT_EQ(li->Links.Blink, 0u);
    EXPECT_EQ(image.GetView().Size(), bytes.size());
    EXPECT_EQ(image.GetView().U16(0), 0x5A4D);

    const auto exports = image.GetExportDirectory();
    ASSERT_TRUE(exports);
    EXPECT_EQ(exports->fileOffset, layout.exportDirectory.offset);
    const auto imports = image.GetImportDescriptors();
    ASSERT_TRUE(imports);
    EXPECT_EQ(imports->FileOffset(), layout.imports[0].descriptor);
    const auto name = image.RvaToPointer(layout.imports[0].libraryName.rva);
    ASSERT_GE(name.Size(), 13u);
    EXPECT_EQ(name.StringZ(0, 64), "KERNEL32.dll");
}

TEST(ModuleImageTest, NativeSubsystemIsASystemImage) {
    const auto bytes = PeBuilder::Pe32Plus().Subsystem(pe::kSubsystemNative).Build();
    CModuleImage image;
    ASSERT_TRUE(image.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "driver.sys"));
    EXPECT_TRUE(image.GetLoadedImage()->fSystemImage);
    EXPECT_EQ(image.GetLoadedImage()->ModuleName, "driver.sys");
    EXPECT_EQ(image.GetMappedAddress(), bytes.data());
}

TEST(ModuleImageTest, FailuresKeepTheirCodesAndLeaveNothingLoaded) {
    TempDir dir;
    const std::string good = dir.Write("good.dll", SampleDll()).string();
    const std::string notPe = dir.Write("text.dll", std::vector<uint8_t>{'h', 'i'}).string();
    const std::string emptyFile = dir.Write("empty.dll", std::vector<uint8_t>{}).string();
    const std::string onlyMz = dir.Write("dos.exe", tvtest::MzWithoutPe()).string();
    const std::string folder = dir.Path().string();

    const struct {
        std::string path;
        uint32_t code;
    } cases[] = {
        {folder + "/missing.dll", tv::kErrorFileNotFound},
        {folder + "/no/such/folder/x.dll", tv::kErrorPathNotFound},
        {folder, tv::kErrorAccessDenied},
        {notPe, tv::kErrorBadExeFormat},
        {emptyFile, tv::kErrorBadExeFormat},
        {onlyMz, tv::kErrorBadExeFormat},
    };
    CModuleImage image;
    for (const auto& c : cases) {
        // Each failure comes after a good load: the earlier module must be gone.
        ASSERT_TRUE(image.Load(good)) << c.path;
        EXPECT_FALSE(image.Load(c.path)) << c.path;
        EXPECT_EQ(image.GetErrorCode(), c.code) << c.path;
        EXPECT_EQ(image.GetPath(), c.path);
        ExpectEmpty(image);
    }
    // A good load after a failure starts again from error code 0.
    ASSERT_TRUE(image.Load(good));
    EXPECT_EQ(image.GetErrorCode(), 0u);
    image.Unload();
    ExpectEmpty(image);
    EXPECT_EQ(image.GetPath(), "");
}

TEST(ModuleImageTest, SecondLoadReplacesTheFirstModule) {
    TempDir dir;
    const std::string a = dir.Write("a.dll", SampleDll()).string();
    const std::string b = dir.Write("b.exe", PeBuilder::Pe32Plus().Build()).string();
    CModuleImage image(a.c_str());
    ASSERT_TRUE(image.IsLoaded());
    ASSERT_TRUE(image.Load(b));
    EXPECT_EQ(image.GetPath(), b);
    EXPECT_TRUE(image.GetNtHeaders()->Optional().Is64());
    EXPECT_FALSE(image.GetExportDirectory());
    // Loading again by the record's own name (which Load releases first) works.
    ASSERT_TRUE(image.Load(image.GetLoadedImage()->ModuleName.c_str()));
    EXPECT_EQ(image.GetPath(), b);
}

TEST(ModuleImageTest, DirectoryAccessorsKeepTheirNullCases) {
    PeLayout layout;
    auto bytes = SampleDll(&layout);
    CModuleImage image;
    const tv::CByteView view(bytes.data(), bytes.size());
    ASSERT_TRUE(image.LoadFromMemory(view, "sample.dll"));
    ASSERT_NE(image.GetDataDirectory(15), nullptr);
    EXPECT_EQ(image.GetDataDirectory(16), nullptr);
    EXPECT_EQ(image.GetDataDirectory(tv::kDirExport)->VirtualAddress, layout.exportDirectory.rva);
    EXPECT_TRUE(image.RvaToPointer(0x10).Empty()) << "the headers lie in no section";

    // An address no section holds: the entry is there, the directory cannot be placed.
    tvtest::Patch32(bytes, layout.DataDirectoryEntry(pe::kDirExport), 0x00F00000);
    tvtest::Patch32(bytes, layout.DataDirectoryEntry(pe::kDirImport), 0x00F00000);
    ASSERT_TRUE(image.LoadFromMemory(view, "sample.dll"));
    EXPECT_EQ(image.GetDataDirectory(tv::kDirExport)->VirtualAddress, 0x00F00000u);
    EXPECT_FALSE(image.GetExportDirectory());
    EXPECT_FALSE(image.GetImportDescriptors());

    // VirtualAddress 0 means no directory, whatever the size says.
    tvtest::Patch32(bytes, layout.DataDirectoryEntry(pe::kDirExport), 0);
    ASSERT_TRUE(image.LoadFromMemory(view, "sample.dll"));
    EXPECT_FALSE(image.GetExportDirectory());
}

TEST(ModuleImageTest, BareNamesAreSearched) {
    TempDir dir;
    const fs::path found = dir.Write("Sample.DLL", SampleDll());
    const char* old = std::getenv("TARNVIEW_MODULE_PATH");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("TARNVIEW_MODULE_PATH", dir.Path().c_str(), 1);

    CModuleImage image;
    EXPECT_TRUE(image.Load("sample.dll"));
    EXPECT_EQ(image.GetPath(), found.string());
    EXPECT_EQ(image.GetLoadedImage()->ModuleName, found.string());

    EXPECT_FALSE(image.Load("tarnview-no-such-module-4711.dll"));
    EXPECT_EQ(image.GetErrorCode(), tv::kErrorFileNotFound);
    EXPECT_EQ(image.GetPath(), "tarnview-no-such-module-4711.dll");

    // The importing module's folder is searched first.
    TempDir importing;
    const fs::path near = importing.Write("sample.dll", PeBuilder::Pe32Plus().Build());
    tv::ModuleSearchContext context;
    context.importingModule = (importing.Path() / "app.exe").string();
    EXPECT_TRUE(image.Load("SAMPLE.dll", context));
    EXPECT_EQ(image.GetPath(), near.string());

    if (saved)
        ::setenv("TARNVIEW_MODULE_PATH", saved->c_str(), 1);
    else
        ::unsetenv("TARNVIEW_MODULE_PATH");
}

}  // namespace
