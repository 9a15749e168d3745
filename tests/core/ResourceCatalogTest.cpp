// The resource catalog over modules made by the PE builder: the entry list and its order, counts
// and sizes per type, raw data, string blocks, raw export, load errors, and damaged or hostile
// resource sections.
#include "resources/ResourceCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "common/MappedFile.h"
#include "resources/ResourceTypes.h"
#include "resources/StringRows.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using tv::CResourceCatalog;
using tv::CResourceEntry;

namespace {

using tv::CResourceId;
using tvtest::PeBuilder;
using tvtest::PeLayout;
namespace pe = tvtest::pe;

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }
std::vector<uint8_t> Filled(size_t size, uint8_t seed = 0) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}
CResourceId Named(const char* name) { return CResourceId::FromUtf8(name); }

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A catalog enumerated over bytes it does not own; the bytes outlive it.
struct Loaded {
    explicit Loaded(std::vector<uint8_t> image) : bytes(std::move(image)) {
        loaded = catalog.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "test.dll");
        enumerated = catalog.Enumerate();
    }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;

    std::vector<uint8_t> bytes;
    CResourceCatalog catalog;
    bool loaded = false;
    bool enumerated = false;
};

// The entry list as "type/name" words: numbers as numbers, names as they are.
std::string Outline(const CResourceCatalog& catalog) {
    std::string out;
    for (int i = 0; i < catalog.GetEntryCount(); ++i) {
        const CResourceEntry e = catalog.GetEntry(i);
        if (!out.empty()) out += ' ';
        out += e.typeId == -1 ? e.typeName : std::to_string(e.typeId);
        out += '/';
        out += e.nameId == -1 ? e.name : std::to_string(e.nameId);
    }
    return out;
}

PeBuilder Mixed() {
    PeBuilder b = PeBuilder::Pe32();
    b.AddResource(2, 5, 0, Filled(100))
        .AddResource(2, u"ZED", 0, Filled(10))
        .AddResource(2, u"ALPHA", 0, Filled(20))
        .AddResource(2, 1, 0x0407, Filled(30))
        .AddResource(2, 1, 0x0409, Filled(31))
        .AddResource(2, 1, 0x040C, Filled(32))
        .AddResource(u"FOO", 1, 0, Bytes("foo"))
        .AddResource(u"Foo", 1, 0, Bytes("Foo!"))
        .AddResource(u"6", 1, 0, Bytes("named six"))
        .AddResource(6, 1, 0, tvtest::StringBlock({"a"}))
        .AddResource(16, 1, 0, Filled(7));
    return b;
}

TEST(ResourceCatalog, ListsEveryTypeAndNameOnceInDirectoryOrder) {
    Loaded m(Mixed().Build());
    ASSERT_TRUE(m.enumerated);
    EXPECT_EQ(m.catalog.GetErrorCode(), 0u);
    // Named types first (in name order, letter case counting), then numbers ascending; within a
    // type named resources first. The resource in three languages is one entry.
    EXPECT_EQ(Outline(m.catalog), "6/1 FOO/1 Foo/1 2/ALPHA 2/ZED 2/1 2/5 6/1 16/1");
    const CResourceEntry named = m.catalog.GetEntry(3);
    EXPECT_EQ(named.typeId, 2);
    EXPECT_EQ(named.nameId, -1);
    EXPECT_EQ(named.name, "ALPHA");
    EXPECT_EQ(named.NameId(), Named("ALPHA"));
    // Outside the list: an empty entry.
    EXPECT_TRUE(m.catalog.GetEntry(-1).typeName.empty());
    EXPECT_TRUE(m.catalog.GetEntry(9).name.empty());

    // The catalog does not sort: a directory stored out of order is listed as stored.
    Loaded unsorted(PeBuilder::Pe32()
                        .ResourceOrder(tvtest::EntryOrder::AsAdded)
                        .AddResource(16, 1, 0, Filled(4))
                        .AddResource(3, 9, 0, Filled(4))
                        .AddResource(3, u"X", 0, Filled(4))
                        .Build());
    EXPECT_EQ(Outline(unsorted.catalog), "16/1 3/9 3/X");
}

