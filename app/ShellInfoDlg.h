// The two commands that tell the user which system the program runs on: "Shell Information..."
// (a message box) and "Info über Windows" (a small window in place of the system's own about
// box). Both give the Windows name and shell version that the decision table of
// browser/ShellInformation.h gives (on Linux no call reports Windows numbers, so those show the
// unknown text) and, beside them, the real system: distribution, kernel, desktop and Qt version.
#pragma once

#include <QDialog>
#include <QString>

#include "browser/ShellInformation.h"

class QLabel;

namespace tv {

// The Qt version the program runs with (the library's, not the headers').
[[nodiscard]] QString QtVersionText();

// The text of "Shell Information...": the table's two lines, an empty line, then the real
// system's three lines and "Qt: <version>".
[[nodiscard]] QString ShellInformationMessage(const LinuxSystemInfo& system);

// Command "Shell Information...": the message above in an information box owned by owner.
void OnShellInformation(QWidget* owner);
// Command "Info über Windows": a modal CShellInfoDlg owned by owner.
void OnAboutWindows(QWidget* owner);

// "Info über Windows": the system's name as the table gives it in large type, then the real
// system line by line, and the user the program runs for.
class CShellInfoDlg : public QDialog {
    Q_OBJECT

public:
    // Reads the real system itself.
    explicit CShellInfoDlg(QWidget* parent = nullptr);
    CShellInfoDlg(const tv::LinuxSystemInfo& system, QWidget* parent = nullptr);
    ~CShellInfoDlg() override;

    // All texts of the window, top to bottom, one a line.
    [[nodiscard]] QString GetText() const;

private:
    void Build(const tv::LinuxSystemInfo& system);
};

}  // namespace tv
