// The dialog preview over builder templates: sizes in pixels from the font's own metrics, the
// frame the styles add, every control class and style family, the off-screen position, the
// picture, and "Dialogtest" with OK, Cancel and Escape.
#include "resources/DialogPreview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "Screenshot.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "resources/DialogTestDlg.h"
#include "resources/ImagePage.h"
#include "resources/ResourceCatalog.h"
#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

namespace {

using tvtest::Control;
using tvtest::DialogTemplate;
using tvtest::NameOrId;

constexpr uint32_t kPopupCaption = 0x80C80000;  // WS_POPUP | WS_CAPTION | WS_SYSMENU
constexpr uint32_t kModalFrame = 0x80;
constexpr uint32_t kChild = 0x40000000;
constexpr uint32_t kTabStop = 0x00010000;
constexpr uint32_t kGroup = 0x00020000;
constexpr uint32_t kVisible = 0x10000000;

tv::CByteView View(const std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size()}; }

// One of each predefined class and style family, then the common controls by class name.
DialogTemplate EveryControl(bool extended) {
    DialogTemplate t(extended);
    t.Style(kPopupCaption | kModalFrame | tv::kDsSetFont).Rect(0, 0, 300, 220).Title("Alles");
    const uint32_t child = tvtest::kWsChildVisible | kTabStop;
    int16_t y = 4;
    auto add = [&](uint16_t atom, const char* text, uint32_t style, int16_t cx = 60,
                   int16_t cy = 12) {
        t.Add(Control(atom, 100 + y, text, 4, y, cx, cy, child | style));
        y = static_cast<int16_t>(y + cy + 2);
    };
    add(tvtest::kButtonAtom, "&OK", tv::kBsDefPushButton);
    add(tvtest::kButtonAtom, "Flach", tv::kBsFlat);
    add(tvtest::kButtonAtom, "&Prüfen", tv::kBsAutoCheckBox | kGroup);
    add(tvtest::kButtonAtom, "Drei", tv::kBsAuto3State);
    add(tvtest::kButtonAtom, "Eins", tv::kBsAutoRadioButton | kGroup);
    add(tvtest::kButtonAtom, "Zwei", tv::kBsAutoRadioButton);
    add(tvtest::kButtonAtom, "Gruppe", tv::kBsGroupBox, 60, 30);
    add(tvtest::kButtonAtom, "", tv::kBsOwnerDraw);
    add(tvtest::kEditAtom, "Text", 0x00800000 | tv::kEsCenter);
    add(tvtest::kEditAtom, "geheim", tv::kEsPassword);
    add(tvtest::kEditAtom, "viele\r\nZeilen", tv::kEsMultiline | 0x00200000, 60, 24);
    add(tvtest::kStaticAtom, "&Name && Adresse", 0);
    add(tvtest::kStaticAtom, "a&b", tv::kSsNoPrefix | tv::kSsRight);
    add(tvtest::kStaticAtom, "", tv::kSsEtchedHorz, 60, 1);
    add(tvtest::kStaticAtom, "", tv::kSsGrayFrame);
    y = 4;
    auto named = [&](const char* cls, const char* text, uint32_t style, int16_t cy = 12) {
        tvtest::DialogItem item;
        item.style = child | style;
        item.x = 150;
        item.y = y;
        item.cx = 100;
        item.cy = cy;
        item.id = 200u + static_cast<uint32_t>(y);
        item.windowClass = NameOrId(cls);
        item.title = NameOrId(text);
        t.Add(item);
        y = static_cast<int16_t>(y + cy + 2);
    };
    named("listbox", "", 0x00800000, 20);
    named("ComboBox", "", tv::kCbsDropDownList, 60);
    named("ComboBox", "frei", tv::kCbsDropDown, 60);
    named("ComboBox", "", tv::kCbsSimple, 30);
    named("ScrollBar", "", 0);
    named("SysListView32", "", tv::kLvsReport, 20);
    named("systreeview32", "", 0, 20);
    named("SysTabControl32", "", 0, 20);
    named("msctls_progress32", "", 0);
    named("msctls_trackbar32", "", 0);
    named("Edit", "5", 0x00800000);
    named("msctls_updown32", "", tv::kUdsAutoBuddy | tv::kUdsAlignRight, 12);
    named("SysDateTimePick32", "", 0);
    named("RichEdit20W", "reich", 0);
    named("msctls_hotkey32", "", 0);
    named("SysAnimate32", "", 0);
    named("SysIPAddress32", "", 0);
    named("SysLink", "Siehe <a href=\"x\">hier</a>.", 0);
    named("msctls_statusbar32", "", 0);
    return t;
}