TEST(ResourceCatalog, CountsAndSizesPerType) {
    Loaded m(Mixed().Build());
    ASSERT_TRUE(m.enumerated);
    EXPECT_EQ(m.catalog.CountOfType(2), 4);
    EXPECT_EQ(m.catalog.CountOfAll(), m.catalog.GetEntryCount());
    // Named types match by exact name; a named "6" is not type 6, and type 6 is not "6".
    EXPECT_EQ(m.catalog.CountOfType(Named("FOO")), 1);
    EXPECT_EQ(m.catalog.CountOfType(Named("foo")), 0);
    EXPECT_EQ(m.catalog.CountOfType(6), 1);
    EXPECT_EQ(m.catalog.SizeOfType(Named("6")), 9u);
    EXPECT_EQ(m.catalog.CountOfType(99), 0);
    EXPECT_EQ(m.catalog.SizeOfType(99), 0u);

    // The three-language resource is sized by the language a lookup gives (English here).
    EXPECT_EQ(m.catalog.SizeOfType(2), 100u + 10 + 20 + 31);
    EXPECT_EQ(m.catalog.GetTypeCount(), 6);
    uint64_t sum = 0;
    for (const auto& type :
         {CResourceId(2), CResourceId(6), CResourceId(16), Named("FOO"), Named("Foo"), Named("6")})
        sum += m.catalog.SizeOfType(type);
    EXPECT_EQ(m.catalog.SizeOfAll(), sum);
}

TEST(ResourceCatalog, ReadDataCopiesAtMostTheCapacityAndReturnsTheFullSize) {
    const auto big = Filled(40000, 3);
    Loaded m(PeBuilder::Pe32().AddResource(10, 1, 0, big).AddResource(10, 2, 0, {}).Build());
    ASSERT_TRUE(m.enumerated);
    EXPECT_EQ(m.catalog.ReadData(10, 1, nullptr, 0), 40000u);
    std::vector<uint8_t> buffer(16384 + 1, 0xEE);
    EXPECT_EQ(m.catalog.ReadData(10, 1, buffer.data(), 16384), 40000u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end() - 1, big.begin()));
    EXPECT_EQ(buffer.back(), 0xEE);
    EXPECT_EQ(m.catalog.ReadData(10, 2, buffer.data(), 16384), 0u);
    EXPECT_EQ(m.catalog.ReadData(10, 3, buffer.data(), 16384), 0u);
    EXPECT_EQ(m.catalog.ReadData(Named("10"), 1, nullptr, 0), 0u);
    const auto view = m.catalog.GetData(10, 1);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->Size(), 40000u);
}

TEST(ResourceCatalog, LoadErrorsKeepTheirCodesAndAModuleWithoutResourcesGives1812) {
    tvtest::TempDir dir;
    const auto withResources = dir.Write("a.dll", Mixed().Build());
    const auto without =
        dir.Write("b.dll", PeBuilder::Pe32().AddSection(".text", pe::kTextSection, {0xC3}).Build());
    const auto notPe = dir.Write("c.txt", Bytes("just text, not a module"));

    CResourceCatalog catalog;
    EXPECT_FALSE(catalog.Unload());
    EXPECT_EQ(catalog.GetErrorCode(), 0u);
    EXPECT_FALSE(catalog.Enumerate());

    ASSERT_TRUE(catalog.Enumerate(withResources.string()));
    EXPECT_EQ(catalog.GetPath(), withResources.string());
    EXPECT_EQ(catalog.GetEntryCount(), 9);

    EXPECT_FALSE(catalog.Enumerate(without.string()));
    EXPECT_EQ(catalog.GetErrorCode(), tv::kErrorResourceDataNotFound);
    EXPECT_EQ(catalog.GetEntryCount(), 0);
    EXPECT_TRUE(catalog.IsLoaded());

    // A failed load keeps the earlier path but lists nothing of the module it released.
    ASSERT_TRUE(catalog.Enumerate(withResources.string()));
    EXPECT_FALSE(catalog.Enumerate((dir.Path() / "missing.dll").string()));
    EXPECT_EQ(catalog.GetErrorCode(), tv::kErrorFileNotFound);
    EXPECT_EQ(catalog.GetPath(), withResources.string());
    EXPECT_EQ(catalog.GetEntryCount(), 0);
    EXPECT_FALSE(catalog.IsLoaded());
    EXPECT_EQ(catalog.ReadData(2, 5, nullptr, 0), 0u);

    EXPECT_FALSE(catalog.Load(notPe.string()));
    EXPECT_EQ(catalog.GetErrorCode(), tv::kErrorBadExeFormat);
    EXPECT_FALSE(catalog.Load((dir.Path() / "no" / "such.dll").string()));
    EXPECT_EQ(catalog.GetErrorCode(), tv::kErrorPathNotFound);

    // Load alone gives lookups; only Enumerate rebuilds the list, and Unload leaves it be.
    ASSERT_TRUE(catalog.Load(withResources.string()));
    EXPECT_EQ(catalog.ReadData(2, 5, nullptr, 0), 100u);
    EXPECT_EQ(catalog.GetEntryCount(), 0);
    ASSERT_TRUE(catalog.Enumerate());
    EXPECT_TRUE(catalog.Unload());
    EXPECT_EQ(catalog.GetEntryCount(), 9);
    EXPECT_EQ(catalog.ReadData(2, 5, nullptr, 0), 0u);

    const CResourceCatalog constructed(withResources.string());
    EXPECT_EQ(constructed.GetEntryCount(), 9);
}

