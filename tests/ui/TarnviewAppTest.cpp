// The application's list of module windows: one window per kind and exact path, shown again when
// asked twice, hidden windows swept after the next open, failed loads reported and dropped.
#include "app/TarnviewApp.h"

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "FakeDesktopServices.h"
#include "app/MainFrame.h"
#include "browser/LeftView.h"
#include "browser/RightView.h"
#include "shell/ShellNamespace.h"
#include "support/HiveHelper.h"
#include "support/PeBuilder.h"

using tv::CCmdUI;
using tv::CTarnviewApp;
using tv::IModuleWindow;

namespace {

struct Made {
    int count = 0;
    std::map<std::string, QWidget*> widgets;  // the live window of each path
};

class CFakeWindow : public IModuleWindow {
public:
    CFakeWindow(const char* className, Made& made) : m_class(className), m_made(made) {
        ++made.count;
    }
    ~CFakeWindow() override {
        if (m_made.widgets[m_path] == m_widget.get()) m_made.widgets.erase(m_path);
    }
    QWidget* Widget() override { return m_widget.get(); }
    const char* ClassName() const override { return m_class; }
    bool CreateModeless() override {
        m_widget = std::make_unique<QWidget>();
        m_widget->show();
        return true;
    }
    bool LoadModule(const std::string& path) override {
        m_path = path;
        m_made.widgets[path] = m_widget.get();
        return path.find("bad") == std::string::npos;
    }
    std::string GetModulePath() const override { return m_path; }
    std::string GetErrorText() const override { return "kaputt: " + m_path; }

private:
    const char* m_class;
    Made& m_made;
    std::unique_ptr<QWidget> m_widget;
    std::string m_path;
};

TEST(TarnviewAppTest, ModuleWindowsAreFoundByKindAndExactPathAndSwept) {
    CFakeDesktopServices desktop;
    CTarnviewApp app;
    Made resources;
    Made headers;
    app.SetResourcesWindowFactory(
        [&] { return std::make_unique<CFakeWindow>("CResourcesDlg", resources); });
    app.SetHeadersWindowFactory(
        [&] { return std::make_unique<CFakeWindow>("CModuleHeadersDlg", headers); });

    EXPECT_TRUE(app.OpenResourcesWindow("/w/A.DLL"));
    EXPECT_TRUE(app.OpenResourcesWindow("/w/a.dll"));  // another spelling, another window
    EXPECT_EQ(resources.count, 2);
    EXPECT_TRUE(app.OpenResourcesWindow("/w/A.DLL"));  // brought back, nothing made
    EXPECT_EQ(resources.count, 2);
    EXPECT_TRUE(app.OpenHeadersWindow("/w/A.DLL"));  // the other kind is a window of its own
    EXPECT_EQ(headers.count, 1);
    EXPECT_EQ(app.ModuleWindowCount(), 3u);

    EXPECT_FALSE(app.OpenHeadersWindow("/w/bad.dll"));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].first, QMessageBox::Critical);
    EXPECT_EQ(desktop.messages[0].second, QStringLiteral("kaputt: /w/bad.dll"));
    EXPECT_EQ(app.ModuleWindowCount(), 3u);

    // A window the user closed (hidden) comes back as it was while no other window opens...
    app.SweepModuleWindows(false);
    EXPECT_EQ(app.ModuleWindowCount(), 3u);
    resources.widgets.at("/w/a.dll")->hide();
    EXPECT_TRUE(app.OpenResourcesWindow("/w/a.dll"));
    EXPECT_EQ(resources.count, 2);
    EXPECT_TRUE(resources.widgets.at("/w/a.dll")->isVisible());
    // ...and goes with the sweep that follows the next successful open.
    resources.widgets.at("/w/a.dll")->hide();
    EXPECT_TRUE(app.OpenResourcesWindow("/w/c.dll"));
    EXPECT_EQ(resources.count, 3);
    EXPECT_EQ(app.ModuleWindowCount(), 3u);
    EXPECT_EQ(resources.widgets.count("/w/a.dll"), 0u);

    app.SweepModuleWindows(true);
    EXPECT_EQ(app.ModuleWindowCount(), 0u);
}

