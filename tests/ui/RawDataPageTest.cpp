// The raw data page over a builder module: the dump and byte count of small and large resources,
// saving every byte, icon groups saved as real .ico files, and a failed save that keeps the file
// already there.
#include "resources/RawDataPage.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FakeSaveDialog.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "resources/ResourceCatalog.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

class RawDataPageTest : public ::testing::Test {
protected:
    void SetUp() override {
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
                .Build();
        ASSERT_TRUE(m_catalog.LoadFromMemory(tv::CByteView(m_bytes.data(), m_bytes.size()),
                                             m_dir.path().toStdString() + "/sample.dll"));
        ASSERT_TRUE(m_catalog.Enumerate());
    }

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

}  // namespace