TEST(ResourceCatalog, StringBlocksDecodeSixteenStringsToUtf8) {
    Loaded m(PeBuilder::Pe32()
                 .AddResource(6, 1, 0,
                              tvtest::StringBlock({std::nullopt, std::nullopt, std::nullopt, "drei",
                                                   std::nullopt, std::nullopt, std::nullopt,
                                                   u"\u20AC sieben"}))
                 .AddResource(6, 2, 0, tvtest::StringBlock({std::string(10000, 'x')}))
                 .AddResource(6, 3, 0, tvtest::StringBlock({u"\xD800 lone"}))
                 .Build());
    ASSERT_TRUE(m.enumerated);
    std::vector<std::string> strings{"kept"};
    ASSERT_TRUE(m.catalog.LoadStringBlock(1, strings));
    ASSERT_EQ(strings.size(), 17u);
    EXPECT_EQ(strings[0], "kept");
    EXPECT_EQ(strings[1 + 3], "drei");
    EXPECT_EQ(strings[1 + 7], "\xE2\x82\xAC sieben");
    EXPECT_EQ(std::count(strings.begin(), strings.end(), std::string()), 14);

    strings.clear();
    ASSERT_TRUE(m.catalog.LoadStringBlock(2, strings));
    EXPECT_EQ(strings[0].size(), 10000u);
    strings.clear();
    ASSERT_TRUE(m.catalog.LoadStringBlock(3, strings));
    EXPECT_EQ(strings[0], "\xEF\xBF\xBD lone");

    strings.clear();
    EXPECT_FALSE(m.catalog.LoadStringBlock(4, strings));
    EXPECT_FALSE(m.catalog.LoadStringBlock(Named("1"), strings));
    EXPECT_TRUE(strings.empty());
}

TEST(ResourceCatalog, StringBlockCutShortKeepsItsWholeStrings) {
    auto block = tvtest::StringBlock({"one", "two", "three"});
    // Cut inside "three": its count is there, its units are not.
    block.resize(2 + 6 + 2 + 6 + 2 + 4);
    std::vector<std::string> strings;
    EXPECT_FALSE(tv::DecodeStringBlock(tv::CByteView(block.data(), block.size()), strings));
    ASSERT_EQ(strings.size(), 16u);
    EXPECT_EQ(strings[0], "one");
    EXPECT_EQ(strings[1], "two");
    EXPECT_EQ(strings[2], "");
    // A count that claims more than the data holds, then nothing at all.
    strings.clear();
    const uint8_t huge[] = {0xFF, 0xFF, 'a', 0};
    EXPECT_FALSE(tv::DecodeStringBlock(tv::CByteView(huge, sizeof huge), strings));
    EXPECT_EQ(strings, std::vector<std::string>(16));
    strings.clear();
    EXPECT_FALSE(tv::DecodeStringBlock(tv::CByteView(), strings));
    EXPECT_EQ(strings.size(), 16u);

    // In a module: the block still lists its whole strings.
    Loaded m(PeBuilder::Pe32().AddResource(6, 1, 0, block).Build());
    strings.clear();
    ASSERT_TRUE(m.catalog.LoadStringBlock(1, strings));
    EXPECT_EQ(strings[1], "two");
}

