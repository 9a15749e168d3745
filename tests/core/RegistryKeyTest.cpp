#include "settings/RegistryKey.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "settings/Hive.h"
#include "support/HiveHelper.h"

using tv::CRegistryKey;
using tv::CSystemErrorText;

namespace {

using tv::HKEY_CURRENT_USER;

int32_t Code(uint32_t code) { return static_cast<int32_t>(code); }

TEST(RegistryKeyTest, OpenAndCloseKeepTheirStatus) {
    tv::test::CTempHive temp;
    CRegistryKey key;
    EXPECT_FALSE(key.Close());
    EXPECT_EQ(key.GetStatus(), 0);
    EXPECT_EQ(key.GetErrorText(), "");

    EXPECT_FALSE(key.Open("Software\\Missing", HKEY_CURRENT_USER, false));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorFileNotFound));
    EXPECT_EQ(key.GetErrorText(), CSystemErrorText(tv::kErrorFileNotFound).GetString());
    EXPECT_FALSE(temp.Exists());  // looking does not create the hive

    ASSERT_TRUE(key.Open("Software\\A\\B", HKEY_CURRENT_USER, true));
    EXPECT_EQ(key.GetStatus(), 0);
    EXPECT_TRUE(key.IsOpen());
    EXPECT_TRUE(temp.Exists());
    EXPECT_TRUE(key.Close());
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.Close());
    EXPECT_EQ(key.GetStatus(), 0);

    // Names are case-insensitive; a key opens below another key and below itself.
    ASSERT_TRUE(key.Open("SOFTWARE\\a", HKEY_CURRENT_USER, false));
    ASSERT_TRUE(key.Open("b", key.GetKey(), false));
    EXPECT_TRUE(key.WriteDword("in b", 2));
    CRegistryKey check;
    ASSERT_TRUE(check.Open("Software\\A\\B", HKEY_CURRENT_USER, false));
    EXPECT_EQ(check.ReadDword("IN B", 0), 2u);
    EXPECT_TRUE(check.Open("", check.GetKey(), false));  // the same key again
    EXPECT_EQ(check.ReadDword("in b", 0), 2u);

    EXPECT_FALSE(key.Open("x", nullptr, true));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorInvalidHandle));
    EXPECT_FALSE(key.Open("Software\\\\A", HKEY_CURRENT_USER, true));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorBadKey));
    EXPECT_FALSE(key.IsOpen());
}

TEST(RegistryKeyTest, ValuesReadBackAsWritten) {
    tv::test::CTempHive temp;
    CRegistryKey key;
    ASSERT_TRUE(key.Open("Software\\T", HKEY_CURRENT_USER, true));
    ASSERT_TRUE(key.WriteString("Text", "abc"));
    ASSERT_TRUE(key.WriteString("Cut", std::string_view("ab\0cd", 5)));  // a C string ends at 0
    ASSERT_TRUE(key.WriteDword("Number", 0x01020304));
    ASSERT_TRUE(key.WriteString("", "default"));

    std::vector<uint8_t> data{9, 9};
    uint32_t type = 0;
    ASSERT_TRUE(key.QueryValue("text", data, &type));
    EXPECT_EQ(type, tv::kRegSz);
    EXPECT_EQ(data, (std::vector<uint8_t>{'a', 'b', 'c', 0}));
    ASSERT_TRUE(key.QueryValue("Cut", data));
    EXPECT_EQ(data, (std::vector<uint8_t>{'a', 'b', 0}));
    ASSERT_TRUE(key.QueryValue("Number", data, &type));
    EXPECT_EQ(type, tv::kRegDword);
    EXPECT_EQ(data, (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_FALSE(key.QueryValue("None", data));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorFileNotFound));
    EXPECT_TRUE(data.empty());

    // Numbers are the first four bytes of any value; shorter data gives the default.
    EXPECT_EQ(key.ReadDword("Number", 7), 0x01020304u);
    EXPECT_EQ(key.ReadDword("Text", 7), 0x00636261u);
    EXPECT_EQ(key.ReadDword("Cut", 7), 7u);
    EXPECT_EQ(key.ReadDword("None", 7), 7u);
    EXPECT_EQ(key.GetValueCount(), 4);

    EXPECT_FALSE(key.WriteString("two\nlines", ""));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorInvalidParameter));

    CRegistryKey closed;
    EXPECT_FALSE(closed.QueryValue("Text", data));
    EXPECT_EQ(closed.GetStatus(), 0);
    EXPECT_EQ(closed.ReadDword("Text", 5), 5u);
    EXPECT_FALSE(closed.WriteDword("x", 1));
    EXPECT_EQ(closed.GetStatus(), Code(tv::kErrorInvalidHandle));
    EXPECT_EQ(closed.GetValueCount(), -1);
}

