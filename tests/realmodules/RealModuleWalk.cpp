// Walks one folder of real Windows modules through the program's module windows, headless: the
// headers window in both displays with every line expanded and painted; the resources window with
// every item of its tree selected in turn and the page it shows painted; every dialog resource
// built as a preview and run in "Dialogtest", which is then closed again with Escape.
//
//   tarnview_realmodules_ui KIND [--limit-ms N] [--only NAME]
//
// KIND is a folder of the real-module cache (scripts/fetch-real-modules.sh). Exit status 0 when
// every module passed, 1 when one failed, 77 (skipped) when the cache has no such folder.
#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "browser/QtModuleIcon.h"
#include "module/ModuleHeadersDlg.h"
#include "module/QtModuleWindow.h"
#include "module/QtReportTreeModel.h"
#include "res/Commands.h"
#include "resources/DialogPreview.h"
#include "resources/DialogTestDlg.h"
#include "resources/ImagePage.h"
#include "resources/ResourceTypes.h"
#include "resources/ResourcesDlg.h"

namespace fs = std::filesystem;

namespace {

// The slowest module measured under ASan/UBSan took about 11 s (see the README); three times that,
// so a busy machine does not fail a module, while a walk that went quadratic or hangs still does.
constexpr qint64 kDefaultLimitMs = 35000;

std::string CacheFolder() {
    if (const char* set = std::getenv("TARNVIEW_REAL_MODULES"); set != nullptr && *set != '\0')
        return set;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg != '\0')
        return std::string(xdg) + "/tarnview/real-modules";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.cache/tarnview/real-modules";
}

// The application's own icon lookup, so the windows take each module's icon as they do in the
// program; the module commands have nothing to open here.
struct WalkHost : tv::IModuleWindowHost {
    bool OpenHeadersWindow(const std::string&) override { return true; }
    bool OpenResourcesWindow(const std::string&) override { return true; }
    bool ShowFileProperties(const std::string&, QWidget*) override { return true; }
    QIcon ModuleIcon(const std::string& path) override { return tv::ModuleListIcon(path, false); }
};

struct Totals {
    size_t modules = 0;
    size_t failedModules = 0;
    size_t withoutResources = 0;
    size_t headerLines = 0;
    size_t nodes = 0;
    size_t dialogs = 0;
    size_t dialogsBuilt = 0;
    size_t dialogsTested = 0;
    std::string slowest;
    qint64 slowestMs = -1;
};

// Failures of one module and notes on it, printed under its line.
struct ModuleResult {
    std::vector<std::string> failures;
    std::vector<std::string> notes;
    void Fail(std::string text) { failures.push_back(std::move(text)); }
    void Note(std::string text) { notes.push_back(std::move(text)); }
};

// Model tests report through qWarning in the "qt.modeltest" category; each one is a failure of the
// module being walked.
ModuleResult* g_current = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void MessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (g_current != nullptr && context.category != nullptr &&
        qstrcmp(context.category, "qt.modeltest") == 0 && type != QtDebugMsg)
        g_current->Fail("model test: " + text.toStdString());
    // The offscreen platform says so for every window shown and raised; that is no news.
    if (text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (g_previousHandler != nullptr) g_previousHandler(type, context, text);
}

// Every index below parent, depth first, parent's own children before their children.
void ForEachIndex(const QAbstractItemModel& model, const QModelIndex& parent,
                  const std::function<void(const QModelIndex&)>& visit) {
    const int rows = model.rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        visit(index);
        ForEachIndex(model, index, visit);
    }
}

// Draws the window as the screen would and fails when nothing came out.
void Paint(QWidget& window, const char* what, ModuleResult& result) {
    if (window.grab().isNull()) result.Fail(std::string("painting ") + what + " gave no picture");
}

