#include "browser/ShellInformation.h"

#include <gtest/gtest.h>

#include <string>

#include "common/TextCodec.h"

namespace {

using tv::OsVersionRecord;

std::string Name(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build) {
    return tv::WindowsSystemName(OsVersionRecord{platform, major, minor, build});
}

const std::string kUnknown(tv::kUnknownSystemText);

TEST(ShellInformationTest, Windows95FamilyRowsInTheirOrder) {
    struct Row {
        uint32_t minor;
        uint32_t build;
        const char* name;
    };
    const Row rows[] = {
        {0, 950, "95"},
        {0, 951, "95 SP1"},
        {0, 1080, "95 SP1"},
        {0, 1081, "95 OSR2"},
        {0, 1111, "95 OSR2"},
        {0, 1998, "95 OSR2"},  // minor < 10 decides before the build of 98 is looked at
        {10, 1998, "98"},
        {10, 1999, "98 SP1"},
        {10, 2182, "98 SP1"},
        {10, 2183, "98 SE"},
        {10, 2222, "98 SE"},
        {10, 3000, "98 SE"},  // the 98 SE row comes before the Me row
        {90, 3000, "Me"},
        {90, 2222, kUnknown.c_str()},
        {0, 949, kUnknown.c_str()},  // below 950 goes on to the 98 rows and matches none
        {10, 500, kUnknown.c_str()},
        {10, 1500, kUnknown.c_str()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.minor) + " " + std::to_string(row.build));
        EXPECT_EQ(Name(1, 4, row.minor, row.build), row.name);
    }
}

TEST(ShellInformationTest, Windows95FamilyComparesOnlyTheLowWordOfTheBuild) {
    // 4.10.2222 as Windows 98 SE reports it, the version repeated in the high word.
    EXPECT_EQ(Name(1, 4, 10, 0x040A08AE), "98 SE");
    EXPECT_EQ(Name(1, 4, 0, 0x040003B6), "95");
    EXPECT_EQ(Name(1, 4, 90, 0x045A0BB8), "Me");
}

TEST(ShellInformationTest, NtAndCeRows) {
    EXPECT_EQ(Name(2, 3, 51, 1057), "NT 3.51");
    EXPECT_EQ(Name(2, 3, 10, 511), "NT 3.51");  // any 3.x
    EXPECT_EQ(Name(2, 4, 0, 1381), "NT 4");
    EXPECT_EQ(Name(2, 5, 0, 2195), "2000");
    EXPECT_EQ(Name(2, 5, 1, 2600), kUnknown);
    EXPECT_EQ(Name(2, 10, 0, 19045), kUnknown);
    EXPECT_EQ(Name(3, 3, 0, 0), "CE 3.0");
    EXPECT_EQ(Name(3, 4294967295u, 12, 0), "CE 4294967295.12");
    EXPECT_EQ(Name(0, 3, 10, 0), kUnknown);  // Win32s
    EXPECT_EQ(Name(4, 5, 0, 0), kUnknown);
    EXPECT_EQ(tv::WindowsSystemName(std::nullopt), kUnknown);
}

TEST(ShellInformationTest, ShellVersionAndMessage) {
    using tv::ShellLibraryState;
    EXPECT_EQ(tv::ShellVersionText({ShellLibraryState::kNotLoaded, 5, 0}), kUnknown);
    EXPECT_EQ(tv::ShellVersionText({ShellLibraryState::kNoVersionExport, 0, 0}), "4.0");
    EXPECT_EQ(tv::ShellVersionText({ShellLibraryState::kVersionFailed, 5, 0}), kUnknown);
    EXPECT_EQ(tv::ShellVersionText({ShellLibraryState::kVersion, 4, 72}), "4.72");
    EXPECT_EQ(tv::ShellVersionText({ShellLibraryState::kVersion, 6, 0}), "6.0");

    EXPECT_EQ(tv::ShellInformationText(Name(2, 5, 0, 2195),
                                       tv::ShellVersionText({ShellLibraryState::kVersion, 5, 0})),
              "Windows 2000\nShell v5.0");
    EXPECT_EQ(tv::ShellInformationText(kUnknown, kUnknown),
              "Windows \xC2\xBF-?\nShell v\xC2\xBF-?");
}

