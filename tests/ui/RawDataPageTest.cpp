// The raw data page over a builder module: the dump and byte count of small and large resources,
// saving every byte, icon groups saved as real .ico files, and a failed save that keeps the file
// already there; the text form ("Als Text") of manifests, UTF-16 text and menus, its setting,
// its disabled state for binary data, and saving it as .rc and .txt.
#include "resources/RawDataPage.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FakeSaveDialog.h"
#include "Screenshot.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "resources/ResourceCatalog.h"
#include "settings/Settings.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

class RawDataPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The page reads and writes the "Als Text" choice: a hive of the test's own.
        qputenv("TARNVIEW_HIVE", (m_dir.path() + QStringLiteral("/hive.reg")).toLocal8Bit());
        std::vector<uint8_t> big(100000);
        for (size_t i = 0; i < big.size(); ++i)
            big[i] = static_cast<uint8_t>(i * 7);
        m_big = big;
        const auto icon = tvtest::IconImage(16, 16, 32).Build();
        m_bytes =
            tvtest::PeBuilder::Pe32()
                .Dll()
                .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
                .AddResource(10, 1, 0x0409, {'M'})
                .AddResource(10, 2, 0x0409, big)
                .AddResource(3, 1, 0x0409, icon)
                .AddResource(14, 7, 0x0409, tvtest::GroupIcon({tvtest::IconEntryFor(icon, 1)}))
                .AddResource(24, 1, 0x0409, Bytes(kManifest))
                .AddResource(10, 3, 0x0407, {0xFF, 0xFE, 'T', 0, 0xFC, 0, 'r', 0})
                .AddResource(4, 2, 0x0407,
                             tvtest::MenuTemplate({tvtest::MenuItem::Popup(
                                 "&Datei", {tvtest::MenuItem::Command("&Öffnen", 100)})}))
                .Build();
        ASSERT_TRUE(m_catalog.LoadFromMemory(tv::CByteView(m_bytes.data(), m_bytes.size()),
                                             m_dir.path().toStdString() + "/sample.dll"));
        ASSERT_TRUE(m_catalog.Enumerate());
    }

    void TearDown() override { qunsetenv("TARNVIEW_HIVE"); }

    static constexpr const char* kManifest =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<assembly manifestVersion=\"1.0\"/>\r\n";
    static std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

    QTemporaryDir m_dir;
    std::vector<uint8_t> m_bytes;
    std::vector<uint8_t> m_big;
    tv::CResourceCatalog m_catalog;
    CFakeSaveDialog m_save;
};

TEST_F(RawDataPageTest, DumpsTheFirstBytesAndSavesAllOfThem) {
    tv::CRawDataPage page;
    EXPECT_FALSE(page.ToolBar()->IsButtonEnabled(tv::cmd::kSaveAs));
    page.ShowRawData(m_catalog, 10, 1);
    EXPECT_EQ(page.ByteCountText(), QStringLiteral("1 bytes (~1 Kb)"));
    EXPECT_EQ(page.DumpText(), QStringLiteral("4D ") + QString(45, QLatin1Char(' ')) +
                                   QStringLiteral("  M") + QString(15, QLatin1Char(' ')));

    page.ShowRawData(m_catalog, 10, 2);
    EXPECT_EQ(page.ByteCountText(), QStringLiteral("100.000 bytes (~98 Kb)"));
    EXPECT_EQ(page.DumpText().count(QLatin1Char('\n')), 1023);  // 1024 lines
    ASSERT_TRUE(page.ToolBar()->IsButtonEnabled(tv::cmd::kSaveAs));

    m_save.answer = m_dir.path().toStdString() + "/all.bin";
    page.OnSaveAs();
    EXPECT_EQ(ReadFileBytes(m_save.answer), m_big);
    EXPECT_EQ(m_save.request.proposedName,
              QStringLiteral("Resource"));  // the module is not on disk
    EXPECT_EQ(m_save.request.defaultExtension, QStringLiteral("bin"));
    EXPECT_EQ(tv::QtFileFilter(m_save.request.filter),
              QStringLiteral("Binary data (*.bin);;All Files (*)"));

    // A resource the module does not hold: empty dump, the byte count stays, nothing to save.
    page.ShowRawData(m_catalog, 10, 99);
    EXPECT_TRUE(page.DumpText().isEmpty());
    EXPECT_EQ(page.ByteCountText(), QStringLiteral("100.000 bytes (~98 Kb)"));
    EXPECT_FALSE(page.ToolBar()->IsButtonEnabled(tv::cmd::kSaveAs));
    EXPECT_TRUE(m_save.errors.isEmpty());
}

