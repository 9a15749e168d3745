// The string table page over a builder module: hexadecimal ids and back, sorting by either
// column (hexadecimal ids too), and the save rules by extension.
#include "resources/StringTablePage.h"

#include <QAbstractItemModelTester>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "FakeSaveDialog.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "resources/ResourceCatalog.h"
#include "settings/Settings.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class StringTablePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("TARNVIEW_HIVE", (m_dir.path() + QStringLiteral("/hive.reg")).toLocal8Bit());
        m_bytes =
            tvtest::PeBuilder::Pe32()
                .Dll()
                .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
                .AddResource(6, 1, 0x0409, tvtest::StringBlock({"null", {}, "zwei"}))
                .AddResource(
                    6, 4096, 0x0409,
                    tvtest::StringBlock(
                        {"a", {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, "letzte"}))
                .AddResource(6, 11, 0x0409, tvtest::StringBlock({"Tab\there \"zitiert\""}))
                .Build();
        ASSERT_TRUE(m_catalog.LoadFromMemory(tv::CByteView(m_bytes.data(), m_bytes.size()),
                                             "/nowhere/texts.dll"));
        ASSERT_TRUE(m_catalog.Enumerate());
    }
    void TearDown() override { qunsetenv("TARNVIEW_HIVE"); }
    QStringList Column(tv::CStringTablePage& page, int column) {
        QStringList texts;
        QAbstractItemModel* model = page.List()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts.append(model->index(row, column).data().toString());
        return texts;
    }

    QTemporaryDir m_dir;
    std::vector<uint8_t> m_bytes;
    tv::CResourceCatalog m_catalog;
    CFakeSaveDialog m_save;
};

// The button itself, as users press it: each click switches, and the choice is kept.
TEST_F(StringTablePageTest, TheHexadecimalButtonSwitchesOnEveryClick) {
    tv::CStringTablePage page;
    page.ShowStringTables(m_catalog);
    page.show();
    QWidget* button =
        page.ToolBar()->widgetForAction(page.ToolBar()->ButtonAction(tv::cmd::kHexDisplay));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(Column(page, 0).first(), QStringLiteral("0x0000"));
    EXPECT_TRUE(page.ToolBar()->IsButtonChecked(tv::cmd::kHexDisplay));
    EXPECT_TRUE(tv::CSettings().GetHexadecimalStrings());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(Column(page, 0).first(), QStringLiteral("0"));
    EXPECT_FALSE(page.ToolBar()->IsButtonChecked(tv::cmd::kHexDisplay));
    EXPECT_FALSE(tv::CSettings().GetHexadecimalStrings());
}

TEST_F(StringTablePageTest, HexadecimalIdsSortAndToggleBack) {
    tv::CStringTablePage page;
    QAbstractItemModelTester tester(page.List()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    page.ShowStringTables(m_catalog);
    const QStringList blockOrder{"0", "2", "160", "65520", "65535"};
    EXPECT_EQ(Column(page, 0), blockOrder);
    EXPECT_TRUE(page.CountText().startsWith(QStringLiteral("5 String(s) - ")));
    EXPECT_EQ(Column(page, 1)[2], QStringLiteral("Tab\\there \"zitiert\""));

    page.OnHexadecimalDisplay();
    EXPECT_TRUE(page.ToolBar()->IsButtonChecked(tv::cmd::kHexDisplay));
    EXPECT_TRUE(tv::CStringTablePage().ToolBar()->IsButtonChecked(tv::cmd::kHexDisplay));
    const QStringList hexOrder{"0x0000", "0x0002", "0x00a0", "0xfff0", "0xffff"};
    EXPECT_EQ(Column(page, 0), hexOrder);
    // Every hexadecimal id reads as the number 0, so their texts order them: the column is in
    // ascending order already, and a click turns it round.
    page.OnColumnClick(0);
    EXPECT_EQ(Column(page, 0), (QStringList{"0xffff", "0xfff0", "0x00a0", "0x0002", "0x0000"}));
    page.OnColumnClick(0);
    EXPECT_EQ(Column(page, 0), hexOrder);
    page.OnColumnClick(1);
    EXPECT_EQ(Column(page, 1).first(), QStringLiteral("Tab\\there \"zitiert\""));
    page.OnColumnClick(0);
    EXPECT_EQ(Column(page, 0), hexOrder);

    // The second toggle: decimal ids in block order again, and the choice is kept.
    page.OnHexadecimalDisplay();
    EXPECT_EQ(Column(page, 0), blockOrder);
    EXPECT_FALSE(tv::CStringTablePage().ToolBar()->IsButtonChecked(tv::cmd::kHexDisplay));

    page.ShowStringBlock(m_catalog, 4096);
    EXPECT_EQ(Column(page, 0), (QStringList{"65520", "65535"}));
    EXPECT_EQ(page.CountText(), QStringLiteral("2 String(s)"));
}

TEST_F(StringTablePageTest, TheExtensionDecidesWhatIsWritten) {
    tv::CStringTablePage page;
    page.ShowStringBlock(m_catalog, 11);
    const std::string folder = m_dir.path().toStdString();
    const std::string script =
        "STRINGTABLE DISCARDABLE\r\nBEGIN\r\n\t160\t\"Tab\\there \"\"zitiert\"\"\"\r\nEND\r\n\r\n";
    const std::string text = "Tab\\there \"\"zitiert\"\"\r\n";
    const struct {
        const char* name;
        std::string expected;
    } cases[] = {{"/a.TXT", text}, {"/b.RC", script}, {"/c.dat", text}};
    for (const auto& c : cases) {
        m_save.answer = folder + c.name;
        page.OnSaveAs();
        EXPECT_EQ(ReadText(m_save.answer), c.expected) << c.name;
    }
    m_save.answer = folder + "/d.Bin";
    page.OnSaveAs();
    const tv::CByteView block = *m_catalog.GetData(6, 11);
    EXPECT_EQ(ReadText(m_save.answer),
              std::string(reinterpret_cast<const char*>(block.Data()), block.Size()));
    EXPECT_EQ(m_save.request.defaultExtension, QStringLiteral("rc"));
    EXPECT_EQ(m_save.request.proposedName, QStringLiteral("Strings"));
}

}  // namespace