class DialogPreviewTest : public ::testing::Test {
protected:
    void Load(std::vector<std::pair<uint16_t, std::vector<uint8_t>>> dialogs,
              bool pictures = false) {
        auto builder = tvtest::PeBuilder::Pe32().Dll();
        if (pictures) {
            const auto icon = tvtest::IconImage(16, 16, 4).Build();
            builder.AddResource(3, 5, 0, icon);
            builder.AddResource(14, 1, 0, tvtest::GroupIcon({tvtest::IconEntryFor(icon, 5)}));
            builder.AddResource(2, 7, 0, tvtest::Dib(40, 20, 24).Build());
            using tvtest::MenuItem;
            builder.AddResource(4, 3, 0,
                                tvtest::MenuTemplate(
                                    {MenuItem::Popup("&Datei", {MenuItem::Command("&Neu", 10),
                                                                MenuItem::Separator(),
                                                                MenuItem::Command("&Ende", 11)}),
                                     MenuItem::Popup("&Hilfe", {MenuItem::Command("&Info", 12)})}));
        }
        for (auto& [id, bytes] : dialogs)
            builder.AddResource(5, id, 0x0409, bytes);
        m_bytes = builder.Build();
        ASSERT_TRUE(m_catalog.LoadFromMemory(View(m_bytes), "/nowhere/dialogs.dll"));
        ASSERT_TRUE(m_catalog.Enumerate());
    }

    std::vector<uint8_t> m_bytes;
    tv::CResourceCatalog m_catalog;
};

TEST_F(DialogPreviewTest, DialogUnitsFollowTheTemplateFontsOwnMetrics) {
    const auto bytes = DialogTemplate()
                           .Style(kPopupCaption | kModalFrame | tv::kDsSetFont)
                           .Rect(10, 20, 275, 134)
                           .Build();
    tv::CDialogPreview preview;
    ASSERT_TRUE(preview.CreateFromTemplate(View(bytes), nullptr, nullptr)) << preview.ErrorText();
    // The base units are the font's: the 52 letters' mean width and its height.
    const QFont font = tv::DialogFontFor(preview.Model());
    const tv::DialogBaseUnits expected = tv::BaseUnitsFromFont(
        QFontMetrics(font).horizontalAdvance(
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")),
        tv::DialogFontHeight(font));
    EXPECT_EQ(preview.BaseUnits(), expected);
    const tv::DialogBaseUnits base = preview.BaseUnits();
    EXPECT_EQ(preview.Client()->size(),
              QSize(tv::MulDiv(275, base.x, 4), tv::MulDiv(134, base.y, 8)));
    // Caption and dialog frame: 3 pixels on each side and a caption of 19.
    EXPECT_EQ(preview.size(), preview.Client()->size() + QSize(6, 25));
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        EXPECT_EQ(base, (tv::DialogBaseUnits{6, 13})) << "MS Shell Dlg 8 pt is Tahoma's 6x13";
        EXPECT_EQ(preview.size(), QSize(419, 243));
    }
    // Hidden, at minus its extent.
    EXPECT_FALSE(preview.isVisible());
    EXPECT_EQ(preview.TemplatePosition(), QPoint(-275, -134));

    // A child template without caption or border adds nothing.
    const auto child = DialogTemplate().Style(kChild | tv::kDsSetFont).Rect(0, 0, 275, 134).Build();
    tv::CDialogPreview inner;
    ASSERT_TRUE(inner.CreateFromTemplate(View(child), nullptr, nullptr));
    EXPECT_EQ(inner.size(), inner.Client()->size());
}

