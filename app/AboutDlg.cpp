#include "app/AboutDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <string>

#include "browser/QtShellServices.h"
#include "module/VersionInfo.h"

namespace tv {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CAddressLabel::CAddressLabel(QWidget* parent) : QLabel(parent) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    setPalette(palette);
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
}

void CAddressLabel::SetUnderlined(bool underlined) {
    QFont font = this->font();
    if (font.underline() == underlined) return;
    font.setUnderline(underlined);
    setFont(font);
}

void CAddressLabel::enterEvent(QEnterEvent* event) {
    SetUnderlined(true);
    QLabel::enterEvent(event);
}

void CAddressLabel::leaveEvent(QEvent* event) {
    SetUnderlined(false);
    m_pressed = false;
    QLabel::leaveEvent(event);
}

void CAddressLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_pressed = true;
    QLabel::mousePressEvent(event);
}

void CAddressLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a press and a release on the line, as a button sees it.
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click) emit clicked();
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Info zu Tarnview"));

    auto* iconLabel = new QLabel(this);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    iconLabel->setPixmap(icon.pixmap(32, 32));
    iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    for (int i = 0; i < kLineCount; ++i) {
        QLabel* label = nullptr;
        if (i == kLineAddress) {
            m_address = new CAddressLabel(this);
            label = m_address;
        } else {
            label = new QLabel(this);
            label->setTextFormat(Qt::PlainText);
        }
        label->setObjectName(QStringLiteral("text%1").arg(i + 1));
        m_lines[static_cast<size_t>(i)] = label;
        // A gap sets the address apart from the version texts.
        if (i == kLineAddress) texts->addSpacing(6);
        texts->addWidget(label);
    }
    connect(m_address, &CAddressLabel::clicked, this, [this] { OpenAddress(); });

    auto* body = new QHBoxLayout;
    body->addWidget(iconLabel, 0, Qt::AlignTop);
    body->addSpacing(12);
    body->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const CVersionInfo own;  // an empty path reads the program's own version resource
    SetVersionInfo(own);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::SetVersionInfo(const CVersionInfo& info) {
    std::string special = info.GetField(tv::kFieldSpecialBuild);
    if (special.empty()) special = "Release";
    const QString title =
        QStringLiteral("%1  v%2  %3")
            .arg(FromUtf8(info.GetField(tv::kFieldInternalName)),
                 FromUtf8(info.GetField(tv::kFieldFileVersion)), FromUtf8(special));
    const QString copyright =
        QStringLiteral("%1 %2").arg(FromUtf8(info.GetField(tv::kFieldLegalCopyright)),
                                    FromUtf8(info.GetField(tv::kFieldCompanyName)));
    m_lines[kLineTitle]->setText(title);
    m_lines[kLineDescription]->setText(FromUtf8(info.GetField(tv::kFieldFileDescription)));
    m_lines[kLineCopyright]->setText(copyright);
    m_lines[kLineLanguage]->setText(FromUtf8(info.GetLanguageName()));
    m_lines[kLineAddress]->setText(FromUtf8(info.GetField(tv::kFieldComments)));
}

QString CAboutDlg::GetLineText(Line line) const {
    return m_lines[static_cast<size_t>(line)]->text();
}

bool CAboutDlg::OpenAddress() {
    const QString address = m_address->text();
    if (!address.startsWith(QLatin1String("http://")) &&
        !address.startsWith(QLatin1String("https://")))
        return false;
    return tv::DesktopServices().OpenUrl(address);
}

}  // namespace tv
