#include "res/DialogToolBar.h"
#include "resources/ResourcePage.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

#include "res/CommandTarget.h"
#include "res/Menus.h"

namespace {

// A window with a hidden placeholder 1003 between two fields, as the module windows' forms have.
struct Window : QWidget, tv::ICommandTarget {
    Window() {
        auto* layout = new QVBoxLayout(this);
        first = new QLineEdit(this);
        placeholder = new QLabel(QStringLiteral("Werkzeugleiste"), this);
        placeholder->setObjectName(QStringLiteral("placeholder1003"));
        placeholder->hide();
        last = new QLineEdit(this);
        layout->addWidget(first);
        layout->addWidget(placeholder);
        layout->addWidget(last);
    }
    bool OnCommand(uint32_t id) override {
        commands.push_back(id);
        return true;
    }
    bool OnUpdateCommand(tv::CCmdUI&) override { return false; }
    QLineEdit* first;
    QLabel* placeholder;
    QLineEdit* last;
    std::vector<uint32_t> commands;
};

TEST(DialogToolBar, TakesThePlaceholdersPlaceAndFillsFromTheTable) {
    Window window;
    auto* bar = new tv::CDialogToolBar;
    ASSERT_TRUE(bar->CreateAtPlaceholder(&window, 1003, tv::kHeadersToolbar));
    EXPECT_EQ(bar->parentWidget(), &window);
    EXPECT_EQ(window.layout()->indexOf(bar), 1);
    EXPECT_EQ(window.layout()->indexOf(window.placeholder), -1);
    EXPECT_TRUE(window.placeholder->isHidden());
    // In the tab order the strip stands where the placeholder stands: after the first field and
    // before the last.
    QWidget* next = window.first->nextInFocusChain();
    while (next != bar && next != window.last && next != window.first)
        next = next->nextInFocusChain();
    EXPECT_EQ(next, bar);

    // Five entries, four pictures: the separator takes none.
    EXPECT_EQ(bar->Entries(), (QList<uint32_t>{32792, 0, 32775, 32776, 32777}));
    EXPECT_EQ(bar->ImageIndex(32792), 0);
    EXPECT_EQ(bar->ImageIndex(32777), 3);
    EXPECT_EQ(bar->ImageIndex(0), -1);
    for (uint32_t id : {32792u, 32775u, 32776u, 32777u}) {
        ASSERT_NE(bar->ButtonAction(id), nullptr);
        EXPECT_TRUE(bar->IsButtonEnabled(id)) << id;
        EXPECT_FALSE(bar->ButtonAction(id)->icon().isNull()) << id;
    }
    // Tooltips: the text after the line feed, or the whole string without one.
    EXPECT_EQ(bar->ButtonAction(32776)->toolTip(), QStringLiteral("Ressourcen"));
    EXPECT_EQ(bar->ButtonAction(32792)->toolTip(), QStringLiteral("Vollständige Anzeige"));

    // A second load leaves exactly the second table's buttons.
    ASSERT_TRUE(bar->LoadButtons(tv::kImagePageToolbar));
    EXPECT_EQ(bar->Entries(), (QList<uint32_t>{32805, 32802}));
    EXPECT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->ButtonAction(32805)->toolTip(), QStringLiteral("Save as..."));
    EXPECT_EQ(bar->ButtonAction(32776), nullptr);
    EXPECT_FALSE(bar->LoadButtons(999));
    EXPECT_TRUE(bar->actions().isEmpty());
}

TEST(DialogToolBar, ButtonsReportTheirCommandAndTakeTheirStateById) {
    Window window;
    auto* bar = new tv::CDialogToolBar;
    ASSERT_TRUE(bar->CreateAtPlaceholder(&window, 1003, tv::kStringPageToolbar));
    QSignalSpy clicks(bar, &tv::CDialogToolBar::commandTriggered);
    window.show();
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(bar->ButtonAction(32806)));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks.front().front().value<uint32_t>(), 32806u);

    bar->CheckButton(32806);
    EXPECT_TRUE(bar->IsButtonChecked(32806));
    bar->CheckButton(32806, false);
    EXPECT_FALSE(bar->IsButtonChecked(32806));
    bar->EnableButton(32805, false);
    EXPECT_FALSE(bar->IsButtonEnabled(32805));
    QTest::mouseClick(bar->widgetForAction(bar->ButtonAction(32805)), Qt::LeftButton);
    EXPECT_EQ(clicks.size(), 1);
    bar->HideButton(32806);
    EXPECT_TRUE(bar->IsButtonHidden(32806));
    // Commands the strip does not hold are ignored, not invented.
    bar->EnableButton(32776);
    EXPECT_FALSE(bar->IsButtonEnabled(32776));
}

// A checked button shows what its page decided: a click reports the command with the state as it
// was, and the state changes only when the page sets it.
TEST(DialogToolBar, AClickLeavesTheCheckToTheButtonsOwner) {
    Window window;
    auto* bar = new tv::CDialogToolBar;
    ASSERT_TRUE(bar->CreateAtPlaceholder(&window, 1003, tv::kStringPageToolbar));
    bar->CheckButton(32806, false);
    std::vector<bool> seen;
    QObject::connect(bar, &tv::CDialogToolBar::commandTriggered, bar,
                     [&](uint32_t) { seen.push_back(bar->IsButtonChecked(32806)); });
    window.show();
    QWidget* button = bar->widgetForAction(bar->ButtonAction(32806));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(bar->IsButtonChecked(32806));
    bar->CheckButton(32806, true);  // the owner's answer
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(bar->IsButtonChecked(32806));
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST(DialogToolBar, WithoutPlaceholderNothingIsBuilt) {
    Window window;
    tv::CDialogToolBar bar;
    EXPECT_FALSE(bar.CreateAtPlaceholder(&window, 1004, tv::kRawPageToolbar));
    EXPECT_TRUE(bar.Entries().isEmpty());
}

TEST(ResourcePage, EnterAndEscapeArePostedToTheWindow) {
    Window window;
    auto* page = new tv::CResourcePage;
    ASSERT_TRUE(page->CreatePage(&window, QRect(10, 10, 100, 50), window.placeholder));
    EXPECT_EQ(page->parentWidget(), &window);
    EXPECT_EQ(page->geometry(), QRect(10, 10, 100, 50));
    auto* field = new QLineEdit(page);
    window.show();
    field->setFocus();

    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_TRUE(window.commands.empty());  // posted, not called
    QCoreApplication::processEvents();
    EXPECT_EQ(window.commands, (std::vector<uint32_t>{tv::kIdCancel}));
    QTest::keyClick(page, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.commands, (std::vector<uint32_t>{tv::kIdCancel, tv::kIdOk}));
    EXPECT_FALSE(tv::CResourcePage().CreatePage(nullptr, QRect(), nullptr));
}

}  // namespace