TEST_F(DialogPreviewTest, EveryControlClassAndStyleIsBuiltInBothLayouts) {
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended ? "extended" : "classic");
        const auto bytes = EveryControl(extended).Build();
        tv::CDialogPreview preview;
        ASSERT_TRUE(preview.CreateFromTemplate(View(bytes), nullptr, nullptr))
            << preview.ErrorText();
        ASSERT_EQ(preview.Model().controls.size(), 34u);
        EXPECT_EQ(preview.Model().extended, extended);
        QWidget* client = preview.Client();
        auto control = [client](int index) {
            return client->findChild<QWidget*>(QStringLiteral("control%1").arg(index));
        };
        for (int i = 0; i < 34; ++i)
            ASSERT_NE(control(i), nullptr) << i;
        auto* ok = qobject_cast<QPushButton*>(control(0));
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(ok->text(), QStringLiteral("&OK")) << "buttons underline their mnemonic";
        EXPECT_TRUE(qobject_cast<QCheckBox*>(control(3))->isTristate());
        EXPECT_NE(qobject_cast<QGroupBox*>(control(6)), nullptr);
        EXPECT_EQ(qobject_cast<QLineEdit*>(control(9))->echoMode(), QLineEdit::Password);
        EXPECT_EQ(qobject_cast<QLineEdit*>(control(8))->alignment() & Qt::AlignHorizontal_Mask,
                  Qt::AlignHCenter);
        EXPECT_EQ(qobject_cast<QLabel*>(control(11))->text(), QStringLiteral("Name & Adresse"));
        EXPECT_EQ(qobject_cast<QLabel*>(control(12))->text(), QStringLiteral("a&b"));
        EXPECT_EQ(control(13)->height(), 2) << "an etched line is two pixels";
        // A drop-down list is one line high, whatever the template says of its open list.
        EXPECT_LT(control(16)->height(), 30);
        EXPECT_EQ(qobject_cast<QLabel*>(control(32))->text(), QStringLiteral("Siehe hier."));
        // The up-down control sits at its buddy's right edge, as high as the buddy.
        EXPECT_EQ(control(26)->geometry().top(), control(25)->geometry().top());
        EXPECT_EQ(control(26)->height(), control(25)->height());
        EXPECT_LE(control(25)->geometry().right(), control(26)->geometry().left() + 2);
        // The status bar goes to the bottom edge, full width.
        EXPECT_EQ(control(33)->geometry().bottom(), client->height() - 1);
        EXPECT_EQ(control(33)->width(), client->width());

        // Auto radio buttons of one group exclude each other; the check box toggles.
        auto* one = qobject_cast<QRadioButton*>(control(4));
        auto* two = qobject_cast<QRadioButton*>(control(5));
        one->click();
        two->click();
        EXPECT_FALSE(one->isChecked());
        EXPECT_TRUE(two->isChecked());
        auto* check = qobject_cast<QCheckBox*>(control(2));
        check->click();
        EXPECT_TRUE(check->isChecked());
        // Tab stops and the creation order make the focus chain.
        EXPECT_EQ(ok->focusPolicy(), Qt::StrongFocus);

        const QImage picture = preview.Picture();
        EXPECT_EQ(picture.size(), preview.size());
        EXPECT_EQ(picture, preview.Picture()) << "drawing twice gives the same picture";
    }
}