TEST(ResourceCatalog, WriteRawOfATypeWritesEveryResourceBackToBack) {
    const auto a = Filled(100, 1);
    const auto c = Filled(50, 2);
    Loaded m(PeBuilder::Pe32()
                 .AddResource(2, 1, 0, a)
                 .AddResource(2, 2, 0, {})
                 .AddResource(2, 3, 0, c)
                 .AddResource(3, 1, 0, Filled(9))
                 .Build());
    ASSERT_TRUE(m.enumerated);
    std::ostringstream out;
    ASSERT_TRUE(m.catalog.WriteAllOfType(2, out));
    std::string expected(a.begin(), a.end());
    expected.append(c.begin(), c.end());
    EXPECT_EQ(out.str(), expected);

    std::ostringstream one;
    EXPECT_TRUE(m.catalog.WriteRaw(2, 2, one));
    EXPECT_TRUE(one.str().empty());
    EXPECT_FALSE(m.catalog.WriteRaw(2, 4, one));

    // A stream that refuses the bytes fails the write.
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_FALSE(m.catalog.WriteRaw(2, 1, broken));
}

TEST(ResourceCatalog, WriteRawStopsAtAResourceWhoseDataIsNotInTheFile) {
    tvtest::ResourceEntry outside;
    outside.type = 2;
    outside.name = 2;
    outside.data = Filled(8);
    outside.dataRva = 0x00F00000;
    Loaded m(PeBuilder::Pe32()
                 .AddResource(2, 1, 0, Bytes("first"))
                 .AddResource(outside)
                 .AddResource(2, 3, 0, Bytes("never"))
                 .Build());
    ASSERT_TRUE(m.enumerated);
    EXPECT_EQ(m.catalog.CountOfType(2), 3);
    EXPECT_EQ(m.catalog.ReadData(2, 2, nullptr, 0), 0u);
    // Data outside the file has no size on disk.
    EXPECT_EQ(m.catalog.SizeOfType(2), 10u);
    std::ostringstream out;
    EXPECT_FALSE(m.catalog.WriteAllOfType(2, out));
    EXPECT_EQ(out.str(), "first");
}

TEST(ResourceCatalog, ExportRawWritesAllBytesAndReportsFileErrors) {
    const auto big = Filled(100000, 5);
    Loaded m(
        PeBuilder::Pe32().AddResource(10, 1, 0, big).AddResource(10, 2, 0, Bytes("tail")).Build());
    ASSERT_TRUE(m.enumerated);
    tvtest::TempDir dir;
    const auto path = dir.Path() / "raw.bin";
    // Over an existing longer file: it is emptied first.
    dir.Write("raw.bin", Filled(200000));
    ASSERT_TRUE(m.catalog.ExportRaw(10, 1, path.string()));
    EXPECT_EQ(ReadFile(path), std::string(big.begin(), big.end()));
    EXPECT_TRUE(m.catalog.GetFileErrorText().empty());

    ASSERT_TRUE(m.catalog.ExportAllOfType(10, path.string()));
    EXPECT_EQ(ReadFile(path).size(), 100004u);

    const auto badPath = (dir.Path() / "missing" / "raw.bin").string();
    EXPECT_FALSE(m.catalog.ExportRaw(10, 1, badPath));
    EXPECT_EQ(m.catalog.GetFileErrorText(), "Der Pfad von " + badPath +
                                                " ist ungültig oder enthält einen Ordner, den es "
                                                "nicht gibt.");
    // A folder is no file to write to.
    EXPECT_FALSE(m.catalog.ExportRaw(10, 1, dir.Path().string()));
    EXPECT_FALSE(m.catalog.GetFileErrorText().empty());
    // A resource that does not exist: the file is made, the export fails, no file error.
    EXPECT_FALSE(m.catalog.ExportRaw(10, 3, path.string()));
    EXPECT_TRUE(m.catalog.GetFileErrorText().empty());
}