TEST(ShellInformationTest, OsReleaseValues) {
    const std::string text =
        "# a comment\n"
        "NAME=\"Debian GNU/Linux\"\n"
        "VERSION_ID=12\n"
        "ID='debian'\n"
        "PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \\$HOME\"\r\n"
        "  BUILD_ID = rolling  \n"
        "NAME=Later\n"
        "EMPTY=\n"
        "broken line\n";
    EXPECT_EQ(tv::OsReleaseValue(text, "NAME"), "Later");
    EXPECT_EQ(tv::OsReleaseValue(text, "VERSION_ID"), "12");
    EXPECT_EQ(tv::OsReleaseValue(text, "ID"), "debian");
    EXPECT_EQ(tv::OsReleaseValue(text, "PRETTY_NAME"), "Say \"hi\" \\ $HOME");
    EXPECT_EQ(tv::OsReleaseValue(text, "BUILD_ID"), "rolling");
    EXPECT_EQ(tv::OsReleaseValue(text, "EMPTY"), "");
    EXPECT_FALSE(tv::OsReleaseValue(text, "VERSION"));
    EXPECT_FALSE(tv::OsReleaseValue(text, "a comment"));
    EXPECT_FALSE(tv::OsReleaseValue("", "NAME"));
}

TEST(ShellInformationTest, DescribesTheLinuxSystem) {
    tv::LinuxSystemSources sources;
    sources.osRelease =
        "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n";
    sources.kernelName = "Linux";
    sources.kernelRelease = "6.1.0-18-amd64";
    sources.machine = "x86_64";
    sources.currentDesktop = "ubuntu:GNOME";
    sources.desktopSession = "ignored";
    sources.sessionType = "wayland";
    tv::LinuxSystemInfo info = tv::DescribeLinuxSystem(sources);
    EXPECT_EQ(info.distribution, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(info.kernel, "Linux 6.1.0-18-amd64 (x86_64)");
    EXPECT_EQ(info.desktop, "ubuntu, GNOME (Wayland)");
    EXPECT_EQ(tv::LinuxSystemText(info),
              "Distribution: Debian GNU/Linux 12 (bookworm)\n"
              "Kernel: Linux 6.1.0-18-amd64 (x86_64)\n"
              "Arbeitsumgebung: ubuntu, GNOME (Wayland)");

    // Without PRETTY_NAME: NAME and VERSION, else VERSION_ID; without NAME the format's "Linux".
    sources.osRelease = "NAME=Arch\nVERSION_ID=rolling\n";
    EXPECT_EQ(tv::DescribeLinuxSystem(sources).distribution, "Arch rolling");
    sources.osRelease = "PRETTY_NAME=\nVERSION=\"7 (Seven)\"\n";
    EXPECT_EQ(tv::DescribeLinuxSystem(sources).distribution, "Linux 7 (Seven)");
    sources.osRelease = "NAME=\"Bad \xFF\"\n";
    EXPECT_TRUE(tv::IsValidUtf8(tv::DescribeLinuxSystem(sources).distribution));

    // Nothing known: every line shows the unknown text.
    info = tv::DescribeLinuxSystem(tv::LinuxSystemSources{});
    EXPECT_EQ(info.distribution, "");
    EXPECT_EQ(info.kernel, "");
    EXPECT_EQ(info.desktop, "");
    EXPECT_EQ(tv::LinuxSystemText(info), "Distribution: " + kUnknown + "\nKernel: " + kUnknown +
                                             "\nArbeitsumgebung: " + kUnknown);

    tv::LinuxSystemSources desktopOnly;
    desktopOnly.desktopSession = "xfce";
    EXPECT_EQ(tv::DescribeLinuxSystem(desktopOnly).desktop, "xfce");
    desktopOnly.sessionType = "x11";
    EXPECT_EQ(tv::DescribeLinuxSystem(desktopOnly).desktop, "xfce (X11)");
    desktopOnly.desktopSession.clear();
    EXPECT_EQ(tv::DescribeLinuxSystem(desktopOnly).desktop, "X11");
}

TEST(ShellInformationTest, ReadsThisSystem) {
    const tv::LinuxSystemInfo info = tv::ReadLinuxSystemInfo();
    EXPECT_EQ(info.kernel.rfind("Linux ", 0), 0u) << info.kernel;
    EXPECT_TRUE(tv::IsValidUtf8(info.distribution));
}

}  // namespace