TEST_F(DialogPreviewTest, HiddenDisabledAndUnknownControls) {
    auto t = DialogTemplate().Rect(0, 0, 100, 50);
    t.Add(Control(tvtest::kButtonAtom, 1, "A", 0, 0, 20, 10, kChild));  // not visible
    t.Add(Control(tvtest::kButtonAtom, 2, "B", 0, 0, 20, 10,
                  tvtest::kWsChildVisible | tv::kWsDisabled));
    tv::CDialogPreview preview;
    ASSERT_TRUE(preview.CreateFromTemplate(View(t.Build()), nullptr, nullptr));
    auto* a = preview.Client()->findChild<QWidget*>(QStringLiteral("control0"));
    auto* b = preview.Client()->findChild<QWidget*>(QStringLiteral("control1"));
    EXPECT_TRUE(a->isHidden());
    EXPECT_FALSE(b->isEnabled());

    tvtest::DialogItem unknown;
    unknown.windowClass = NameOrId("MyOwnClass");
    t.Add(unknown);
    tv::CDialogPreview failing;
    EXPECT_FALSE(failing.CreateFromTemplate(View(t.Build()), nullptr, nullptr));
    EXPECT_NE(failing.ErrorText().find("MyOwnClass"), std::string::npos);
    EXPECT_TRUE(failing.Picture().isNull());

    // A giant template is cut to a picture that fits in memory; a negative one is empty.
    tv::CDialogPreview giant;
    ASSERT_TRUE(giant.CreateFromTemplate(View(DialogTemplate().Rect(0, 0, 32767, 32767).Build()),
                                         nullptr, nullptr));
    EXPECT_LE(giant.Picture().width(), 4096 + 6);
    tv::CDialogPreview negative;
    ASSERT_TRUE(negative.CreateFromTemplate(View(DialogTemplate().Rect(0, 0, -50, -50).Build()),
                                            nullptr, nullptr));
    EXPECT_EQ(negative.Client()->size(), QSize(0, 0));

    // Every cut of a template with every control builds or fails cleanly.
    const auto every = EveryControl(true).Build();
    for (size_t length = 0; length < every.size(); length += 7) {
        const std::vector<uint8_t> cut(every.begin(), every.begin() + static_cast<long>(length));
        tv::CDialogPreview part;
        if (part.CreateFromTemplate(View(cut), nullptr, nullptr)) (void)part.Picture();
    }

    // Garbage is refused, not drawn.
    const std::vector<uint8_t> junk(10, 0xFF);
    tv::CDialogPreview none;
    EXPECT_FALSE(none.CreateFromTemplate(View(junk), nullptr, nullptr));
}

TEST_F(DialogPreviewTest, ModesDecideWhatOkAndCancelDo) {
    auto t = DialogTemplate().Rect(0, 0, 100, 50);
    tv::CDialogPreview preview;
    ASSERT_TRUE(preview.CreateFromTemplate(View(t.Build()), nullptr, nullptr));
    std::vector<int> results;
    QObject::connect(&preview, &tv::CDialogPreview::finished,
                     [&](int result) { results.push_back(result); });
    preview.OnOK();
    preview.OnCancel();
    EXPECT_EQ(results, (std::vector<int>{1, 2}));
    EXPECT_EQ(preview.SetMode(7), tv::CDialogPreview::kModeStandard);
    preview.OnOK();
    preview.OnCancel();
    EXPECT_EQ(results.size(), 2u) << "any other mode: nothing";
}

