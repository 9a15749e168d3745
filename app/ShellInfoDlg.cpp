#include "app/ShellInfoDlg.h"

#include <pwd.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>
#include <array>
#include <optional>
#include <string>

#include "browser/QtShellServices.h"
#include "common/NumberText.h"
#include "common/TextCodec.h"

namespace tv {

namespace {

QString Known(const std::string& text) {
    return QString::fromStdString(text.empty() ? std::string(kUnknownSystemText) : text);
}

// No call on Linux reports Windows numbers or a Windows shell library; the table names what it
// is given, which here is nothing.
QString WindowsLine() {
    return QString::fromStdString(
        ShellInformationText(WindowsSystemName(std::nullopt), ShellVersionText({})));
}

// The user's full name from the password database (its first comma-separated field), or the
// login name when there is none.
QString UserText() {
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr)
        return QString();
    std::string login = found->pw_name != nullptr ? found->pw_name : "";
    std::string name = found->pw_gecos != nullptr ? found->pw_gecos : "";
    name = name.substr(0, name.find(','));
    if (name.empty() || name == login) return QString::fromStdString(SanitizeUtf8(login));
    return QString::fromStdString(SanitizeUtf8(name) + " (" + SanitizeUtf8(login) + ")");
}

QString MemoryText() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return QString();
    const uint64_t bytes = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    return QString::fromStdString(CNumberText().FormatByteSize(bytes).GetText());
}

}  // namespace

QString QtVersionText() { return QString::fromLatin1(qVersion()); }

QString ShellInformationMessage(const LinuxSystemInfo& system) {
    return WindowsLine() + QStringLiteral("\n\n") +
           QString::fromStdString(LinuxSystemText(system)) + QStringLiteral("\nQt: ") +
           QtVersionText();
}

void OnShellInformation(QWidget* owner) {
    DesktopServices().ShowMessage(owner, QMessageBox::Information,
                                  ShellInformationMessage(ReadLinuxSystemInfo()));
}

void OnAboutWindows(QWidget* owner) {
    CShellInfoDlg dialog(owner);
    dialog.exec();
}

CShellInfoDlg::CShellInfoDlg(QWidget* parent) : QDialog(parent) {
    Build(tv::ReadLinuxSystemInfo());
}

CShellInfoDlg::CShellInfoDlg(const tv::LinuxSystemInfo& system, QWidget* parent) : QDialog(parent) {
    Build(system);
}

CShellInfoDlg::~CShellInfoDlg() = default;

void CShellInfoDlg::Build(const tv::LinuxSystemInfo& system) {
    setWindowTitle(QStringLiteral("Info über Windows"));
    auto* layout = new QVBoxLayout(this);

    const QStringList windows = tv::WindowsLine().split(QLatin1Char('\n'));
    auto* name = new QLabel(windows.value(0), this);
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    name->setFont(large);
    layout->addWidget(name);
    layout->addWidget(new QLabel(windows.value(1), this));

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addSpacing(4);
    layout->addWidget(line);
    layout->addSpacing(4);

    layout->addWidget(new QLabel(QStringLiteral("Dieses Programm läuft unter:"), this));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setColumnStretch(1, 1);
    const std::array<std::pair<QString, QString>, 6> rows = {{
        {QStringLiteral("Distribution:"), tv::Known(system.distribution)},
        {QStringLiteral("Kernel:"), tv::Known(system.kernel)},
        {QStringLiteral("Arbeitsumgebung:"), tv::Known(system.desktop)},
        {QStringLiteral("Qt:"), tv::QtVersionText()},
        {QStringLiteral("Benutzer:"), tv::Known(tv::UserText().toStdString())},
        {QStringLiteral("Arbeitsspeicher:"), tv::Known(tv::MemoryText().toStdString())},
    }};
    int row = 0;
    for (const auto& [label, value] : rows) {
        grid->addWidget(new QLabel(label, this), row, 0, Qt::AlignLeft | Qt::AlignTop);
        auto* text = new QLabel(value, this);
        text->setTextFormat(Qt::PlainText);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(text, row, 1);
        ++row;
    }
    layout->addLayout(grid);
    layout->addSpacing(8);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CShellInfoDlg::GetText() const {
    QStringList texts;
    for (const QLabel* label : findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) texts << label->text();
    }
    return texts.join(QLatin1Char('\n'));
}

}  // namespace tv
