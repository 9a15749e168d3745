#include "resources/DialogTestDlg.h"

#include <QMessageBox>
#include <QScreen>

#include "res/StringTable.h"
#include "resources/DialogPreview.h"
#include "resources/ResourceCatalog.h"
#include "ui_DialogTestDlg.h"

namespace tv {

namespace {

constexpr uint32_t kLoadErrorString = 1003;

CDialogTestDlg::MessageBox& CurrentMessageBox() {
    static CDialogTestDlg::MessageBox box;
    return box;
}

}  // namespace

CDialogTestDlg::CDialogTestDlg(QWidget* owner)
    : QDialog(owner), m_ui(std::make_unique<Ui::DialogTestDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

CDialogTestDlg::~CDialogTestDlg() { DestroyPreview(); }

QWidget* CDialogTestDlg::Placeholder() const noexcept { return m_ui->placeholder1005; }

void CDialogTestDlg::SetSource(const CResourceCatalog& catalog, const CResourceId& name) {
    m_catalog = &catalog;
    m_name = name;
}

CDialogTestDlg::MessageBox CDialogTestDlg::SetMessageBox(MessageBox box) {
    return std::exchange(CurrentMessageBox(), std::move(box));
}

void CDialogTestDlg::ShowMessage(QWidget* owner, const QString& text) {
    if (CurrentMessageBox()) {
        CurrentMessageBox()(owner, text);
        return;
    }
    QMessageBox::warning(owner, QStringLiteral("Tarnview"), text);
}

bool CDialogTestDlg::InitDialog() {
    DestroyPreview();
    std::string error;
    if (m_catalog != nullptr) m_preview = CreateDialogPreview(*m_catalog, m_name, this, &error);
    if (!m_preview) {
        const std::string_view message = LoadString(kLoadErrorString);
        QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
        if (!error.empty()) text += QLatin1Char('\n') + QString::fromStdString(error);
        ShowMessage(this, text);
        return false;
    }
    m_preview->hide();
    m_preview->SetMode(CDialogPreview::kModeForward);
    m_preview->MakeChild(this);
    const QWidget* holder = m_ui->placeholder1005;
    const QSize w = size();
    const QSize p = m_preview->size();
    const QSize h = holder->size();
    m_preview->move(holder->pos());
    m_preview->show();
    // The margins around the placeholder now surround the preview.
    setFixedSize(w.width() + p.width() - h.width(), w.height() + p.height() - h.height());
    if (QWidget* owner = parentWidget()) {
        const QRect over = owner->window()->frameGeometry();
        move(over.center() - QPoint(width() / 2, height() / 2));
    }
    m_preview->setFocus();
    return true;
}

int CDialogTestDlg::RunModal() {
    if (!InitDialog()) return QDialog::Rejected;
    return exec();
}

void CDialogTestDlg::DestroyPreview() { m_preview.reset(); }

bool CDialogTestDlg::OnCommand(uint32_t id) {
    if (id == 1) {
        accept();
        return true;
    }
    if (id == 2) {
        reject();
        return true;
    }
    return false;
}

bool CDialogTestDlg::OnUpdateCommand(CCmdUI& ui) {
    if (ui.GetId() != 1 && ui.GetId() != 2) return false;
    ui.Enable();
    return true;
}

void CDialogTestDlg::done(int result) {
    DestroyPreview();
    QDialog::done(result);
}

}  // namespace tv