TEST(ResourceCatalog, HostileDirectoriesStayLinear) {
    // 131,070 names (as many as one table can declare) of type 6 sharing one language table:
    // counting, sizing, writing and listing them all must not look every one of them up again.
    constexpr uint32_t kNames = 2 * 0xFFFF;
    const auto block = tvtest::StringBlock({"s"});
    std::vector<uint8_t> dirBytes(16 + 8 + 16 + 8 * kNames + 16 + 8 + 16);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dirBytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    constexpr uint32_t kRva = 0x1000;
    const uint32_t names = 16 + 8;
    const uint32_t languages = names + 16 + 8 * kNames;
    const uint32_t leaf = languages + 16 + 8;
    put32(12, 1u << 16);  // root: one numbered entry
    put32(16, 6);
    put32(20, 0x80000000 | names);
    // Each count is 16 bits; the reader takes named and numbered entries by their own bits.
    put32(names + 12, 0xFFFFFFFFu);
    for (uint32_t i = 0; i < kNames; ++i) {
        put32(names + 16 + 8 * i, (i % 0xFFFF) + 1);
        put32(names + 16 + 8 * i + 4, 0x80000000 | languages);
    }
    put32(languages + 12, 1u << 16);
    put32(languages + 16, 0);
    put32(languages + 20, leaf);
    put32(leaf, kRva + static_cast<uint32_t>(dirBytes.size()));
    put32(leaf + 4, static_cast<uint32_t>(block.size()));
    dirBytes.insert(dirBytes.end(), block.begin(), block.end());
    tvtest::SectionDesc section;
    section.name = ".rsrc";
    section.characteristics = pe::kReadOnlyDataSection;
    section.data = dirBytes;
    section.virtualAddress = kRva;
    Loaded m(PeBuilder::Pe32()
                 .AddSection(section)
                 .DataDirectory(pe::kDirResource, kRva, static_cast<uint32_t>(dirBytes.size()))
                 .Build());

    ASSERT_TRUE(m.enumerated);
    ASSERT_EQ(m.catalog.CountOfType(6), static_cast<int>(kNames));
    EXPECT_EQ(m.catalog.SizeOfAll(), uint64_t{kNames} * block.size());
    EXPECT_EQ(m.catalog.GetTypeCount(), 1);
    std::ostringstream out;
    EXPECT_TRUE(m.catalog.WriteAllOfType(6, out));
    EXPECT_EQ(out.str().size(), size_t{kNames} * block.size());
    EXPECT_EQ(tv::StringRowsOfAllTables(m.catalog, false).rows.size(), kNames);
}

TEST(ResourceCatalog, ADirectoryPointingBackIntoItselfTerminates) {
    PeLayout layout;
    auto bytes = Mixed().Build(&layout);
    const size_t root = layout.resourceTables.at(0);
    // The first type's entry leads back to the root table.
    tvtest::Patch32(bytes, root + pe::kResourceDirectorySize + 4, pe::kResIsDirectory);
    Loaded m(std::move(bytes));
    ASSERT_TRUE(m.enumerated);
    EXPECT_EQ(Outline(m.catalog), "FOO/1 Foo/1 2/ALPHA 2/ZED 2/1 2/5 6/1 16/1");
    EXPECT_FALSE(m.catalog.Diagnostics().empty());
}

