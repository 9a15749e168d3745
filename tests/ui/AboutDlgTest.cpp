// The About box: its lines come from a version resource (the program's own unless told
// otherwise), and only a web address on its last line is ever handed to the desktop.
#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "FakeDesktopServices.h"
#include "Screenshot.h"
#include "app/AboutDlg.h"
#include "module/VersionInfo.h"
#include "support/ResourceBuilders.h"

using tv::CAboutDlg;
using tv::CAddressLabel;
using tv::CVersionInfo;

namespace {

CVersionInfo VersionOf(const std::vector<uint8_t>& resource) {
    CVersionInfo info("/nonexistent");
    info.LoadResource(tv::CByteView(resource.data(), resource.size()), "test");
    return info;
}

void Click(QWidget* widget, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

TEST(AboutDlg, ShowsTheProgramsOwnVersionResource) {
    CAboutDlg dialog;
    const CVersionInfo own;
    ASSERT_TRUE(own.HasData());
    // Internal name, two blanks, "v" and the file version, two blanks, "Release" for a build
    // without SpecialBuild.
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineTitle),
              QStringLiteral("Tarnview  v%1  Release")
                  .arg(QString::fromStdString(own.GetField(tv::kFieldFileVersion))));
    EXPECT_FALSE(own.GetField(tv::kFieldFileVersion).empty());
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineDescription),
              QStringLiteral("Tarnview – zeigt, was in Windows-Modulen steckt"));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineCopyright),
              QStringLiteral("Copyright © 2026 Brisling"));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineLanguage),
              QStringLiteral("Deutsch (Deutschland)"));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineAddress),
              QStringLiteral("http://www.example.org/tarnview/"));
    SaveScreenshot(dialog, QStringLiteral("about"));
}

TEST(AboutDlg, SpecialBuildAndMissingValues) {
    CAboutDlg dialog;
    dialog.SetVersionInfo(VersionOf(tvtest::VersionInfoBuilder()
                                        .StringTable(0x0409, 1200)
                                        .Value("InternalName", "Probe")
                                        .Value("FileVersion", "2, 0, 1")
                                        .Value("SpecialBuild", "Beta 3")
                                        .Value("LegalCopyright", "© Niemand")
                                        .Translation(0x0409, 1200)
                                        .Build()));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineTitle), QStringLiteral("Probe  v2, 0, 1  Beta 3"));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineDescription), QString());
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineCopyright), QStringLiteral("© Niemand "));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineLanguage), QStringLiteral("Englisch (USA)"));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineAddress), QString());

    // A resource without a translation gives nothing but the fixed parts of the first line.
    dialog.SetVersionInfo(VersionOf(tvtest::VersionInfoBuilder().Build()));
    EXPECT_EQ(dialog.GetLineText(CAboutDlg::kLineTitle), QStringLiteral("  v  Release"));
}

TEST(AboutDlg, AddressUnderlinesUnderTheMouseAndOpensOnClick) {
    CFakeDesktopServices desktop;
    CAboutDlg dialog;
    dialog.show();
    CAddressLabel* address = dialog.GetAddressLabel();
    ASSERT_NE(address, nullptr);
    EXPECT_FALSE(address->font().underline());
    EXPECT_EQ(address->palette().color(QPalette::WindowText), QColor(0, 0, 255));

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(address, &enter);
    EXPECT_TRUE(address->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(address, &leave);
    EXPECT_FALSE(address->font().underline());

    Click(address, QPoint(2, 2));
    EXPECT_EQ(desktop.opened, QStringList{QStringLiteral("http://www.example.org/tarnview/")});

    // Pressed on the line but released beside it: no click.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), address->mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    const QPointF outside(-5, -5);
    QMouseEvent release(QEvent::MouseButtonRelease, outside, address->mapToGlobal(outside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(address, &press);
    QApplication::sendEvent(address, &release);
    EXPECT_EQ(desktop.opened.size(), 1);
}

TEST(AboutDlg, OnlyWebAddressesAreOpened) {
    CFakeDesktopServices desktop;
    CAboutDlg dialog;
    const auto withComments = [&dialog](const char* comments) {
        dialog.SetVersionInfo(VersionOf(tvtest::VersionInfoBuilder()
                                            .StringTable(0x0407, 1200)
                                            .Value("Comments", comments)
                                            .Translation(0x0407, 1200)
                                            .Build()));
    };
    withComments("https://example.org/x");
    EXPECT_TRUE(dialog.OpenAddress());
    for (const char* foreign : {"/usr/bin/xterm", "file:///etc/passwd", "HTTP://EXAMPLE.ORG",
                                " http://example.org", "www.example.org", ""}) {
        withComments(foreign);
        EXPECT_FALSE(dialog.OpenAddress()) << foreign;
    }
    EXPECT_EQ(desktop.opened, QStringList{QStringLiteral("https://example.org/x")});
}
