#include "settings/Hive.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "support/HiveHelper.h"

namespace {

// Forking a sanitized process costs far more; the sanitizer copy of these tests runs fewer rounds
// of the multi-process tests, which look for lost and torn writes, not for memory errors.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kProcessRounds = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kProcessRounds = 4;
#else
constexpr int kProcessRounds = 25;
#endif
#else
constexpr int kProcessRounds = 25;
#endif

using tv::HiveDocument;
using tv::HiveKey;
using tv::HiveValue;

HiveDocument Parse(std::string_view text) {
    HiveDocument document;
    tv::HiveParseError error;
    EXPECT_TRUE(tv::ParseHive(text, document, &error))
        << "line " << error.line << ": " << error.reason;
    return document;
}

// The line number of the first complaint, or 0 when the text parses.
size_t ErrorLine(std::string_view text) {
    HiveDocument document;
    tv::HiveParseError error;
    if (tv::ParseHive(text, document, &error)) return 0;
    EXPECT_FALSE(error.reason.empty());
    return error.line == 0 ? SIZE_MAX : error.line;
}

const HiveKey* Key(const HiveDocument& document, std::initializer_list<std::string_view> path) {
    const HiveKey* key = &document.root;
    for (const auto part : path) {
        const HiveKey* next = nullptr;
        for (const auto& child : key->subkeys)
            if (tv::HiveNamesEqual(child.name, part)) next = &child;
        if (!next) return nullptr;
        key = next;
    }
    return key;
}

std::vector<uint8_t> Bytes(std::string_view text, bool zero = false) {
    std::vector<uint8_t> out(text.begin(), text.end());
    if (zero) out.push_back(0);
    return out;
}

std::vector<uint8_t> Dword(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// ---- the text format -----------------------------------------------------------------------

TEST(HiveFormatTest, ReadsAHandEditedFile) {
    const std::string text =
        "\xEF\xBB\xBFREGEDIT4\r\n"
        "\r\n"
        "; settings of the viewer\r\n"
        "[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\ViewSettings]\r\n"
        "  \"ShowFolders\" = dword:0   \r\n"
        "\"RightViewStyle\"=dword:00007dab\r\n"
        "\r\n"
        "[hkey_current_user\\software\\BRISLING\\Sablekit\\Tarnview\\Größe]\r\n"
        "@=\"Standard\"\r\n"
        "\"Pfad\"=\"C:\\\\Programme\\\\\\\"Tarn\\\"\"\r\n"
        "\"Lax\"=\"C:\\Temp\"\r\n"
        "\"Blob\"=hex:01, 2,ff,\\\r\n"
        "    10 ,\\\r\n"
        "  20\r\n"
        "\"Multi\"=hex(7):61,00,00\r\n"
        "\"Leer\"=hex:\r\n";
    const HiveDocument document = Parse(text);
    const HiveKey* view =
        Key(document, {"Software", "Brisling", "Sablekit", "Tarnview", "ViewSettings"});
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->comments, std::vector<std::string>{"; settings of the viewer"});
    ASSERT_EQ(view->values.size(), 2u);
    EXPECT_EQ(view->values[0].name, "ShowFolders");
    EXPECT_EQ(view->values[0].type, tv::kRegDword);
    EXPECT_EQ(view->values[0].data, Dword(0));
    EXPECT_EQ(view->values[1].data, Dword(32171));

    // The second section names the same keys in other cases: one tree, first spelling kept.
    ASSERT_EQ(document.root.subkeys.size(), 1u);
    EXPECT_EQ(document.root.subkeys[0].subkeys[0].name, "Brisling");
    const HiveKey* size = Key(document, {"software", "brisling", "sablekit", "tarnview", "GRÖSSE"});
    EXPECT_EQ(size, nullptr);  // ß has no simple capital: a different name
    size = Key(document, {"Software", "Brisling", "Sablekit", "Tarnview", "GRÖßE"});
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->name, "Größe");
    ASSERT_EQ(size->values.size(), 6u);
    EXPECT_EQ(size->values[0].name, "");
    EXPECT_EQ(size->values[0].data, Bytes("Standard", true));
    EXPECT_EQ(size->values[1].data, Bytes("C:\\Programme\\\"Tarn\"", true));
    EXPECT_EQ(size->values[2].data, Bytes("C:\\Temp", true));
    EXPECT_EQ(size->values[3].type, tv::kRegBinary);
    EXPECT_EQ(size->values[3].data, (std::vector<uint8_t>{0x01, 0x02, 0xff, 0x10, 0x20}));
    EXPECT_EQ(size->values[4].type, tv::kRegMultiSz);
    EXPECT_EQ(size->values[4].data, (std::vector<uint8_t>{0x61, 0, 0}));
    EXPECT_TRUE(size->values[5].data.empty());
}