void WalkHeaders(const std::string& path, bool pe32plus, WalkHost& host, Totals& totals,
                 ModuleResult& result) {
    tv::CModuleHeadersDlg dlg(&host);
    dlg.setAttribute(Qt::WA_DeleteOnClose, false);  // on the stack here
    QAbstractItemModelTester tester(dlg.Tree()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    if (!dlg.LoadModule(path)) {
        result.Fail("the headers window does not open it: " + dlg.GetErrorText());
        return;
    }
    dlg.resize(800, 600);
    dlg.show();
    for (const bool full : {false, true}) {
        if (full) dlg.OnCommand(tv::cmd::kFullDisplay);
        if (dlg.IsFullDisplay() != full) result.Fail("the display did not switch");
        QTreeView* tree = dlg.Tree();
        tree->expandAll();
        const QAbstractItemModel& model = *tree->model();
        size_t lines = 0;
        ForEachIndex(model, {}, [&](const QModelIndex& index) {
            ++lines;
            (void)index.data(Qt::DisplayRole);
            (void)index.data(Qt::DecorationRole);
            if (model.hasChildren(index) && !tree->isExpanded(index))
                result.Fail("a line stayed collapsed: " + index.data().toString().toStdString());
        });
        if (lines != dlg.Report().Size())
            result.Fail("the tree shows " + std::to_string(lines) + " of " +
                        std::to_string(dlg.Report().Size()) + " report lines");
        totals.headerLines += lines;
        Paint(dlg, "the headers window", result);
        // The last lines too, where the longest lists end.
        tree->verticalScrollBar()->setValue(tree->verticalScrollBar()->maximum());
        Paint(dlg, "the end of the headers", result);
        if (full) {
            const char* layout = pe32plus ? "OptionalHeader (IMAGE_OPTIONAL_HEADER64)"
                                          : "OptionalHeader (IMAGE_OPTIONAL_HEADER32)";
            if (dlg.Report().Find(layout) == tv::kNoReportNode)
                result.Fail(std::string("the full display lacks ") + layout);
        }
    }
    dlg.hide();
}

// "Testdialog" on the image page, which runs the dialog modally; a timer inside that run closes
// it with Escape, as a user would. true when the test window ran.
bool TestDialog(tv::CImagePage& page, const std::string& name, ModuleResult& result) {
    bool ran = false;
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* running = qobject_cast<tv::CDialogTestDlg*>(QApplication::activeModalWidget());
        if (running == nullptr) return;
        ran = true;
        if (running->Preview() == nullptr) {
            result.Fail("dialog " + name + ": Dialogtest runs without the dialog");
            running->reject();
            return;
        }
        Paint(*running, "Dialogtest", result);
        QTest::keyClick(running->Preview(), Qt::Key_Escape);
        if (running->isVisible()) {
            result.Fail("dialog " + name + ": Escape does not end Dialogtest");
            running->reject();
        }
    });
    closer.start(0);
    page.OnTestDialog();
    closer.stop();
    return ran;
}

void WalkResources(const std::string& path, WalkHost& host, Totals& totals, ModuleResult& result) {
    tv::CResourcesDlg dlg(&host);
    QAbstractItemModelTester tester(dlg.Tree()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    if (!dlg.LoadModule(path)) {
        // A module without resources is no failure; the window says why it stays shut.
        ++totals.withoutResources;
        if (dlg.GetErrorText().empty()) result.Fail("the resources window fails without a text");
        return;
    }
    dlg.resize(900, 600);
    dlg.show();
    QTreeView* tree = dlg.Tree();
    QAbstractItemModel& model = *tree->model();
    const auto* items = static_cast<const tv::CReportTreeModel*>(&model);

    std::vector<QPersistentModelIndex> all;
    ForEachIndex(model, {}, [&](const QModelIndex& index) { all.emplace_back(index); });
    if (all.size() != dlg.Items().Lines().Size())
        result.Fail("the tree has " + std::to_string(all.size()) + " of " +
                    std::to_string(dlg.Items().Lines().Size()) + " items");

    std::vector<QString> messages;
    const auto previousBox = tv::CDialogTestDlg::SetMessageBox(
        [&](QWidget*, const QString& text) { messages.push_back(text); });
    for (const QPersistentModelIndex& index : all) {
        tree->setCurrentIndex(index);
        ++totals.nodes;
        QWidget* page = dlg.VisiblePage();
        const tv::ReportNode node = items->NodeOf(index);
        const tv::ResourceTreeItem& item = dlg.Items().Item(node);
        const std::string label = index.data().toString().toStdString();
        if (page == nullptr) {
            result.Fail("item " + label + " shows no page");
            continue;
        }
        // The page shows what changed; the whole window, tree included, is drawn when a type
        // opens (its folder picture changes) and at the end, which keeps the walk's time on the
        // pages rather than on redrawing the same tree for each of a type's resources.
        Paint(*page, "the page", result);
        if (item.level != tv::ResourceTreeLevel::kResource)
            Paint(dlg, "the resources window", result);
        if (item.level != tv::ResourceTreeLevel::kResource || item.type.IsName() ||
            item.type.GetNumber() != tv::kRtDialog)
            continue;

        // A dialog: the page's picture, the preview on its own, and the test window.
        ++totals.dialogs;
        std::string error;
        const auto preview = tv::CreateDialogPreview(dlg.Catalog(), item.name, nullptr, &error);
        const bool pictured = !dlg.ImagePage()->Picture().Empty();
        if (preview != nullptr) {
            ++totals.dialogsBuilt;
            if (preview->Picture().isNull()) result.Fail("dialog " + label + " draws no picture");
        } else {
            result.Note("dialog " + label + " has no preview: " + error);
        }
        if ((preview != nullptr) != pictured)
            result.Fail("dialog " + label + ": the page and the preview disagree (" +
                        (pictured ? "picture" : "no picture") + ", " +
                        (preview ? "preview" : "no preview: " + error) + ")");
        messages.clear();
        const bool ran = TestDialog(*dlg.ImagePage(), label, result);
        if (ran) ++totals.dialogsTested;
        if (ran != (preview != nullptr))
            result.Fail("dialog " + label +
                        (ran ? ": Dialogtest runs a dialog the preview refused"
                             : ": Dialogtest does not run it"));
        if (!ran && messages.empty())
            result.Fail("dialog " + label + ": Dialogtest neither runs nor says why");
    }
    tv::CDialogTestDlg::SetMessageBox(previousBox);
    Paint(dlg, "the resources window", result);
    dlg.hide();
}

}  // namespace

