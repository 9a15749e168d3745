#include "resources/QtSaveFile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "res/StringTable.h"

namespace tv {

namespace {

SaveFileChooser& Chooser() {
    static SaveFileChooser chooser;
    return chooser;
}

SaveErrorReporter& Reporter() {
    static SaveErrorReporter reporter;
    return reporter;
}

std::string DialogChooser(QWidget* owner, const SaveFileRequest& request) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtFileFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultExtension);
    dialog.selectFile(request.proposedName);
    // The overwrite prompt is the dialog's own; the folder must exist for the name to be taken.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toLocal8Bit().toStdString();
}

}  // namespace

std::string ChooseSaveFile(QWidget* owner, const SaveFileRequest& request) {
    return Chooser() ? Chooser()(owner, request) : DialogChooser(owner, request);
}

SaveFileChooser SetSaveFileChooser(SaveFileChooser chooser) {
    SaveFileChooser previous = std::move(Chooser());
    Chooser() = std::move(chooser);
    return previous;
}

void ShowSaveError(QWidget* owner, const QString& text) {
    if (Reporter()) {
        Reporter()(owner, text);
        return;
    }
    QMessageBox::critical(owner, QStringLiteral("Tarnview"), text);
}

SaveErrorReporter SetSaveErrorReporter(SaveErrorReporter reporter) {
    SaveErrorReporter previous = std::move(Reporter());
    Reporter() = std::move(reporter);
    return previous;
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString description = parts[i];
        description.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        filters.append(description);
    }
    return filters.join(QStringLiteral(";;"));
}

QString ModuleFileTitle(const std::string& modulePath, const QString& fallback) {
    const QString title = QFileInfo(QString::fromLocal8Bit(modulePath.c_str())).completeBaseName();
    if (modulePath.empty() || title.isEmpty() ||
        !QFileInfo::exists(QString::fromLocal8Bit(modulePath.c_str()))) {
        if (!fallback.isEmpty()) return fallback;
        const std::string_view resource = LoadString(2020);
        return QString::fromUtf8(resource.data(), static_cast<qsizetype>(resource.size()));
    }
    return title;
}

std::string LowerExtension(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

}  // namespace tv