TEST(HiveFormatTest, ImportsDeletionsDuplicatesAndEmptyFiles) {
    const HiveDocument document = Parse(
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\A\\Gone\\Deep]\n"
        "[HKEY_CURRENT_USER\\A]\n"
        "\"x\"=\"1\"\n"
        "\"y\"=\"2\"\n"
        "; about X\n"
        "\"X\"=dword:2\n"
        "\"y\"=-\n"
        "[-HKEY_CURRENT_USER\\a\\gone]\n"
        "[HKEY_CURRENT_USER\\A\\Kept]\n");
    const HiveKey* a = Key(document, {"A"});
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->values.size(), 1u);
    EXPECT_EQ(a->values[0].name, "x");  // the first spelling and place, the last data
    EXPECT_EQ(a->values[0].type, tv::kRegDword);
    EXPECT_EQ(a->values[0].comments, std::vector<std::string>{"; about X"});
    ASSERT_EQ(a->subkeys.size(), 1u);
    EXPECT_EQ(a->subkeys[0].name, "Kept");

    EXPECT_EQ(Parse(""), HiveDocument{});
    EXPECT_EQ(Parse("\n  \r\n"), HiveDocument{});
    EXPECT_EQ(Parse("REGEDIT4"), HiveDocument{});
}

TEST(HiveFormatTest, NamesTheLineOfEachDamage) {
    EXPECT_EQ(ErrorLine("Windows Registry Editor Version 5.00\n"), 1u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n\"a\"=\"b\"\n"), 2u);  // a value before any key
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n"), 2u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A\n"), 2u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A\\\\B]\n"), 2u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\]\n"), 2u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[-HKEY_CURRENT_USER]\n"), 2u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a=\"b\"\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"b\" x\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\" \"b\"\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:123456789\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:1,,2\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:100\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex(x):00\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=hex:01,\\\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\"=text\n"), 3u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\A]\ngarbage\n"), 3u);
    // Not UTF-8 (a Latin-1 "ä"): the file as a whole.
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\\xE4]\n"), SIZE_MAX);
    // Names the registry itself would refuse: a key name of 256 characters, a tree deeper than
    // 512 keys.
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\" + std::string(256, 'k') + "]\n"), 2u);
    EXPECT_EQ(ErrorLine("REGEDIT4\n[HKEY_CURRENT_USER\\" + std::string(255, 'k') + "]\n"), 0u);
    std::string deep = "REGEDIT4\n[HKEY_CURRENT_USER";
    for (int i = 0; i < 513; ++i)
        deep += "\\k";
    EXPECT_EQ(ErrorLine(deep + "]\n"), 2u);
}