int main(int argc, char** argv) {
    std::string kind;
    std::string only;
    qint64 limitMs = kDefaultLimitMs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--limit-ms" && i + 1 < argc) {
            limitMs = std::atoll(argv[++i]);
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (kind.empty() && !arg.empty() && arg[0] != '-') {
            kind = arg;
        } else {
            std::fprintf(stderr, "Usage: %s KIND [--limit-ms N] [--only NAME]\n", argv[0]);
            return 2;
        }
    }
    if (kind.empty()) {
        std::fprintf(stderr, "Usage: %s KIND [--limit-ms N] [--only NAME]\n", argv[0]);
        return 2;
    }

    const fs::path folder = fs::path(CacheFolder()) / kind;
    std::error_code ec;
    std::vector<fs::path> modules;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file() && (only.empty() || it->path().filename() == only))
            modules.push_back(it->path());
    }
    if (modules.empty() && !only.empty() && fs::is_directory(folder, ec)) {
        std::fprintf(stderr, "%s has no module %s\n", folder.c_str(), only.c_str());
        return 2;
    }
    if (modules.empty()) {
        std::printf(
            "skipped: no real modules in %s; fetch them with scripts/fetch-real-modules.sh "
            "[CACHE] and point TARNVIEW_REAL_MODULES at CACHE (default "
            "~/.cache/tarnview/real-modules)\n",
            folder.c_str());
        return 77;
    }
    std::sort(modules.begin(), modules.end());

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Settings the pages read come from a hive of this run, never the user's.
    QTemporaryDir scratch;
    if (scratch.isValid())
        setenv("TARNVIEW_HIVE", (scratch.path() + QStringLiteral("/hive.reg")).toLocal8Bit(), 1);
    QApplication app(argc, argv);
    const bool pe32plus = kind.find("x86_64") != std::string::npos;

    g_previousHandler = qInstallMessageHandler(MessageHandler);
    WalkHost host;
    Totals totals;
    for (const fs::path& module : modules) {
        const std::string name = module.filename().string();
        ModuleResult result;
        g_current = &result;
        const size_t nodesBefore = totals.nodes;
        const size_t dialogsBefore = totals.dialogs;
        QElapsedTimer timer;
        timer.start();
        try {
            WalkHeaders(module.string(), pe32plus, host, totals, result);
            WalkResources(module.string(), host, totals, result);
        } catch (const std::exception& e) {
            result.Fail(std::string("exception: ") + e.what());
        }
        // Windows closed above are deleted here, inside the module's time.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const qint64 ms = timer.elapsed();
        g_current = nullptr;
        if (ms > limitMs)
            result.Fail("the walk took " + std::to_string(ms) + " ms, more than the limit of " +
                        std::to_string(limitMs) + " ms");
        ++totals.modules;
        if (ms > totals.slowestMs) {
            totals.slowestMs = ms;
            totals.slowest = name;
        }
        std::printf("%-40s %7lld ms %5zu nodes %4zu dialogs%s\n", name.c_str(),
                    static_cast<long long>(ms), totals.nodes - nodesBefore,
                    totals.dialogs - dialogsBefore, result.failures.empty() ? "" : "  FAILED");
        for (const std::string& note : result.notes)
            std::printf("    note: %s\n", note.c_str());
        for (const std::string& failure : result.failures)
            std::printf("    %s\n", failure.c_str());
        if (!result.failures.empty()) ++totals.failedModules;
        std::fflush(stdout);
    }
    qInstallMessageHandler(g_previousHandler);

    std::printf(
        "realmodules ui %s: %zu modules (%zu failed, %zu without resources), %zu header lines, "
        "%zu nodes selected, %zu dialogs previewed (%zu built, %zu tested), slowest %s %lld ms "
        "(limit %lld ms)\n",
        kind.c_str(), totals.modules, totals.failedModules, totals.withoutResources,
        totals.headerLines, totals.nodes, totals.dialogs, totals.dialogsBuilt, totals.dialogsTested,
        totals.slowest.c_str(), static_cast<long long>(totals.slowestMs),
        static_cast<long long>(limitMs));
    return totals.failedModules == 0 ? 0 : 1;
}