// The test window over a module's dialog: OK, Cancel and Escape close it, other buttons do not;
// the window grows and shrinks by the preview's difference to the placeholder.
TEST_F(DialogPreviewTest, DialogtestRunsTheDialogAndClosesOnOkCancelAndEscape) {
    auto big = DialogTemplate()
                   .Style(kPopupCaption | kModalFrame | tv::kDsSetFont)
                   .Rect(0, 0, 275, 134)
                   .Title("Groß");
    big.Add(Control(tvtest::kButtonAtom, 1, "OK", 10, 10, 50, 14,
                    tvtest::kWsChildVisible | kTabStop | tv::kBsDefPushButton));
    big.Add(Control(tvtest::kButtonAtom, 2, "Abbrechen", 10, 30, 50, 14,
                    tvtest::kWsChildVisible | kTabStop));
    big.Add(Control(tvtest::kButtonAtom, 3, "Hilfe", 10, 50, 50, 14,
                    tvtest::kWsChildVisible | kTabStop));
    auto small = DialogTemplate().Style(kChild | tv::kDsSetFont).Rect(0, 0, 20, 10);
    Load({{1, big.Build()}, {2, small.Build()}, {3, EveryControl(false).Build()}});

    std::vector<QString> messages;
    const auto previous = tv::CDialogTestDlg::SetMessageBox(
        [&](QWidget*, const QString& text) { messages.push_back(text); });

    for (const char* press : {"OK", "Abbrechen", "Escape"}) {
        SCOPED_TRACE(press);
        tv::CDialogTestDlg dialog(nullptr);
        dialog.SetSource(m_catalog, 1);
        const QSize before = dialog.size();
        const QSize holder = dialog.Placeholder()->size();
        ASSERT_TRUE(dialog.InitDialog());
        tv::CDialogPreview* preview = dialog.Preview();
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(dialog.size(), before + preview->size() - holder);
        EXPECT_EQ(preview->pos(), dialog.Placeholder()->pos());
        EXPECT_EQ(preview->parentWidget(), &dialog);
        EXPECT_EQ(preview->Mode(), tv::CDialogPreview::kModeForward);
        EXPECT_TRUE(preview->Style() & kChild);
        int result = -1;
        QTimer::singleShot(0, [&] {
            auto buttons = dialog.Preview()->findChildren<QPushButton*>();
            // "Hilfe" first: the window stays open.
            for (QPushButton* b : buttons)
                if (b->text() == QStringLiteral("Hilfe")) b->click();
            EXPECT_TRUE(dialog.isVisible());
            if (std::string(press) == "Escape") {
                QTest::keyClick(dialog.Preview(), Qt::Key_Escape);
            } else {
                for (QPushButton* b : buttons)
                    if (b->text() == QString::fromUtf8(press)) b->click();
            }
        });
        result = dialog.exec();
        EXPECT_EQ(result, std::string(press) == "OK" ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dialog.Preview(), nullptr) << "the preview goes with the window";
    }

    // Every control, running, for a person to look at.
    tv::CDialogTestDlg everything(nullptr);
    everything.SetSource(m_catalog, 3);
    ASSERT_TRUE(everything.InitDialog());
    everything.show();
    SaveScreenshot(everything, QStringLiteral("dialogtest"));

    // A smaller dialog shrinks the window.
    tv::CDialogTestDlg shrinking(nullptr);
    shrinking.SetSource(m_catalog, 2);
    const QSize before = shrinking.size();
    ASSERT_TRUE(shrinking.InitDialog());
    EXPECT_LT(shrinking.width(), before.width());

    // A missing dialog: message 1003, no window.
    tv::CDialogTestDlg missing(nullptr);
    missing.SetSource(m_catalog, 99);
    EXPECT_EQ(missing.RunModal(), QDialog::Rejected);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(
        QStringLiteral("An error occurred while loading the dialog box from resource file")));
    tv::CDialogTestDlg::SetMessageBox(previous);
}

TEST_F(DialogPreviewTest, TheImagePageShowsDialogsAsPicturesWithTheirFrame) {
    auto t = DialogTemplate()
                 .Style(kPopupCaption | kModalFrame | tv::kDsSetFont)
                 .Rect(0, 0, 186, 95)
                 .Title("Bild");
    auto unknown = DialogTemplate().Rect(0, 0, 10, 10);
    tvtest::DialogItem item;
    item.windowClass = NameOrId("Fremd");
    unknown.Add(item);
    Load({{1, t.Build()}, {2, unknown.Build()}});
    tv::CImagePage page;
    page.ShowDialogResource(m_catalog, 1);
    const auto preview = tv::CreateDialogPreview(m_catalog, 1, nullptr);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->TemplatePosition(), QPoint(-186, -95));
    EXPECT_EQ(page.Picture().Width(), static_cast<uint32_t>(preview->width()));
    EXPECT_EQ(page.Picture().Height(), static_cast<uint32_t>(preview->height()));
    EXPECT_FALSE(page.ToolBar()->IsButtonHidden(tv::cmd::kSaveAs));
    EXPECT_FALSE(page.ToolBar()->IsButtonHidden(tv::cmd::kTestDialog));
    // The caption bar is drawn: its left end is the gradient's dark blue.
    const QImage image = preview->Picture();
    const QColor caption = image.pixelColor(4, 4);
    EXPECT_LT(caption.red(), 0x20);
    EXPECT_GT(caption.blue(), 0x60);

    // "Testdialog" runs the shown dialog modally; Escape inside it ends the run.
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* running = qobject_cast<tv::CDialogTestDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(running, nullptr);
        ran = running->Preview() != nullptr;
        QTest::keyClick(running->Preview(), Qt::Key_Escape);
    });
    page.OnTestDialog();
    EXPECT_TRUE(ran);

    page.ShowDialogResource(m_catalog, 2);
    EXPECT_TRUE(page.Picture().Empty());
    EXPECT_TRUE(page.ToolBar()->IsButtonHidden(tv::cmd::kSaveAs));
    EXPECT_TRUE(page.ToolBar()->IsButtonHidden(tv::cmd::kTestDialog));
}