TEST_F(RawDataPageTest, IconGroupsBecomeIconFilesOnlyUnderTheirExtension) {
    tv::CRawDataPage page;
    page.ShowRawData(m_catalog, 14, 7);
    m_save.answer = m_dir.path().toStdString() + "/group.ICO";
    page.OnSaveAs();
    EXPECT_TRUE(m_save.request.filter.startsWith(QStringLiteral("Icon files (*.ico)|*.ico|")));
    const auto ico = ReadFileBytes(m_save.answer);
    ASSERT_GE(ico.size(), 22u);
    EXPECT_EQ(ico[2], 1);  // ICONDIR type 1
    EXPECT_EQ(ico[4], 1);  // one image

    m_save.answer = m_dir.path().toStdString() + "/group.dat";
    page.OnSaveAs();
    const tv::CByteView group = *m_catalog.GetData(14, 7);
    EXPECT_EQ(ReadFileBytes(m_save.answer),
              std::vector<uint8_t>(group.Data(), group.Data() + group.Size()));
}

TEST_F(RawDataPageTest, AFailedSaveSaysWhereAndKeepsTheOldFile) {
    tv::CRawDataPage page;
    page.ShowRawData(m_catalog, 10, 2);
    m_save.answer = m_dir.path().toStdString() + "/no-such-folder/all.bin";
    page.OnSaveAs();
    ASSERT_EQ(m_save.errors.size(), 1);
    EXPECT_TRUE(m_save.errors[0].contains(QString::fromStdString(m_save.answer)));
}

// "Als Text" as users press it: each click switches between the text and the dump.
TEST_F(RawDataPageTest, TheAsTextButtonSwitchesOnEveryClick) {
    tv::CRawDataPage page;
    page.ShowRawData(m_catalog, 24, 1);
    page.show();
    QWidget* button =
        page.ToolBar()->widgetForAction(page.ToolBar()->ButtonAction(tv::cmd::kRawAsText));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(page.IsShowingText());
    EXPECT_TRUE(tv::CSettings().GetRawDataAsText());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(page.IsShowingText());
    EXPECT_FALSE(tv::CSettings().GetRawDataAsText());
}

TEST_F(RawDataPageTest, AsTextShowsTheTextFormKeepsTheChoiceAndSavesIt) {
    tv::CRawDataPage page;
    // Binary data has no text form: the button is off and the dump stays.
    page.ShowRawData(m_catalog, 10, 2);
    EXPECT_FALSE(page.ToolBar()->IsButtonEnabled(tv::cmd::kRawAsText));
    EXPECT_FALSE(page.ToolBar()->IsButtonChecked(tv::cmd::kRawAsText));  // default 0
    EXPECT_FALSE(page.IsShowingText());

    page.ShowRawData(m_catalog, 24, 1);
    ASSERT_TRUE(page.ToolBar()->IsButtonEnabled(tv::cmd::kRawAsText));
    EXPECT_FALSE(page.IsShowingText());
    page.OnAsText();
    EXPECT_TRUE(page.IsShowingText());
    EXPECT_TRUE(page.ToolBar()->IsButtonChecked(tv::cmd::kRawAsText));
    // Without the BOM; the view shows CR LF as a line end, the saved file keeps it.
    EXPECT_EQ(page.TextFormText().toStdString(),
              "<?xml version=\"1.0\"?>\n<assembly manifestVersion=\"1.0\"/>\n");
    EXPECT_TRUE(tv::CSettings().GetRawDataAsText());

    m_save.answer = m_dir.path().toStdString() + "/manifest.txt";
    page.OnSaveAs();
    EXPECT_EQ(tv::QtFileFilter(m_save.request.filter),
              QStringLiteral("Binary data (*.bin);;Text files (*.txt);;All Files (*)"));
    EXPECT_EQ(ReadFileBytes(m_save.answer), Bytes(std::string_view(kManifest).substr(3)));

    // A new page starts in the kept choice; UTF-16 with BOM is text too.
    tv::CRawDataPage second;
    EXPECT_TRUE(second.ToolBar()->IsButtonChecked(tv::cmd::kRawAsText));
    second.ShowRawData(m_catalog, 10, 3);
    EXPECT_TRUE(second.IsShowingText());
    EXPECT_EQ(second.TextFormText(), QStringLiteral("T\u00FCr"));
    // A menu is shown as resource script, offered and saved as .rc.
    second.ShowRawData(m_catalog, 4, 2);
    const std::string script = second.TextFormText().toStdString();
    EXPECT_EQ(script.rfind("#pragma code_page(65001)\n", 0), 0u) << script;
    EXPECT_NE(script.find("LANGUAGE 7, 1\n2 MENU\nBEGIN\n    POPUP \"&Datei\"\n"),
              std::string::npos)
        << script;
    m_save.answer = m_dir.path().toStdString() + "/menu.rc";
    second.OnSaveAs();
    EXPECT_TRUE(m_save.request.filter.contains(QStringLiteral("(*.rc)")));
    EXPECT_EQ(ReadFileBytes(m_save.answer), Bytes(script));
    second.resize(520, 300);
    SaveScreenshot(second, QStringLiteral("raw-data-as-text"));
    // The dump is still one click away, and the click is kept as well.
    second.OnAsText();
    EXPECT_FALSE(second.IsShowingText());
    EXPECT_FALSE(tv::CSettings().GetRawDataAsText());
    EXPECT_TRUE(m_save.errors.isEmpty());
}

}  // namespace