TEST(ResourceCatalog, TypesAndNamesNumberedZeroAreResourcesLikeAnyOther) {
    // Wine's cards.dll has a bitmap 0: it is listed, counted, sized and read, and "all" is never
    // spelled as the number 0.
    PeLayout layout;
    auto bytes = PeBuilder::Pe32()
                     .AddResource(3, 1, 0, Bytes("icon"))
                     .AddResource(6, 1, 0, tvtest::StringBlock({"eins"}))
                     .AddResource(6, 2, 0, tvtest::StringBlock({"zwei"}))
                     .Build(&layout);
    const size_t root = layout.resourceTables.at(0);
    const size_t strings = layout.resourceTables.at(2);
    tvtest::Patch32(bytes, root + pe::kResourceDirectorySize, 0);     // type 3 becomes 0
    tvtest::Patch32(bytes, strings + pe::kResourceDirectorySize, 0);  // block 1 becomes 0
    Loaded m(std::move(bytes));
    ASSERT_TRUE(m.enumerated);
    EXPECT_EQ(Outline(m.catalog), "0/1 6/0 6/2");
    EXPECT_EQ(m.catalog.CountOfAll(), 3);
    EXPECT_EQ(m.catalog.CountOfType(0), 1);
    EXPECT_EQ(m.catalog.SizeOfType(0), 4u);
    EXPECT_EQ(m.catalog.SizeOfAll(), m.catalog.SizeOfType(0) + m.catalog.SizeOfType(6));
    EXPECT_EQ(m.catalog.GetTypeCount(), 2);
    EXPECT_EQ(m.catalog.ReadData(0, 1, nullptr, 0), 4u);
    std::ostringstream icon;
    ASSERT_TRUE(m.catalog.WriteRaw(0, 1, icon));
    EXPECT_EQ(icon.str(), "icon");
    std::ostringstream all;
    ASSERT_TRUE(m.catalog.WriteAllOfType(6, all));
    EXPECT_EQ(all.str().size(), m.catalog.SizeOfType(6));
    // Block 0 has no string ids (they would start at -16), so all tables still list block 2 only.
    EXPECT_EQ(tv::StringRowsOfAllTables(m.catalog, false).rows.size(), 1u);
}

// Every operation over every entry, for modules the sanitizers watch.
void ExerciseEverything(const std::vector<uint8_t>& bytes) {
    CResourceCatalog catalog;
    if (!catalog.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "x.dll")) return;
    if (!catalog.Enumerate()) return;
    std::vector<uint8_t> buffer(64);
    for (const CResourceEntry& e : catalog.Entries()) {
        (void)catalog.CountOfType(e.TypeId());
        (void)catalog.SizeOfType(e.TypeId());
        (void)catalog.ReadData(e.TypeId(), e.NameId(), buffer.data(),
                               static_cast<uint32_t>(buffer.size()));
        std::vector<std::string> strings;
        (void)catalog.LoadStringBlock(e.NameId(), strings);
        std::ostringstream out;
        (void)catalog.WriteAllOfType(e.TypeId(), out);
    }
    (void)catalog.GetTypeCount();
    (void)tv::StringRowsOfAllTables(catalog, true);
}

TEST(ResourceCatalog, TruncatedAndBitFlippedSectionsNeverCrash) {
    PeLayout layout;
    const auto good = Mixed().Build(&layout);
    tvtest::ForEachTruncation(good, ExerciseEverything);
    const size_t first = layout.resourceDirectory.offset;
    const size_t last = first + layout.resourceDirectory.size;
    for (size_t bit = first * 8; bit < last * 8; bit += 3) {
        auto flipped = good;
        tvtest::FlipBit(flipped, bit);
        ExerciseEverything(flipped);
    }
}