TEST(TarnviewAppTest, AKindWithoutWindowsSaysSoAndAutomationStartsNoWindow) {
    CFakeDesktopServices desktop;
    CTarnviewApp app;
    app.SetResourcesWindowFactory({});
    EXPECT_FALSE(app.OpenResourcesWindow("/w/a.dll"));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].first, QMessageBox::Information);
    EXPECT_EQ(app.ModuleWindowCount(), 0u);

    int exitCode = -1;
    EXPECT_FALSE(
        app.InitInstance({QStringLiteral("tarnview"), QStringLiteral("-Embedding")}, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(app.GetMainFrame(), nullptr);

    CCmdUI about(57664);
    EXPECT_TRUE(app.OnUpdateCommand(about));
    EXPECT_TRUE(about.IsEnabled());
    CCmdUI other(32774);
    EXPECT_FALSE(app.OnUpdateCommand(other));
}

TEST(TarnviewAppTest, CommandLineOpensAModuleWindowOverItsSelectedFile) {
    CFakeDesktopServices desktop;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string module = folder + "/app.dll";
    const auto bytes = tvtest::PeBuilder::Pe32()
                           .Dll()
                           .AddSection(".text", tvtest::pe::kTextSection, {0xC3})
                           .Build();
    std::ofstream(module, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::ofstream(folder + "/other.dll") << "MZ";

    CTarnviewApp app;
    int exitCode = -1;
    ASSERT_TRUE(app.InitInstance(
        {QStringLiteral("tarnview"), QStringLiteral("--headers"), QString::fromStdString(module)},
        exitCode));
    ASSERT_NE(app.GetMainFrame(), nullptr);
    EXPECT_EQ(app.GetMainFrame()->GetRightView()->GetSelectedPath(), module);
    EXPECT_EQ(app.ModuleWindowCount(), 1u);
    EXPECT_TRUE(desktop.messages.empty());
    app.ExitInstance();

    // A file that is not there: the main window in its folder, and the load error box.
    CTarnviewApp second;
    ASSERT_TRUE(second.InitInstance({QStringLiteral("tarnview"), QStringLiteral("--headers"),
                                     QString::fromStdString(folder + "/gone.dll")},
                                    exitCode));
    EXPECT_EQ(second.ModuleWindowCount(), 0u);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].first, QMessageBox::Critical);
    EXPECT_TRUE(desktop.messages[0].second.contains(QStringLiteral("gone.dll")));

    CTarnviewApp third;
    EXPECT_FALSE(
        third.InitInstance({QStringLiteral("tarnview"), QStringLiteral("--help")}, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(
        third.InitInstance({QStringLiteral("tarnview"), QStringLiteral("--headers")}, exitCode));
    EXPECT_EQ(exitCode, 2);
}

// Paths are paths: only -Embedding and -Automation and the program's own "--" options are
// switches, "--" ends them, and an option nobody knows is an error instead of vanishing.
TEST(TarnviewAppTest, TheCommandLineTakesPathsAsPaths) {
    CFakeDesktopServices desktop;
    tv::test::CTempHive hive;
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const char* name : {"-dash", "Embedding", "-Embedding"})
        ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(name)));
    const auto selectedFolder = [](CTarnviewApp& app) {
        return app.GetMainFrame()->GetLeftView()->GetSelectedIdList();
    };
    const auto listOf = [&](const char* name) {
        return tv::CShellNamespace().PathToIdList(dir.path().toStdString() + "/" + name);
    };
    int exitCode = -1;

    for (const char* name : {"-dash", "-Embedding"}) {
        CTarnviewApp app;
        ASSERT_TRUE(app.InitInstance(
            {QStringLiteral("tarnview"), QStringLiteral("--"), QString::fromLatin1(name)},
            exitCode))
            << name;
        ASSERT_NE(app.GetMainFrame(), nullptr);
        EXPECT_EQ(selectedFolder(app), listOf(name)) << name;
        app.ExitInstance();
    }
    {
        // A folder called Embedding is no switch, and neither is the slash form of one.
        CTarnviewApp app;
        ASSERT_TRUE(
            app.InitInstance({QStringLiteral("tarnview"), QStringLiteral("Embedding")}, exitCode));
        EXPECT_EQ(selectedFolder(app), listOf("Embedding"));
        CTarnviewApp slash;
        ASSERT_TRUE(slash.InitInstance({QStringLiteral("tarnview"), QStringLiteral("/Embedding")},
                                       exitCode));
        ASSERT_NE(slash.GetMainFrame(), nullptr);
    }
    {
        // "--" is no path itself; the program's start-up test option is known.
        CTarnviewApp app;
        ASSERT_TRUE(app.InitInstance(
            {QStringLiteral("tarnview"), QStringLiteral("--quit-after-show"), QStringLiteral("--")},
            exitCode));
        EXPECT_TRUE(selectedFolder(app).IsNull());
    }
    desktop.messages.clear();
    // An unknown option ends the program with status 2 instead of being dropped.
    CTarnviewApp unknown;
    EXPECT_FALSE(
        unknown.InitInstance({QStringLiteral("tarnview"), QStringLiteral("-dash")}, exitCode));
    EXPECT_EQ(exitCode, 2);
    EXPECT_EQ(unknown.GetMainFrame(), nullptr);
    // The switches still start no window, in any case.
    CTarnviewApp automation;
    EXPECT_FALSE(automation.InitInstance(
        {QStringLiteral("tarnview"), QStringLiteral("-automation")}, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(automation.GetMainFrame(), nullptr);
    QDir::setCurrent(previous);
}

}  // namespace
