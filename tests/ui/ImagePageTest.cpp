// The image page over builder resources: pictures at the top-left with the button face around
// them, scroll steps of one pixel and one page, the toolbar's states, whole-number zoom, and the
// save rules (.bin in any case writes the raw bytes, anything else a bitmap file).
#include "resources/ImagePage.h"

#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "FakeSaveDialog.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "resources/ResourceCatalog.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

class ImagePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_small = tvtest::Dib(70, 39, 24).Build();
        m_large = tvtest::Dib(2000, 700, 8).Build();
        m_bytes =
            tvtest::PeBuilder::Pe32()
                .Dll()
                .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
                .AddResource(2, 1, 0x0409, m_small)
                .AddResource(2, 2, 0x0409, m_large)
                .AddResource(
                    3, 1, 0x0409,
                    tvtest::IconImage(32, 32, 1).AndMask(std::vector<uint8_t>(1024, 0)).Build())
                .Build();
        ASSERT_TRUE(m_catalog.LoadFromMemory(tv::CByteView(m_bytes.data(), m_bytes.size()),
                                             "/nowhere/pictures.dll"));
        ASSERT_TRUE(m_catalog.Enumerate());
        m_page.resize(500, 400);
        m_page.show();
        QCoreApplication::processEvents();
    }

    std::vector<uint8_t> m_small, m_large, m_bytes;
    tv::CResourceCatalog m_catalog;
    tv::CImagePage m_page;
    CFakeSaveDialog m_save;
    QTemporaryDir m_dir;
};

TEST_F(ImagePageTest, SmallPicturesSitTopLeftOnTheButtonFace) {
    tv::CDialogToolBar* bar = m_page.ToolBar();
    EXPECT_TRUE(bar->IsButtonHidden(tv::cmd::kSaveAs));
    EXPECT_TRUE(bar->IsButtonHidden(tv::cmd::kTestDialog));
    m_page.ShowBitmapResource(m_catalog, 1);
    EXPECT_FALSE(bar->IsButtonHidden(tv::cmd::kSaveAs));
    EXPECT_TRUE(bar->IsButtonHidden(tv::cmd::kTestDialog));
    EXPECT_EQ(m_page.HorizontalBar()->maximum(), 0);
    EXPECT_EQ(m_page.VerticalBar()->maximum(), 0);
    const QImage shot = m_page.PictureArea()->grab().toImage();
    const QRgb face = m_page.palette().color(QPalette::Button).rgb();
    EXPECT_NE(shot.pixel(0, 0), face);    // the builder's bitmap is black
    EXPECT_EQ(shot.pixel(70, 10), face);  // right of it
    EXPECT_EQ(shot.pixel(10, 39), face);  // below it

    // A monochrome icon of 32 x 64 mask pixels is a 32 x 32 picture.
    m_page.ShowIconResource(m_catalog, 1);
    EXPECT_EQ(m_page.Picture().Width(), 32u);
    EXPECT_EQ(m_page.Picture().Height(), 32u);
    // Nothing there: the page empties, the toolbar stays as it was.
    m_page.ShowIconResource(m_catalog, 9);
    EXPECT_TRUE(m_page.Picture().Empty());
    EXPECT_FALSE(bar->IsButtonHidden(tv::cmd::kSaveAs));
    m_page.ShowDialogResource(m_catalog, 1);
    EXPECT_TRUE(bar->IsButtonHidden(tv::cmd::kSaveAs));
}

TEST_F(ImagePageTest, LargePicturesScrollByPixelsAndPagesAndZoomByWholeFactors) {
    m_page.ShowBitmapResource(m_catalog, 2);
    QScrollBar* h = m_page.HorizontalBar();
    const int areaWidth = m_page.PictureArea()->width();
    EXPECT_EQ(h->maximum(), 2000 - areaWidth);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(h->value(), 1);
    h->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(h->value(), 1 + areaWidth);
    h->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(h->value(), 0);
    h->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(h->value(), h->maximum());

    QTest::keyClick(&m_page, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(m_page.Zoom(), 2);
    EXPECT_EQ(h->maximum(), 4000 - areaWidth);
    QTest::keyClick(&m_page, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(m_page.Zoom(), 1);
    m_page.SetZoom(100);
    EXPECT_EQ(m_page.Zoom(), tv::CImagePage::kMaxZoom);
}

TEST_F(ImagePageTest, SaveWritesABitmapOrTheRawBytesByExtension) {
    m_page.SetZoom(3);  // a closer look never changes the file
    m_page.ShowBitmapResource(m_catalog, 1);
    m_save.answer = m_dir.path().toStdString() + "/raw.BIN";
    m_page.OnSaveAs();
    EXPECT_EQ(ReadFileBytes(m_save.answer), m_small);
    EXPECT_EQ(m_save.request.proposedName, QStringLiteral("Bitmaps"));
    EXPECT_EQ(m_save.request.defaultExtension, QStringLiteral("bmp"));

    for (const char* name : {"/picture.bmp", "/picture.dat"}) {
        m_save.answer = m_dir.path().toStdString() + name;
        m_page.OnSaveAs();
        const auto file = ReadFileBytes(m_save.answer);
        ASSERT_GE(file.size(), 54u) << name;
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[18], 70);                   // width at natural size
        EXPECT_EQ(file.size(), 54u + 212u * 39u);  // 24-bit rows of 70 pixels: 212 bytes
    }
    m_save.answer = m_dir.path().toStdString() + "/missing/picture.bmp";
    m_page.OnSaveAs();
    ASSERT_EQ(m_save.errors.size(), 1);
    EXPECT_TRUE(
        m_save.errors[0].startsWith(QStringLiteral("An error occurred while saving the bitmap")));
}

}  // namespace