// Statics show the module's own icons and bitmaps, by ordinal, at the picture's size.
TEST_F(DialogPreviewTest, StaticPicturesComeFromTheInspectedModule) {
    auto t = DialogTemplate().Rect(0, 0, 100, 60);
    t.Add(Control(tvtest::kStaticAtom, 10, NameOrId::Ordinal(1), 4, 4, 20, 20,
                  tvtest::kWsChildVisible | tv::kSsIcon));
    t.Add(Control(tvtest::kStaticAtom, 11, NameOrId::Ordinal(7), 30, 4, 10, 10,
                  tvtest::kWsChildVisible | tv::kSsBitmap));
    t.Add(Control(tvtest::kStaticAtom, 12, NameOrId::Ordinal(99), 60, 4, 10, 10,
                  tvtest::kWsChildVisible | tv::kSsIcon));
    Load({{1, t.Build()}}, true);
    const auto preview = tv::CreateDialogPreview(m_catalog, 1, nullptr);
    ASSERT_NE(preview, nullptr);
    auto label = [&](int i) {
        return preview->Client()->findChild<QLabel*>(QStringLiteral("control%1").arg(i));
    };
    EXPECT_EQ(label(0)->pixmap().size(), QSize(16, 16));
    EXPECT_EQ(label(0)->size(), QSize(16, 16));
    EXPECT_EQ(label(1)->size(), QSize(40, 20));
    // A picture the module does not have leaves the control empty at its own size.
    EXPECT_TRUE(label(2)->pixmap().isNull());
}

// A template's menu is the module's own menu resource, as a bar inside the frame.
TEST_F(DialogPreviewTest, TheTemplatesMenuIsTheModulesMenuBar) {
    auto withMenu = DialogTemplate().Style(kPopupCaption | tv::kDsSetFont).Rect(0, 0, 100, 50);
    withMenu.Menu(NameOrId::Ordinal(3));
    auto missingMenu = DialogTemplate().Style(kPopupCaption | tv::kDsSetFont).Rect(0, 0, 100, 50);
    missingMenu.Menu(NameOrId::Ordinal(9));
    Load({{1, withMenu.Build()}, {2, missingMenu.Build()}}, true);
    const auto preview = tv::CreateDialogPreview(m_catalog, 1, nullptr);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->Frame().menu, 19);
    EXPECT_EQ(preview->height(), preview->Client()->height() + 6 + 19 + 19);
    auto* bar = preview->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), QStringLiteral("&Datei"));
    EXPECT_EQ(bar->actions()[0]->menu()->actions().size(), 3);
    EXPECT_EQ(bar->geometry().top(), 3 + 19);
    // A menu the module lacks keeps its place, empty.
    const auto lacking = tv::CreateDialogPreview(m_catalog, 2, nullptr);
    ASSERT_NE(lacking, nullptr);
    EXPECT_EQ(lacking->findChild<QMenuBar*>(), nullptr);
    EXPECT_EQ(lacking->Frame().menu, 19);
}

}  // namespace