TEST(RegistryKeyTest, EnumerationEndsAndRefusesLongNames) {
    tv::test::CTempHive temp;
    CRegistryKey key;
    ASSERT_TRUE(key.Open("E", HKEY_CURRENT_USER, true));
    const std::string fits(259, 'n');
    const std::string tooLong = std::string(258, 'n') + "\xF0\x9F\x98\x80";  // 260 UTF-16 units
    ASSERT_TRUE(key.WriteDword("first", 1));
    ASSERT_TRUE(key.WriteDword(fits, 2));
    ASSERT_TRUE(key.WriteDword(tooLong, 3));

    std::string name = "previous";
    ASSERT_TRUE(key.EnumValueName(0, name));
    EXPECT_EQ(name, "first");
    ASSERT_TRUE(key.EnumValueName(1, name));
    EXPECT_EQ(name, fits);
    name = "previous";
    EXPECT_FALSE(key.EnumValueName(2, name));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorMoreData));
    EXPECT_EQ(name, "previous");
    EXPECT_FALSE(key.EnumValueName(3, name));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorNoMoreItems));
    EXPECT_EQ(name, "");

    CRegistryKey child;
    ASSERT_TRUE(child.Open("Zweig", key.GetKey(), true));
    ASSERT_TRUE(child.Open("Ast", key.GetKey(), true));
    ASSERT_TRUE(key.EnumSubKeyName(0, name));
    EXPECT_EQ(name, "Zweig");  // creation order
    ASSERT_TRUE(key.EnumSubKeyName(1, name));
    EXPECT_EQ(name, "Ast");
    EXPECT_FALSE(key.EnumSubKeyName(2, name));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorNoMoreItems));
    EXPECT_EQ(name, "");
}

TEST(RegistryKeyTest, DeleteTreeRemovesEveryLevel) {
    tv::test::CTempHive temp;
    CRegistryKey key;
    ASSERT_TRUE(key.Open("Root\\Doomed\\L2\\L3", HKEY_CURRENT_USER, true));
    ASSERT_TRUE(key.WriteDword("deep", 3));
    ASSERT_TRUE(key.Open("Root\\Doomed\\Side", HKEY_CURRENT_USER, true));
    ASSERT_TRUE(key.WriteString("side", "x"));
    CRegistryKey root;
    ASSERT_TRUE(root.Open("Root", HKEY_CURRENT_USER, false));
    ASSERT_TRUE(root.WriteDword("stays", 1));

    ASSERT_TRUE(root.DeleteTree("DOOMED"));
    EXPECT_EQ(root.GetStatus(), 0);
    std::string name;
    EXPECT_FALSE(root.EnumSubKeyName(0, name));
    EXPECT_EQ(root.ReadDword("stays", 0), 1u);
    // An open key below the deleted tree reports that its key is gone.
    EXPECT_FALSE(key.WriteDword("late", 1));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorKeyDeleted));
    EXPECT_EQ(key.GetValueCount(), -1);
    EXPECT_EQ(temp.Read().find("Doomed"), std::string::npos);

    // A missing key is created and deleted again: success, and nothing left behind.
    ASSERT_TRUE(root.DeleteTree("Never"));
    EXPECT_FALSE(root.EnumSubKeyName(0, name));

    // On a closed key nothing can be deleted.
    CRegistryKey closed;
    EXPECT_FALSE(closed.DeleteTree("Root"));
    EXPECT_EQ(closed.GetStatus(), Code(tv::kErrorInvalidHandle));
}

TEST(RegistryKeyTest, DamagedHiveFailsWithItsMessage) {
    tv::test::CTempHive temp;
    const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\A\n";
    temp.Write(damaged);
    CRegistryKey key;
    EXPECT_FALSE(key.Open("A", HKEY_CURRENT_USER, true));
    EXPECT_EQ(key.GetStatus(), Code(tv::kErrorBadDatabase));
    EXPECT_EQ(key.GetErrorText(),
              "Die Registrierungsdatenbank mit den Einstellungen ist beschädigt.");
    EXPECT_EQ(temp.Read(), damaged);
}

// A failed step deep inside DeleteTree must surface in the caller's status: the settings store
// shows it, and an empty message box says nothing.
TEST(RegistryKeyTest, DeleteTreeReportsTheCodeThatStoppedIt) {
    tv::test::CTempHive temp;
    {
        CRegistryKey key;
        ASSERT_TRUE(key.Open("R\\Tree\\Sub", HKEY_CURRENT_USER, true));
        ASSERT_TRUE(key.Open("R", HKEY_CURRENT_USER, false));
        ASSERT_TRUE(key.WriteString("bulk", std::string(6000, 'x')));
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Reading still works, every rewrite of the 6 KB hive fails.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CRegistryKey root;
        if (!root.Open("R", HKEY_CURRENT_USER, false)) ::_exit(2);
        const bool deleted = root.DeleteTree("Tree");
        ::_exit(!deleted && root.GetStatus() == Code(tv::kErrorFileTooLarge) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    CRegistryKey sub;
    EXPECT_TRUE(sub.Open("R\\Tree\\Sub", HKEY_CURRENT_USER, false));
}

}  // namespace