// Compares the catalog with icoutils' wrestool on real modules: every (type, name, language)
// with its data RVA (what wrestool calls the offset) and size, in directory order; the bytes of
// the first resource of every type in the language a lookup chooses; and counts and sizes.
// Runs only when TARNVIEW_WINE_MODULES names a folder of modules (Wine's PE DLLs, say) and
// wrestool is installed; the modules themselves are never committed.
namespace wine {

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// wrestool's "--type=1 --name='X' --language=0 [type=cursor offset=0x1 size=2]" as
// "1 X 0 0x1 2".
std::string FromWrestool(const std::string& listing) {
    static const std::regex line(
        R"(--type=(\d+|'[^']*') --name=(\d+|'[^']*') --language=(\d+) \[(?:type=\S+ )?offset=(0x[0-9a-f]+) size=(\d+)\])");
    std::string out;
    auto unquote = [](std::string s) { return s.front() == '\'' ? s.substr(1, s.size() - 2) : s; };
    for (auto it = std::sregex_iterator(listing.begin(), listing.end(), line);
         it != std::sregex_iterator(); ++it) {
        out += unquote((*it)[1]) + ' ' + unquote((*it)[2]) + ' ' + (*it)[3].str() + ' ' +
               (*it)[4].str() + ' ' + (*it)[5].str() + '\n';
    }
    return out;
}

std::string FromCatalog(const CResourceCatalog& catalog) {
    const tv::CResourceDirectory& dir = catalog.GetDirectory();
    std::string out;
    char offset[24];
    for (const auto& type : dir.Types())
        for (const auto& name : dir.Names(type))
            for (const auto& leaf : dir.Languages(name)) {
                std::snprintf(offset, sizeof offset, "0x%llx",
                              static_cast<unsigned long long>(leaf.dataRva));
                // wrestool's listing prints a named type's name where a resource under it has
                // a name too (its lookups use the real name, which the byte check below uses).
                const bool bothNamed = type.id.isName && name.id.isName;
                out += dir.ToText(type.id) + ' ' + dir.ToText(bothNamed ? type.id : name.id) + ' ' +
                       std::to_string(leaf.language) + ' ' + offset + ' ' +
                       std::to_string(leaf.dataSize) + '\n';
            }
    return out;
}

TEST(ResourceCatalogWine, AgreesWithWrestoolOnRealModules) {
    const char* folder = std::getenv("TARNVIEW_WINE_MODULES");
    if (!folder || !std::filesystem::is_directory(folder))
        GTEST_SKIP() << "set TARNVIEW_WINE_MODULES to a folder of PE modules";
    if (RunCommand("command -v wrestool").empty()) GTEST_SKIP() << "wrestool is not installed";
    std::vector<std::filesystem::path> modules;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) modules.push_back(entry.path());
    std::sort(modules.begin(), modules.end());
    size_t withResources = 0;
    size_t leaves = 0;
    size_t extracted = 0;
    for (const auto& path : modules) {
        const std::string expected =
            FromWrestool(RunCommand("wrestool --list '" + path.string() + "' 2>/dev/null"));
        tv::CMappedFile file;
        ASSERT_TRUE(file.Open(path.string()));
        CResourceCatalog catalog;
        if (!catalog.LoadFromMemory(file.View(), path.string())) {
            EXPECT_EQ(expected, "") << path;
            continue;
        }
        const bool enumerated = catalog.Enumerate();
        const std::string actual = enumerated ? FromCatalog(catalog) : "";
        EXPECT_EQ(actual, expected) << path;
        if (!enumerated || actual.empty()) continue;
        ++withResources;
        leaves += static_cast<size_t>(std::count(actual.begin(), actual.end(), '\n'));
        // One entry per (type, name); the sizes of the types add up to the module's.
        uint64_t sum = 0;
        int count = 0;
        std::set<std::string> types;
        for (const CResourceEntry& e : catalog.Entries()) {
            if (!types.insert(e.type.ToText() + (e.type.IsName() ? "'" : "")).second) continue;
            sum += catalog.SizeOfType(e.TypeId());
            count += catalog.CountOfType(e.TypeId());
        }
        EXPECT_EQ(sum, catalog.SizeOfAll()) << path;
        EXPECT_EQ(count, catalog.GetEntryCount()) << path;
        EXPECT_EQ(static_cast<int>(types.size()), catalog.GetTypeCount()) << path;
        // The bytes of the first resource of each type and of every named resource of a named
        // type, in the language a lookup chooses.
        std::set<std::string> typesChecked;
        for (const CResourceEntry& entry : catalog.Entries()) {
            const std::string typeKey = entry.type.ToText() + (entry.type.IsName() ? "'" : "");
            const bool bothNamed = entry.type.IsName() && entry.id.IsName();
            if (!typesChecked.insert(typeKey).second && !bothNamed) continue;
            const tv::ResourceLeaf* leaf = catalog.GetDirectory().Find(entry.type, entry.id);
            const auto data = catalog.GetData(entry.type, entry.id);
            ASSERT_TRUE(leaf && data) << path << ' ' << typeKey;
            auto option = [](const tv::CResourceId& id) {
                return id.IsName() ? "+" + id.ToText() : id.ToText();
            };
            const std::string bytes =
                RunCommand("wrestool -x -R --type='" + option(entry.type) + "' --name='" +
                           option(entry.id) + "' --language=" + std::to_string(leaf->language) +
                           " '" + path.string() + "' 2>/dev/null");
            EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(data->Data()), data->Size()))
                << path << ' ' << typeKey;
            ++extracted;
        }
    }
    std::printf(
        "%zu modules, %zu with resources, %zu resource leaves listed alike, %zu resources "
        "extracted alike\n",
        modules.size(), withResources, leaves, extracted);
}

}  // namespace wine

}  // namespace
