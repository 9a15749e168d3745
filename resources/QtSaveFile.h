// The save-file question of the resource pages: a Qt file dialog with the program's filters
// (written as the string table holds them, "Text|*.txt|All|*.*||"), a proposed name, a default
// extension and an overwrite prompt. Tests put a chooser in place that answers without a dialog.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace tv {

struct SaveFileRequest {
    QString filter;            // "Description|pattern|..." with a closing "|"
    QString proposedName;      // without folder
    QString defaultExtension;  // without the dot; added when the chosen name has none
};

// The chosen path (raw file-name bytes), or empty when the user cancelled.
using SaveFileChooser = std::function<std::string(QWidget* owner, const SaveFileRequest& request)>;

[[nodiscard]] std::string ChooseSaveFile(QWidget* owner, const SaveFileRequest& request);
// Puts a chooser in place (an empty one restores the dialog); returns the one in place before.
SaveFileChooser SetSaveFileChooser(SaveFileChooser chooser);

// Tells the user that a save failed (an error box); tests put a reporter in place that records.
using SaveErrorReporter = std::function<void(QWidget* owner, const QString& text)>;
void ShowSaveError(QWidget* owner, const QString& text);
SaveErrorReporter SetSaveErrorReporter(SaveErrorReporter reporter);

// The string table's filter form as Qt's: "Text (*.txt)|*.txt|All (*.*)|*.*||" becomes
// "Text (*.txt);;All (*)", each description kept as written, "*.*" shown as Qt's "*".
[[nodiscard]] QString QtFileFilter(const QString& filter);

// The title of a module file (its name without folder and extension): the proposed name of every
// save. fallback (string 2020 "Resource" when not given) when the file is not there.
[[nodiscard]] QString ModuleFileTitle(const std::string& modulePath, const QString& fallback = {});

// The extension of a chosen path in lower case, without the dot; empty when it has none.
[[nodiscard]] std::string LowerExtension(std::string_view path);

}  // namespace tv
