#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "res/StringTable.h"
#include "settings/Hive.h"
#include "settings/RegistryKey.h"
#include "support/HiveHelper.h"

using tv::CRegistryKey;
using tv::CSettings;
using tv::CSystemErrorText;

namespace {

const std::string kProduct = "Software\\Brisling\\Sablekit\\Tarnview";

std::vector<std::string> ValueNames(const std::string& path) {
    CRegistryKey key;
    std::vector<std::string> names;
    if (!key.Open(path, tv::HKEY_CURRENT_USER, false)) return {"<missing>"};
    std::string name;
    for (uint32_t i = 0; key.EnumValueName(i, name); ++i)
        names.push_back(name);
    return names;
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(SettingsTest, AFreshProfileGetsDefaultsAndTheDefaultExtensions) {
    tv::test::CTempHive temp;
    CSettings settings;
    // The module list starts: extensions, then its view options.
    const tv::ExtensionSet set = tv::LoadExtensionSet(settings);
    EXPECT_EQ(set.message, "");
    EXPECT_EQ(set.extensions, (std::set<std::string>{"exe", "dll", "ocx", "drv", "cpl", "scr"}));
    EXPECT_TRUE(settings.GetShowFolders());
    EXPECT_EQ(settings.GetRightViewStyle(), 1u);
    EXPECT_TRUE(settings.GetFullRowSelect());
    EXPECT_TRUE(settings.GetShowGridLines());
    EXPECT_EQ(settings.GetDoubleClickAction(), 1u);
    EXPECT_FALSE(settings.GetHexadecimalStrings());
    EXPECT_EQ(settings.GetErrorText(), "");

    EXPECT_EQ(ValueNames(kProduct + "\\Extensions"), CSettings::DefaultExtensions());
    EXPECT_EQ(ValueNames(kProduct + "\\ViewSettings"), std::vector<std::string>{});
    EXPECT_EQ(ValueNames(kProduct + "\\Resources"), std::vector<std::string>{});
    CRegistryKey extensions;
    ASSERT_TRUE(extensions.Open(kProduct + "\\Extensions", tv::HKEY_CURRENT_USER, false));
    std::vector<uint8_t> data;
    uint32_t type = 0;
    ASSERT_TRUE(extensions.QueryValue("cpl", data, &type));
    EXPECT_EQ(type, tv::kRegSz);
    EXPECT_EQ(data, std::vector<uint8_t>{0});

    // Reads that find their keys in place do not rewrite the file.
    const ino_t before = InodeOf(temp.Path());
    EXPECT_TRUE(settings.GetShowFolders());
    EXPECT_EQ(tv::LoadExtensionSet(settings).extensions.size(), 6u);
    EXPECT_EQ(InodeOf(temp.Path()), before);
}

TEST(SettingsTest, ReadsWhatTheUserWrote) {
    tv::test::CTempHive temp;
    temp.Write(
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\Extensions]\n"
        "\" DLL \"=\"\"\n"
        "\"exe\"=\"\"\n"
        "\"  \"=\"\"\n"
        "[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\ViewSettings]\n"
        "\"RightViewStyle\"=dword:00008003\n"
        "\"DoubleClickAction\"=dword:00000000\n"
        "\"ShowFolders\"=hex:00,00,00,00,01\n"  // four bytes count, whatever the type
        "\"ShowGridLines\"=hex:00\n"            // too short: the default
        "[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\Resources]\n"
        "\"HexadecimalStrings\"=dword:1\n");
    CSettings settings;
    const tv::ExtensionSet set = tv::LoadExtensionSet(settings);
    EXPECT_EQ(set.extensions, (std::set<std::string>{"DLL", "exe"}));
    EXPECT_EQ(set.message, "");
    EXPECT_FALSE(tv::IsModuleFileName("a.dll", set.extensions));  // case matters
    EXPECT_TRUE(tv::IsModuleFileName("a.b.DLL", set.extensions));
    EXPECT_FALSE(tv::IsModuleFileName("exe", set.extensions));
    EXPECT_FALSE(tv::IsModuleFileName("a.", set.extensions));
    EXPECT_EQ(settings.GetRightViewStyle(), static_cast<uint32_t>(CSettings::kStyleVersionDetails));
    EXPECT_EQ(settings.GetDoubleClickAction(), 0u);
    EXPECT_FALSE(settings.GetShowFolders());
    EXPECT_TRUE(settings.GetShowGridLines());
    EXPECT_TRUE(settings.GetHexadecimalStrings());

    ASSERT_TRUE(settings.SetRightViewStyle(7));
    EXPECT_EQ(settings.GetRightViewStyle(), 7u);
    ASSERT_TRUE(settings.SetHexadecimalStrings(false));
    EXPECT_FALSE(settings.GetHexadecimalStrings());
    EXPECT_NE(temp.Read().find("\"RightViewStyle\"=dword:00000007\n"), std::string::npos);
}

TEST(SettingsTest, SavingExtensionsReplacesTheKey) {
    tv::test::CTempHive temp;
    CSettings settings;
    {
        CRegistryKey extensions;
        ASSERT_TRUE(settings.OpenSection(extensions, "Extensions"));
        ASSERT_TRUE(extensions.WriteDword("old", 1));
        CRegistryKey below;
        ASSERT_TRUE(below.Open("Sub\\Deeper", extensions.GetKey(), true));
    }
    ASSERT_TRUE(settings.SaveExtensions({" sys\t", "", "  ", "dll", "DLL"}));
    EXPECT_EQ(ValueNames(kProduct + "\\Extensions"), (std::vector<std::string>{"sys", "dll"}));
    EXPECT_EQ(settings.GetExtensionCount(), 2);
    std::string extension;
    ASSERT_TRUE(settings.GetExtension(1, extension));
    EXPECT_EQ(extension, "dll");
    EXPECT_FALSE(settings.GetExtension(2, extension));
    EXPECT_EQ(settings.GetErrorText(), CSystemErrorText(tv::kErrorNoMoreItems).GetString());
    EXPECT_FALSE(settings.GetExtension(-1, extension));
    CRegistryKey sub;
    EXPECT_FALSE(sub.Open(kProduct + "\\Extensions\\Sub", tv::HKEY_CURRENT_USER, false));

    // An empty list leaves an empty key; the next start writes the defaults again.
    ASSERT_TRUE(settings.SaveExtensions({}));
    EXPECT_EQ(settings.GetExtensionCount(), 0);
    EXPECT_EQ(ValueNames(kProduct + "\\Extensions"), std::vector<std::string>{});
    EXPECT_EQ(tv::LoadExtensionSet(settings).extensions.size(), 6u);
    EXPECT_EQ(ValueNames(kProduct + "\\Extensions"), CSettings::DefaultExtensions());
}

TEST(SettingsTest, ADamagedHiveGivesDefaultsAndTheReason) {
    tv::test::CTempHive temp;
    const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"x\"=dword:\n";
    temp.Write(damaged);
    const std::string reason = CSystemErrorText(tv::kErrorBadDatabase).GetString();
    ASSERT_FALSE(reason.empty());

    CSettings settings;
    EXPECT_EQ(settings.GetDoubleClickAction(), 1u);
    EXPECT_EQ(settings.GetErrorText(), reason);
    EXPECT_FALSE(settings.SetRightViewStyle(59411));
    EXPECT_EQ(settings.GetErrorText(), reason);
    EXPECT_EQ(settings.GetExtensionCount(), -1);
    EXPECT_FALSE(settings.RestoreDefaultExtensions());

    const tv::ExtensionSet set = tv::LoadExtensionSet(settings);
    EXPECT_TRUE(set.extensions.empty());
    EXPECT_EQ(set.message, std::string(tv::LoadString(1001)) + "\n" +
                               std::string(tv::LoadString(1000)) + "\n" + reason);
    EXPECT_EQ(temp.Read(), damaged);

    // The error text belongs to the last call only.
    temp.Write("REGEDIT4\n");
    EXPECT_EQ(settings.GetDoubleClickAction(), 1u);
    EXPECT_EQ(settings.GetErrorText(), "");
}

TEST(SettingsTest, AnEmptyListAfterReadingGivesTheShortMessage) {
    tv::test::CTempHive temp;
    temp.Write(
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\Software\\Brisling\\Sablekit\\Tarnview\\Extensions]\n"
        "\" \"=\"\"\n");
    CSettings settings;
    const tv::ExtensionSet set = tv::LoadExtensionSet(settings);
    EXPECT_TRUE(set.extensions.empty());
    EXPECT_EQ(set.message,
              std::string(tv::LoadString(1001)) + "\n" + std::string(tv::LoadString(1000)));
}

TEST(SettingsTest, NamesTheCompanyKey) {
    EXPECT_EQ(CSettings::GetCompanyKey(), "Brisling\\Sablekit");
    EXPECT_EQ(CSettings::kProductKey, kProduct);
}

}  // namespace
