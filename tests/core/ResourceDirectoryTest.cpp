// The resource directory reader over modules made by the PE builder, and over hand-written
// directories for the layouts no linker makes (loops, shared subdirectories, huge counts).
#include "module/ResourceDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/ErrorCodes.h"
#include "module/PeFile.h"
#include "support/PeBuilder.h"

namespace {

using tv::CResourceDirectory;
using tv::CResourceId;
using tvtest::PeBuilder;
using tvtest::PeLayout;
namespace pe = tvtest::pe;

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// A module's bytes with its headers parsed and its resource directory read. Not movable: the
// reader's views point into the bytes.
struct Module {
    explicit Module(std::vector<uint8_t> image) : bytes(std::move(image)) {
        parsed = pe.Parse(tv::CByteView(bytes.data(), bytes.size()));
        read = directory.Read(pe);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    std::vector<uint8_t> bytes;
    tv::CPeFile pe;
    CResourceDirectory directory;
    bool parsed = false;
    bool read = false;
};

// The directory as one line: "type{name[lang lang] name[lang]} type{...}", languages in hex and
// a leaf without data marked "!", so order and grouping are compared at a glance.
std::string Outline(const CResourceDirectory& dir) {
    std::string out;
    for (const auto& type : dir.Types()) {
        if (!out.empty()) out += ' ';
        out += dir.ToText(type.id) + '{';
        bool firstName = true;
        for (const auto& name : dir.Names(type)) {
            if (!firstName) out += ' ';
            firstName = false;
            out += dir.ToText(name.id) + '[';
            bool firstLanguage = true;
            for (const auto& leaf : dir.Languages(name)) {
                char text[16];
                std::snprintf(text, sizeof text, "%s%04x%s", firstLanguage ? "" : " ",
                              static_cast<unsigned>(leaf.language), leaf.hasData ? "" : "!");
                out += text;
                firstLanguage = false;
            }
            out += ']';
        }
        out += '}';
    }
    return out;
}

std::string Data(const tv::ResourceLeaf* leaf) {
    if (!leaf || !leaf->hasData) return "<none>";
    return {reinterpret_cast<const char*>(leaf->data.Data()), leaf->data.Size()};
}

bool HasNote(const CResourceDirectory& dir, std::string_view part) {
    for (const auto& note : dir.Diagnostics())
        if (tv::NoteText(note).find(part) != std::string::npos) return true;
    return false;
}

PeBuilder Mixed(tvtest::EntryOrder order) {
    PeBuilder b = PeBuilder::Pe32();
    b.ResourceOrder(order)
        .AddResource(16, 1, 0x0409, Bytes("v-en"), 1252)
        .AddResource(u"PNG", u"LOGO", 0x0407, Bytes("png"))
        .AddResource(3, 2, 0x0407, Bytes("icon2"))
        .AddResource(3, u"ICON", 0, Bytes("named icon"))
        .AddResource(3, 1, 0, Bytes("icon1"))
        .AddResource(u"AVI", 5, 0, Bytes(""))
        .AddResource(16, 1, 0x0407, Bytes("v-de"), 1252)
        .AddResource(16, 1, 0, Bytes("v-neutral"));
    return b;
}

TEST(ResourceDirectory, KeepsDirectoryOrderAndGroupsLanguagesUnderOneName) {
    // As linkers lay it out: named before numbered at every level, names by their units.
    Module sorted(Mixed(tvtest::EntryOrder::Sorted).Build());
    ASSERT_TRUE(sorted.read);
    EXPECT_EQ(Outline(sorted.directory),
              "AVI{5[0000]} PNG{LOGO[0407]} 3{ICON[0000] 1[0000] 2[0407]} "
              "16{1[0000 0407 0409]}");
    EXPECT_TRUE(sorted.directory.Diagnostics().empty());
    EXPECT_TRUE(sorted.directory.IsComplete());

    // The reader does not sort: a directory in another order is listed in that order.
    Module asAdded(Mixed(tvtest::EntryOrder::AsAdded).Build());
    ASSERT_TRUE(asAdded.read);
    EXPECT_EQ(Outline(asAdded.directory),
              "16{1[0409 0407 0000]} PNG{LOGO[0407]} 3{2[0407] ICON[0000] 1[0000]} AVI{5[0000]}");
}

TEST(ResourceDirectory, CountsEachTypeAndNameOnceWhateverItsLanguages) {
    Module m(Mixed(tvtest::EntryOrder::Sorted).Build());
    const CResourceDirectory& dir = m.directory;
    EXPECT_EQ(dir.NameCount(), 6u);
    EXPECT_EQ(dir.CountOfType(16), 1u);
    EXPECT_EQ(dir.CountOfType(3), 3u);
    EXPECT_EQ(dir.CountOfType(CResourceId(u"PNG")), 1u);
    EXPECT_EQ(dir.CountOfType(2), 0u);
    EXPECT_EQ(dir.Types().size(), 4u);
}

TEST(ResourceDirectory, NamesCompareExactlyAndConvertToUtf8) {
    Module m(PeBuilder::Pe32()
                 .AddResource(u"PNG", 1, 0, Bytes("upper"))
                 .AddResource(u"png", 1, 0, Bytes("lower"))
                 .AddResource(7, 1, 0, Bytes("seven"))
                 .AddResource(10, u"PRICE\u20AC", 0, Bytes("euro"))
                 .AddResource(10, std::u16string(u"BAD\xD800"), 0, Bytes("lone surrogate"))
                 .Build());
    ASSERT_TRUE(m.read);
    const CResourceDirectory& dir = m.directory;
    // Letter case makes two types.
    EXPECT_EQ(Data(dir.Find(CResourceId(u"PNG"), 1)), "upper");
    EXPECT_EQ(Data(dir.Find(CResourceId(u"png"), 1)), "lower");
    EXPECT_EQ(dir.Find(CResourceId(u"Png"), 1), nullptr);
    // A name never matches a number, even one that reads the same.
    EXPECT_EQ(dir.Find(CResourceId(u"7"), 1), nullptr);
    EXPECT_EQ(Data(dir.Find(7, 1)), "seven");
    // UTF-16 names convert to UTF-8; an unpaired surrogate shows as U+FFFD.
    EXPECT_EQ(Data(dir.Find(10, CResourceId::FromUtf8("PRICE€"))), "euro");
    const auto* type10 = dir.FindType(10);
    ASSERT_NE(type10, nullptr);
    std::vector<std::string> names;
    for (const auto& name : dir.Names(*type10))
        names.push_back(dir.ToText(name.id));
    EXPECT_EQ(names, (std::vector<std::string>{"BAD\xEF\xBF\xBD", "PRICE€"}));
    EXPECT_EQ(dir.ToId(dir.Names(*type10)[0].id).GetName(), std::u16string(u"BAD\xD800"));
}

TEST(ResourceDirectory, LookupPrefersNeutralThenEnglishThenTheFirstLanguage) {
    struct Case {
        std::vector<uint16_t> languages;  // in directory order
        uint16_t chosen;
    };
    const Case cases[] = {
        {{0x0407, 0x0409, 0x0000}, 0x0000},
        {{0x0407, 0x0409}, 0x0409},
        {{0x040C, 0x0407}, 0x040C},
        {{0x0809}, 0x0809},
    };
    for (const Case& c : cases) {
        PeBuilder b = PeBuilder::Pe32();
        b.ResourceOrder(tvtest::EntryOrder::AsAdded);
        for (uint16_t language : c.languages)
            b.AddResource(6, 1, language, Bytes(std::to_string(language)));
        Module m(b.Build());
        const tv::ResourceLeaf* leaf = m.directory.Find(6, 1);
        ASSERT_NE(leaf, nullptr);
        EXPECT_EQ(leaf->language, c.chosen) << "first language " << c.languages.front();
        EXPECT_EQ(Data(leaf), std::to_string(c.chosen));
    }
}

TEST(ResourceDirectory, LeafKeepsItsDataEntryAndABoundedViewOfTheBytes) {
    tvtest::ResourceEntry outside;
    outside.type = 16;
    outside.name = 2;
    outside.data = Bytes("unused");
    outside.dataRva = 0x7FFF0000;
    tvtest::ResourceEntry tooLong = outside;
    tooLong.name = 3;
    tooLong.dataRva.reset();
    tooLong.dataSize = 0x10000000;
    Module m(PeBuilder::Pe32()
                 .AddResource(16, 1, 0x0407, Bytes("version bytes"), 1252)
                 .AddResource(outside)
                 .AddResource(tooLong)
                 .Build());
    ASSERT_TRUE(m.read);
    const tv::ResourceLeaf* leaf = m.directory.Find(16, 1);
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->codePage, 1252u);
    EXPECT_EQ(leaf->dataSize, 13u);
    EXPECT_EQ(Data(leaf), "version bytes");
    // Data that does not lie in the file is listed without bytes, and said so.
    EXPECT_EQ(Outline(m.directory), "16{1[0407] 2[0000!] 3[0000!]}");
    EXPECT_EQ(m.directory.Find(16, 2)->dataRva, 0x7FFF0000u);
    EXPECT_TRUE(HasNote(m.directory, "RVA 0x7fff0000"));
    EXPECT_TRUE(HasNote(m.directory, "268435456 Bytes"));
}

TEST(ResourceDirectory, ModuleWithoutAResourceSectionGivesError1812) {
    // No resource directory at all.
    Module none(PeBuilder::Pe32().AddSection(".text", pe::kTextSection, {0xC3}).Build());
    ASSERT_TRUE(none.parsed);
    EXPECT_FALSE(none.read);
    EXPECT_EQ(none.directory.GetErrorCode(), tv::kErrorResourceDataNotFound);
    EXPECT_TRUE(none.directory.Types().empty());

    // A directory entry that no section holds.
    Module unplaced(PeBuilder::Pe32()
                        .AddSection(".text", pe::kTextSection, {0xC3})
                        .DataDirectory(pe::kDirResource, 0x00900000, 64)
                        .Build());
    EXPECT_FALSE(unplaced.read);
    EXPECT_EQ(unplaced.directory.GetErrorCode(), tv::kErrorResourceDataNotFound);

    // Fewer data directories than the resource entry needs.
    Module shortTable(
        PeBuilder::Pe32().AddResource(16, 1, 0, Bytes("v")).DataDirectoryCount(2).Build());
    EXPECT_FALSE(shortTable.read);
    EXPECT_EQ(shortTable.directory.GetErrorCode(), tv::kErrorResourceDataNotFound);

    // An empty directory is a directory: it reads, with nothing in it.
    Module empty(PeBuilder::Pe32().EmptyResourceDirectory().Build());
    EXPECT_TRUE(empty.read);
    EXPECT_EQ(empty.directory.NameCount(), 0u);

    // A second Read forgets the first.
    Module reused(Mixed(tvtest::EntryOrder::Sorted).Build());
    EXPECT_FALSE(reused.directory.Read(none.pe));
    EXPECT_TRUE(reused.directory.Types().empty());
    EXPECT_EQ(reused.directory.NameCount(), 0u);
}

// Entry `index` of the directory table at file offset `table`.
size_t EntryAt(size_t table, size_t index) {
    return table + pe::kResourceDirectorySize + pe::kResourceEntrySize * index;
}

TEST(ResourceDirectory, DamagedEntryDropsOnlyItself) {
    PeLayout layout;
    const auto good = PeBuilder::Pe32()
                          .AddResource(u"NAMED", 1, 0, Bytes("named"))
                          .AddResource(2, 1, 0, Bytes("bitmap"))
                          .AddResource(3, 1, 0, Bytes("icon"))
                          .AddResource(4, 1, 0, Bytes("menu"))
                          .AddResource(5, 1, 0, Bytes("dialog 1"))
                          .AddResource(5, 2, 0, Bytes("dialog 2"))
                          .Build(&layout);
    const size_t root = layout.resourceTables.at(0);
    const size_t dialogs = layout.resourceTables.at(5);
    struct Damage {
        const char* what;
        size_t offset;
        uint32_t value;
        const char* outline;
        const char* note;
    };
    const Damage damages[] = {
        {"type name string outside the section", EntryAt(root, 0), 0x8FFFFFF0,
         "2{1[0000]} 3{1[0000]} 4{1[0000]} 5{1[0000] 2[0000]}", "liegt außerhalb"},
        {"type number above 16 bits", EntryAt(root, 1), 0x00010002,
         "NAMED{1[0000]} 3{1[0000]} 4{1[0000]} 5{1[0000] 2[0000]}", "größer als 65535"},
        {"type entry without the subdirectory flag", EntryAt(root, 2) + 4, 0x00000010,
         "NAMED{1[0000]} 2{1[0000]} 4{1[0000]} 5{1[0000] 2[0000]}", "statt auf ein Verzeichnis"},
        {"type subdirectory outside the section", EntryAt(root, 3) + 4, 0x8FFFFF00,
         "NAMED{1[0000]} 2{1[0000]} 3{1[0000]} 5{1[0000] 2[0000]}", "liegt außerhalb"},
        {"name subdirectory outside the section", EntryAt(dialogs, 0) + 4, 0x80FFFFF0,
         "NAMED{1[0000]} 2{1[0000]} 3{1[0000]} 4{1[0000]} 5{2[0000]}", "liegt außerhalb"},
    };
    for (const Damage& d : damages) {
        auto bytes = good;
        tvtest::Patch32(bytes, d.offset, d.value);
        Module m(std::move(bytes));
        ASSERT_TRUE(m.read) << d.what;
        EXPECT_EQ(Outline(m.directory), d.outline) << d.what;
        EXPECT_TRUE(HasNote(m.directory, d.note)) << d.what;
    }

    // Counts that claim more entries than the section holds: the entries that fit are read.
    auto bytes = good;
    tvtest::Patch16(bytes, dialogs + pe::kResNumberOfIdEntries, 0xFFFF);
    Module m(std::move(bytes));
    ASSERT_TRUE(m.read);
    EXPECT_TRUE(HasNote(m.directory, "nennt 65535 Einträge"));
    EXPECT_GE(m.directory.CountOfType(5), 2u);
}

TEST(ResourceDirectory, WalkStaysWithinThreeLevelsAndNeverLoops) {
    PeLayout layout;
    const auto good = PeBuilder::Pe32()
                          .AddResource(4, 1, 0, Bytes("menu"))
                          .AddResource(5, 1, 0, Bytes("dialog"))
                          .AddResource(5, 2, 0x0407, Bytes("dialog de"))
                          .AddResource(5, 2, 0x0409, Bytes("dialog en"))
                          .Build(&layout);
    // Tables: root, type 4, type 5, name 4/1, name 5/1, name 5/2.
    const size_t root = layout.resourceTables.at(0);
    const size_t type5 = layout.resourceTables.at(2);
    const size_t name52 = layout.resourceTables.at(5);
    const uint32_t type5Offset = static_cast<uint32_t>(type5 - root);
    struct Damage {
        const char* what;
        size_t offset;
        uint32_t value;
        const char* outline;
    };
    const Damage damages[] = {
        {"type points back to the root", EntryAt(root, 0) + 4, 0x80000000,
         "5{1[0000] 2[0407 0409]}"},
        {"name points back to the root", EntryAt(type5, 0) + 4, 0x80000000,
         "4{1[0000]} 5{2[0407 0409]}"},
        {"name points back to its own type", EntryAt(type5, 0) + 4, 0x80000000 | type5Offset,
         "4{1[0000]} 5{2[0407 0409]}"},
        // A language that leads on into a directory (here: the type's) is not followed.
        {"language points to a subdirectory", EntryAt(name52, 1) + 4, 0x80000000 | type5Offset,
         "4{1[0000]} 5{1[0000] 2[0407]}"},
        {"language is a name", EntryAt(name52, 0), 0x80000000 | type5Offset,
         "4{1[0000]} 5{1[0000] 2[0409]}"},
    };
    for (const Damage& d : damages) {
        auto bytes = good;
        tvtest::Patch32(bytes, d.offset, d.value);
        Module m(std::move(bytes));
        ASSERT_TRUE(m.read) << d.what;
        EXPECT_EQ(Outline(m.directory), d.outline) << d.what;
        EXPECT_FALSE(m.directory.Diagnostics().empty()) << d.what;
    }
}

// A resource section written table by table, for layouts no linker makes.
class RawDirectory {
public:
    static constexpr uint32_t kSectionRva = 0x1000;