TEST(HiveFormatTest, WritesWhatItReadsBack) {
    HiveDocument document;
    document.tailComments = {"; the end"};
    document.root.values.push_back(HiveValue{"", tv::kRegSz, Bytes("root", true), {}});
    HiveKey& key = document.root.subkeys.emplace_back();
    key.name = "Ä]\"x";
    key.comments = {";one", "; two"};
    key.values = {
        {"quote\"back\\slash", tv::kRegSz, Bytes("a\"b\\c\td", true), {"; value"}},
        {"dword", tv::kRegDword, Dword(0xDEADBEEF), {}},
        {"line break", tv::kRegSz, Bytes("a\nb", true), {}},
        {"no zero", tv::kRegSz, Bytes("abc"), {}},
        {"inner zero", tv::kRegSz, Bytes(std::string_view("a\0b", 3), true), {}},
        {"not utf8", tv::kRegSz, Bytes("\xFF", true), {}},
        {"short dword", tv::kRegDword, {1, 2, 3}, {}},
        {"empty", tv::kRegBinary, {}, {}},
        {"odd type", 0xABCDEF01, {9}, {}},
        {"long", tv::kRegBinary, std::vector<uint8_t>(100, 0xAB), {}},
    };
    key.subkeys.emplace_back().name = "empty child";

    const std::string text = tv::SerializeHive(document);
    EXPECT_EQ(Parse(text), document);
    EXPECT_EQ(tv::SerializeHive(Parse(text)), text);
    EXPECT_NE(text.find("\"dword\"=dword:deadbeef\n"), std::string::npos);
    EXPECT_NE(text.find("\"line break\"=hex(1):61,0a,62,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"short dword\"=hex(4):01,02,03\n"), std::string::npos);
    EXPECT_NE(text.find("\"odd type\"=hex(abcdef01):09\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Ä]\"x\\empty child]\n"), std::string::npos);
    // Long lists wrap before 80 columns with "\" continuations.
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        const size_t end = text.find('\n', lineStart);
        EXPECT_LE(end - lineStart, 80u) << text.substr(lineStart, end - lineStart);
        lineStart = end + 1;
    }
}

TEST(HiveFormatTest, NamesCompareWithoutCase) {
    EXPECT_TRUE(tv::HiveNamesEqual("ViewSettings", "VIEWSETTINGS"));
    EXPECT_TRUE(tv::HiveNamesEqual("Öl ändern", "öL ÄNDERN"));
    EXPECT_TRUE(tv::HiveNamesEqual("Łódź", "łÓDŹ"));
    EXPECT_TRUE(tv::HiveNamesEqual("ΣΟΦΙΑ", "σοφια"));
    EXPECT_TRUE(tv::HiveNamesEqual("Ёлка", "ёЛКА"));
    EXPECT_FALSE(tv::HiveNamesEqual("abc", "abcd"));
    EXPECT_FALSE(tv::HiveNamesEqual("a×", "a÷"));  // U+00D7 and U+00F7 are no case pair
    EXPECT_FALSE(tv::HiveNamesEqual("\xC3", "\xE3"));
    EXPECT_TRUE(tv::HiveNamesEqual("\xC3", "\xC3"));
    EXPECT_EQ(tv::HiveNameLength("Größe"), 5u);
    EXPECT_EQ(tv::HiveNameLength("\xF0\x9F\x98\x80"), 2u);  // outside the BMP: a surrogate pair
}

// A hostile or runaway file with a huge number of keys or values must not take quadratic time:
// at this size a linear search per line costs seconds, the parser some tens of milliseconds.
TEST(HiveFormatTest, ManySiblingsAndValuesParseInLinearTime) {
    constexpr int kCount = 10000;
    std::string text = "REGEDIT4\n";
    for (int i = 0; i < kCount; ++i)
        text += "[HKEY_CURRENT_USER\\K" + std::to_string(i) + "]\n";
    text += "[HKEY_CURRENT_USER\\V]\n";
    for (int i = 0; i < kCount; ++i)
        text += "\"v" + std::to_string(i) + "\"=\"\"\n";
    const std::clock_t start = std::clock();  // processor time: other jobs may share the machine
    const HiveDocument document = Parse(text);
    EXPECT_LT(std::clock() - start, CLOCKS_PER_SEC / 2);
    EXPECT_EQ(document.root.subkeys.size(), kCount + 1u);
    EXPECT_EQ(document.root.subkeys.back().values.size(), static_cast<size_t>(kCount));
}

// ---- the file store ------------------------------------------------------------------------