    // A directory table with room for count entries; returns its offset.
    uint32_t Table(uint16_t named, uint16_t numbered) {
        const auto at = static_cast<uint32_t>(m_bytes.size());
        m_bytes.resize(m_bytes.size() + pe::kResourceDirectorySize +
                       pe::kResourceEntrySize * (named + numbered));
        Put16(at + pe::kResNumberOfNamedEntries, named);
        Put16(at + pe::kResNumberOfIdEntries, numbered);
        return at;
    }
    void Entry(uint32_t table, uint32_t index, uint32_t name, uint32_t target) {
        const auto at = static_cast<uint32_t>(EntryAt(table, index));
        Put32(at, name);
        Put32(at + 4, target);
    }
    // An IMAGE_RESOURCE_DATA_ENTRY and its bytes; returns the entry's offset.
    uint32_t Leaf(std::string_view data) {
        const auto at = static_cast<uint32_t>(m_bytes.size());
        m_bytes.resize(m_bytes.size() + pe::kResourceDataEntrySize);
        Put32(at, kSectionRva + static_cast<uint32_t>(m_bytes.size()));
        Put32(at + 4, static_cast<uint32_t>(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        while (m_bytes.size() % 4 != 0)
            m_bytes.push_back(0);
        return at;
    }
    [[nodiscard]] std::vector<uint8_t> Build() const {
        tvtest::SectionDesc section;
        section.name = ".rsrc";
        section.characteristics = pe::kReadOnlyDataSection;
        section.data = m_bytes;
        section.virtualAddress = kSectionRva;
        return PeBuilder::Pe32()
            .AddSection(section)
            .DataDirectory(pe::kDirResource, kSectionRva, static_cast<uint32_t>(m_bytes.size()))
            .Build();
    }

private:
    void Put16(size_t at, uint16_t v) {
        m_bytes[at] = static_cast<uint8_t>(v);
        m_bytes[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void Put32(size_t at, uint32_t v) {
        Put16(at, static_cast<uint16_t>(v));
        Put16(at + 2, static_cast<uint16_t>(v >> 16));
    }

    std::vector<uint8_t> m_bytes;
};

TEST(ResourceDirectory, SharedSubdirectoriesAreReadUntilTheEntryBudgetRunsOut) {
    // 1,000 types share one type table of 1,000 names, which share one language table: a
    // million resources in a few kilobytes. The walk stops at the budget and says so.
    RawDirectory raw;
    const uint32_t root = raw.Table(0, 1000);
    const uint32_t names = raw.Table(0, 1000);
    const uint32_t languages = raw.Table(0, 1);
    const uint32_t leaf = raw.Leaf("shared");
    for (uint32_t i = 0; i < 1000; ++i) {
        raw.Entry(root, i, i + 1, 0x80000000 | names);
        raw.Entry(names, i, i + 1, 0x80000000 | languages);
    }
    raw.Entry(languages, 0, 0x0407, leaf);
    Module m(raw.Build());
    ASSERT_TRUE(m.read);
    EXPECT_FALSE(m.directory.IsComplete());
    EXPECT_TRUE(HasNote(m.directory, "Verzeichniseinträge"));
    EXPECT_LE(m.directory.NameCount(), CResourceDirectory::kMaxEntries);
    EXPECT_GT(m.directory.NameCount(), CResourceDirectory::kMaxEntries / 3);
    EXPECT_EQ(Data(m.directory.Find(1, 1000)), "shared");
}

TEST(ResourceDirectory, DiagnosticsAreCappedForADirectoryFullOfDamage) {
    // 5,000 type entries with numbers above 16 bits: each is noted, but only up to the cap.
    RawDirectory raw;
    const uint32_t root = raw.Table(0, 5000);
    for (uint32_t i = 0; i < 5000; ++i)
        raw.Entry(root, i, 0x10000 + i, 0x80000000);
    Module m(raw.Build());
    ASSERT_TRUE(m.read);
    EXPECT_TRUE(m.directory.Types().empty());
    EXPECT_EQ(m.directory.Diagnostics().size(), CResourceDirectory::kMaxDiagnostics + 1);
    EXPECT_EQ(tv::NoteText(m.directory.Diagnostics().back()),
              std::to_string(5000 - CResourceDirectory::kMaxDiagnostics) +
                  " weitere Fehler nicht aufgeführt");
}

TEST(ResourceDirectory, TruncatedModulesNeverReadOutsideTheirBytes) {
    const auto bytes = Mixed(tvtest::EntryOrder::Sorted).Build();
    tvtest::ForEachTruncation(bytes, [](const std::vector<uint8_t>& prefix) {
        tv::CPeFile pe;
        if (!pe.Parse(tv::CByteView(prefix.data(), prefix.size()))) return;
        CResourceDirectory dir;
        if (!dir.Read(pe)) return;
        size_t sum = 0;
        for (const auto& type : dir.Types())
            for (const auto& name : dir.Names(type))
                for (const auto& leaf : dir.Languages(name))
                    for (size_t i = 0; i < leaf.data.Size(); ++i)
                        sum += leaf.data.Data()[i];
        (void)sum;
        (void)dir.Find(16, 1);
    });
}

}  // namespace