TEST(HiveStoreTest, CreatesTheFileOnTheFirstChangeOnly) {
    tv::test::CTempHive temp;
    const std::string nested = temp.Folder() + "/config/tarnview/tarnview.reg";
    tv::CHive hive(nested);
    EXPECT_EQ(hive.OpenKey("", "", false), 0u);  // the root always exists
    EXPECT_EQ(hive.OpenKey("", "Software", false), tv::kErrorFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(nested));

    EXPECT_EQ(hive.OpenKey("", "Software\\Brisling", true), 0u);
    ASSERT_TRUE(std::filesystem::exists(nested));
    EXPECT_EQ(std::filesystem::status(temp.Folder() + "/config").permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    const ino_t first = InodeOf(nested);
    // Creating what exists and writing what is there already leave the file alone.
    EXPECT_EQ(hive.OpenKey("software", "BRISLING", true), 0u);
    EXPECT_EQ(hive.SetValue("Software", "v", tv::kRegDword, Dword(1)), 0u);
    const ino_t second = InodeOf(nested);
    EXPECT_NE(second, first);
    EXPECT_EQ(hive.SetValue("Software", "V", tv::kRegDword, Dword(1)), 0u);
    EXPECT_EQ(InodeOf(nested), second);
    EXPECT_FALSE(std::filesystem::exists(nested + ".tmp"));
}

TEST(HiveStoreTest, ReportsEachKindOfMissingThing) {
    tv::test::CTempHive temp;
    tv::CHive hive(temp.Path());
    uint32_t type = 0;
    std::vector<uint8_t> data;
    std::string name;
    size_t count = 0;
    ASSERT_EQ(hive.OpenKey("", "A\\B", true), 0u);
    EXPECT_EQ(hive.QueryValue("A", "none", type, data), tv::kErrorFileNotFound);
    EXPECT_EQ(hive.QueryValue("Gone", "none", type, data), tv::kErrorKeyDeleted);
    EXPECT_EQ(hive.EnumValueName("A", 0, name), tv::kErrorNoMoreItems);
    EXPECT_EQ(hive.EnumSubKeyName("A", 1, name), tv::kErrorNoMoreItems);
    EXPECT_EQ(hive.GetValueCount("Gone", count), tv::kErrorKeyDeleted);
    EXPECT_EQ(hive.OpenKey("Gone", "x", true), tv::kErrorKeyDeleted);
    EXPECT_EQ(hive.SetValue("Gone", "x", tv::kRegDword, Dword(1)), tv::kErrorKeyDeleted);
    EXPECT_EQ(hive.DeleteKey("A", "None"), tv::kErrorFileNotFound);
    EXPECT_EQ(hive.DeleteKey("", "A"), tv::kErrorAccessDenied);  // it has a subkey
    EXPECT_EQ(hive.OpenKey("", "A\\\\B", true), tv::kErrorBadKey);
    EXPECT_EQ(hive.OpenKey("", "\\A", false), tv::kErrorBadKey);
    EXPECT_EQ(hive.OpenKey("", "A\\" + std::string(256, 'n'), true), tv::kErrorBadKey);
    EXPECT_EQ(hive.OpenKey("", "A\\new\nline", true), tv::kErrorBadKey);
    EXPECT_EQ(hive.SetValue("A", "new\nline", tv::kRegSz, Bytes("", true)),
              tv::kErrorInvalidParameter);
    EXPECT_EQ(hive.SetValue("A", "\xFF", tv::kRegSz, Bytes("", true)), tv::kErrorInvalidParameter);
    EXPECT_EQ(hive.SetValue("A", std::string(16384, 'v'), tv::kRegSz, Bytes("", true)),
              tv::kErrorInvalidParameter);
}

TEST(HiveStoreTest, NeverOverwritesADamagedHive) {
    tv::test::CTempHive temp;
    const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:zz\n";
    temp.Write(damaged);
    tv::CHive hive(temp.Path());
    uint32_t type = 0;
    std::vector<uint8_t> data;
    EXPECT_EQ(hive.OpenKey("", "A", false), tv::kErrorBadDatabase);
    EXPECT_EQ(hive.GetParseError().line, 3u);
    EXPECT_EQ(hive.OpenKey("", "B", true), tv::kErrorBadDatabase);
    EXPECT_EQ(hive.SetValue("", "x", tv::kRegDword, Dword(1)), tv::kErrorBadDatabase);
    EXPECT_EQ(hive.DeleteKey("", "A"), tv::kErrorBadDatabase);
    EXPECT_EQ(hive.QueryValue("A", "x", type, data), tv::kErrorBadDatabase);
    EXPECT_EQ(temp.Read(), damaged);
    EXPECT_FALSE(std::filesystem::exists(temp.Path() + ".tmp"));

    // Once mended by hand, the same object sees the repair.
    temp.Write("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:7\n");
    EXPECT_EQ(hive.QueryValue("A", "x", type, data), 0u);
    EXPECT_EQ(data, Dword(7));
}

TEST(HiveStoreTest, SeesRewritesByOthersAndKeepsComments) {
    tv::test::CTempHive temp;
    temp.Write(
        "REGEDIT4\r\n; mine\r\n[HKEY_CURRENT_USER\\A]\r\n; about x\r\n\"x\"=\"1\"\r\n; last\r\n");
    tv::CHive mine(temp.Path());
    tv::CHive other(temp.Path());
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(mine.QueryValue("A", "x", type, data), 0u);
    EXPECT_EQ(data, Bytes("1", true));
    ASSERT_EQ(other.SetValue("A", "x", tv::kRegSz, Bytes("22", true)), 0u);
    ASSERT_EQ(mine.QueryValue("a", "X", type, data), 0u);
    EXPECT_EQ(data, Bytes("22", true));
    EXPECT_EQ(temp.Read(),
              "REGEDIT4\n\n; mine\n[HKEY_CURRENT_USER\\A]\n; about x\n\"x\"=\"22\"\n\n; last\n");
    // A key deleted by another instance is gone for an object that saw it before.
    ASSERT_EQ(other.DeleteKey("", "A"), 0u);
    EXPECT_EQ(mine.QueryValue("A", "x", type, data), tv::kErrorKeyDeleted);
}

TEST(HiveStoreTest, KeepsALinkedHiveALinkAndItsPermissions) {
    tv::test::CTempHive temp;
    const std::string real = temp.Folder() + "/real.reg";
    {
        tv::CHive hive(real);
        ASSERT_EQ(hive.OpenKey("", "A", true), 0u);
    }
    ::chmod(real.c_str(), 0640);
    ASSERT_EQ(::symlink("real.reg", temp.Path().c_str()), 0);
    tv::CHive linked(temp.Path());
    ASSERT_EQ(linked.SetValue("A", "x", tv::kRegDword, Dword(3)), 0u);
    EXPECT_TRUE(std::filesystem::is_symlink(temp.Path()));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_NE(temp.Read().find("\"x\"=dword:00000003"), std::string::npos);
}

TEST(HiveStoreTest, ReportsFileSystemFailures) {
    tv::test::CTempHive temp;
    // A folder where the hive belongs, and a file where a folder belongs.
    std::filesystem::create_directory(temp.Path());
    tv::CHive folder(temp.Path());
    EXPECT_EQ(folder.OpenKey("", "A", false), tv::kErrorAccessDenied);
    std::filesystem::remove(temp.Path());
    temp.Write("REGEDIT4\n");
    tv::CHive below(temp.Path() + "/x.reg");
    EXPECT_EQ(below.OpenKey("", "A", true), tv::kErrorPathNotFound);
}

// A write that fails half-way (here the file size limit, as a full disk would) leaves the old hive
// and no temporary file, and reports the failure.
TEST(HiveStoreTest, AFailedWriteLeavesTheOldHive) {
    tv::test::CTempHive temp;
    {
        tv::CHive hive(temp.Path());
        ASSERT_EQ(hive.SetValue("", "small", tv::kRegDword, Dword(1)), 0u);
    }
    const std::string before = temp.Read();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        tv::CHive hive(temp.Path());
        const uint32_t code =
            hive.SetValue("", "big", tv::kRegBinary, std::vector<uint8_t>(8192, 0x55));
        ::_exit(code == tv::kErrorFileTooLarge ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(temp.Read(), before);
    EXPECT_FALSE(std::filesystem::exists(temp.Path() + ".tmp"));
}

// Several instances writing at the same time: every value of each arrives.
TEST(HiveStoreTest, ConcurrentWritersLoseNothing) {
    tv::test::CTempHive temp;
    const int kWrites = kProcessRounds + 5;
    const std::vector<std::string> writers{"a", "b", "c", "d"};
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (const auto& prefix : writers) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Both start together once the parent closes the gate.
            ::close(gate[1]);
            char byte = 0;
            (void)::read(gate[0], &byte, 1);
            int failures = 0;
            for (int i = 0; i < kWrites; ++i) {
                // A fresh object per write, as the settings store opens its keys per call.
                tv::CHive hive(temp.Path());
                failures += hive.OpenKey("", "Shared", true) != 0;
                failures += hive.SetValue("Shared", prefix + std::to_string(i), tv::kRegDword,
                                          Dword(static_cast<uint32_t>(i))) != 0;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    tv::CHive hive(temp.Path());
    size_t count = 0;
    ASSERT_EQ(hive.GetValueCount("Shared", count), 0u);
    EXPECT_EQ(count, writers.size() * static_cast<size_t>(kWrites));
}

// The counter a hive of the killed-writer test holds, or nullopt when the file is torn.
std::optional<uint32_t> CounterIn(const std::string& text) {
    HiveDocument document;
    if (!tv::ParseHive(text, document) || document.root.values.empty()) return std::nullopt;
    const auto& data = document.root.values[0].data;
    if (data.size() != 4) return std::nullopt;
    return data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
}

// Another instance reads the hive without a lock while a writer works on it, and the writer is
// killed at a random moment: every read, and the file the killed writer leaves, is a whole hive
// with a counter that never goes back.
TEST(HiveStoreTest, ReadersAndKilledWritersSeeOldOrNewHive) {
    tv::test::CTempHive temp;
    {
        tv::CHive hive(temp.Path());
        ASSERT_EQ(hive.SetValue("", "n", tv::kRegDword, Dword(0)), 0u);
    }
    std::mt19937 random(12345);
    uint32_t last = 0;
    for (int round = 0; round < kProcessRounds; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            tv::CHive hive(temp.Path());
            // The padding changes size with every write, so a torn file cannot pass for whole.
            for (uint32_t n = last + 1;; ++n) {
                (void)hive.SetValue("", "n", tv::kRegDword, Dword(n));
                (void)hive.SetValue("", "pad", tv::kRegBinary, std::vector<uint8_t>(n % 3000, 1));
            }
        }
        // Read along until the writer is under way (a new process may take a while to start),
        // then for a random while longer, and kill it wherever it is.
        const uint32_t before = last;
        const auto start = std::chrono::steady_clock::now();
        auto deadline = start + std::chrono::seconds(5);
        bool torn = false;
        bool started = false;
        while (!torn && std::chrono::steady_clock::now() < deadline) {
            const auto seen = CounterIn(temp.Read());
            torn = !seen || *seen < last;
            if (seen) last = std::max(last, *seen);
            if (!started && last > before) {
                started = true;
                deadline =
                    std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 4000);
            }
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_FALSE(torn) << "a reader saw a torn hive in round " << round;
        const auto left = CounterIn(temp.Read());
        ASSERT_TRUE(left) << "the killed writer left a torn hive in round " << round;
        EXPECT_TRUE(started) << "the writer made no progress in round " << round;
        EXPECT_GE(*left, last);
        last = *left;
    }
}

TEST(HiveStoreTest, FindsTheFileFromTheEnvironment) {
    tv::test::CTempHive temp;  // sets TARNVIEW_HIVE, restores it afterwards
    EXPECT_EQ(tv::CurrentUserHivePath(), temp.Path());
    const std::string saved = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    ::unsetenv("TARNVIEW_HIVE");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(tv::CurrentUserHivePath(), "/cfg/tarnview/tarnview.reg");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);  // ignored, as the XDG rules say
    EXPECT_EQ(tv::CurrentUserHivePath(), "/home/u/.config/tarnview/tarnview.reg");
    ::setenv("TARNVIEW_HIVE", "", 1);  // empty counts as unset
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(tv::CurrentUserHivePath(), "/home/u/.config/tarnview/tarnview.reg");
    ::setenv("HOME", saved.c_str(), 1);
    if (savedXdg) ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
}

}  // namespace
