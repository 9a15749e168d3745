#include "resources/ImagePage.h"

#include <QBuffer>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

#include "common/SystemErrorText.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "res/Menus.h"
#include "res/QtWaitCursor.h"
#include "res/StringTable.h"
#include "resources/BitmapFile.h"
#include "resources/DialogPreview.h"
#include "resources/DialogTestDlg.h"
#include "resources/QtPicture.h"
#include "resources/QtSaveFile.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"
#include "ui_ImagePage.h"

namespace tv {

namespace {

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr uint32_t kBitmapSaveErrorString = 1005;
constexpr uint32_t kRawSaveErrorString = 1006;
constexpr uint32_t kDialogLoadErrorString = 1003;

}  // namespace

CImagePage::CImagePage(QWidget* parent)
    : CResourcePage(parent), m_ui(std::make_unique<Ui::ImagePage>()) {
    m_ui->setupUi(this);
    QWidget* area = m_ui->pictureArea;
    area->setAttribute(Qt::WA_OpaquePaintEvent);
    area->installEventFilter(this);
    for (QScrollBar* bar : {m_ui->scroll1011, m_ui->scroll1012}) {
        bar->setSingleStep(1);  // one step is one pixel
        bar->setRange(0, 0);
        connect(bar, &QScrollBar::valueChanged, area, qOverload<>(&QWidget::update));
    }
    m_toolbar = new CDialogToolBar(this);
    m_toolbar->CreateAtPlaceholder(this, 1003, kImagePageToolbar);
    m_toolbar->HideButton(cmd::kSaveAs);
    m_toolbar->HideButton(cmd::kTestDialog);
    connect(m_toolbar, &CDialogToolBar::commandTriggered, this, [this](uint32_t id) {
        if (id == cmd::kSaveAs) OnSaveAs();
        if (id == cmd::kTestDialog) OnTestDialog();
    });
}

CImagePage::~CImagePage() = default;

QScrollBar* CImagePage::HorizontalBar() const noexcept { return m_ui->scroll1011; }
QScrollBar* CImagePage::VerticalBar() const noexcept { return m_ui->scroll1012; }
QWidget* CImagePage::PictureArea() const noexcept { return m_ui->pictureArea; }

uint32_t CImagePage::ButtonFace() const {
    return palette().color(QPalette::Button).rgb() & 0xFFFFFF;
}

void CImagePage::SetSource(const CResourceCatalog& catalog, uint16_t type,
                           const CResourceId& name) {
    m_catalog = &catalog;
    m_type = type;
    m_name = name;
}

void CImagePage::ClearPicture() {
    m_picture = {};
    m_image = {};
    UpdateScrollBars();
    m_ui->pictureArea->update();
}

void CImagePage::SetPicture(CPicture picture) {
    ClearPicture();
    m_picture = std::move(picture);
    m_image = ToQImage(m_picture);
    m_ui->scroll1011->setValue(0);
    m_ui->scroll1012->setValue(0);
    UpdateScrollBars();
    m_toolbar->HideButton(cmd::kSaveAs, false);
    m_toolbar->HideButton(cmd::kTestDialog, true);
    m_ui->pictureArea->update();
}

void CImagePage::ShowBitmapResource(const CResourceCatalog& catalog, const CResourceId& name) {
    CWaitCursor wait;
    ClearPicture();
    SetSource(catalog, kRtBitmap, name);
    CPicture picture;
    std::string error;
    // A bitmap that cannot be decoded still offers its raw bytes for saving.
    if (!LoadBitmapResource(catalog, name, picture, error)) picture = {};
    SetPicture(std::move(picture));
}

void CImagePage::ShowIconResource(const CResourceCatalog& catalog, const CResourceId& name) {
    ShowIconImage(catalog, name, false);
}

void CImagePage::ShowCursorResource(const CResourceCatalog& catalog, const CResourceId& name) {
    ShowIconImage(catalog, name, true);
}

void CImagePage::ShowIconImage(const CResourceCatalog& catalog, const CResourceId& name,
                               bool cursor) {
    CWaitCursor wait;
    ClearPicture();
    SetSource(catalog, cursor ? kRtCursor : kRtIcon, name);
    CIconImage image;
    std::string error;
    const bool loaded = cursor ? LoadCursorResource(catalog, name, image, error)
                               : LoadIconResource(catalog, name, image, error);
    if (!loaded) return;
    CPicture picture;
    if (image.IsPng()) {
        picture = PictureOver(ToQImage(image), ButtonFace());
    } else if (!DrawIconPicture(image, ButtonFace(), picture, error)) {
        return;
    }
    if (picture.Empty()) return;
    SetPicture(std::move(picture));
}

void CImagePage::ShowDialogResource(const CResourceCatalog& catalog, const CResourceId& name) {
    CWaitCursor wait;
    ClearPicture();
    SetSource(catalog, kRtDialog, name);
    m_toolbar->HideButton(cmd::kSaveAs);
    m_toolbar->HideButton(cmd::kTestDialog);
    const QImage image = DialogPicture(catalog, name);
    if (image.isNull()) return;
    SetPicture(PictureOver(image, ButtonFace()));
    m_toolbar->HideButton(cmd::kTestDialog, false);
}

void CImagePage::OnTestDialog() {
    if (m_catalog == nullptr || m_type != kRtDialog) return;
    try {
        CDialogTestDlg dialog(this);
        dialog.SetSource(*m_catalog, m_name);
        (void)dialog.RunModal();
    } catch (const std::exception& e) {
        const std::string_view message = LoadString(kDialogLoadErrorString);
        CDialogTestDlg::ShowMessage(this,
                                    Qs(message) + QLatin1Char('\n') + QString::fromUtf8(e.what()));
    }
    ActivateParent();
}

bool SaveResourcePicture(const std::string& modulePath, const CResourceId& type,
                         const CResourceId& name, const std::string& out, std::string& error) {
    CResourceCatalog catalog;
    if (!catalog.Enumerate(modulePath)) {
        error = ModuleLoadErrorMessage(catalog.GetErrorCode(), modulePath);
        return false;
    }
    if (!catalog.GetData(type, name)) {
        error =
            "Das Modul hat keine Ressource " + ResourceTypeSymbol(type) + " " + name.ToText() + ".";
        return false;
    }
    const std::string extension = LowerExtension(out);
    if (extension != "png" && extension != "bmp") {
        error = "Das Bild wird als .png oder .bmp geschrieben, nicht als \"" + out + "\".";
        return false;
    }
    CImagePage page;
    switch (type.IsName() ? 0 : type.GetNumber()) {
        case kRtBitmap:
            page.ShowBitmapResource(catalog, name);
            break;
        case kRtIcon:
            page.ShowIconResource(catalog, name);
            break;
        case kRtCursor:
            page.ShowCursorResource(catalog, name);
            break;
        case kRtDialog: {
            std::string reason;
            if (!CreateDialogPreview(catalog, name, nullptr, &reason)) {
                error = "Der Dialog " + name.ToText() + " lässt sich nicht erzeugen: " + reason;
                return false;
            }
            page.ShowDialogResource(catalog, name);
            break;
        }
        default:
            error = "Ressourcen des Typs " + ResourceTypeSymbol(type) +
                    " sind keine Bilder (Bitmaps, Symbole, Cursor und Dialoge sind es).";
            return false;
    }
    if (page.Picture().Empty()) {
        error = "Die Ressource " + ResourceTypeSymbol(type) + " " + name.ToText() +
                " lässt sich nicht als Bild lesen.";
        return false;
    }
    if (extension == "bmp") return SaveBitmapFile(page.Picture(), out, &error);
    const QImage image = ToQImage(page.Picture());
    std::vector<uint8_t> bytes;
    {
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG")) {
            error = "Das Bild lässt sich nicht als PNG kodieren.";
            return false;
        }
        bytes.assign(encoded.begin(), encoded.end());
    }
    return WriteBytesToFile(out, CByteView(bytes.data(), bytes.size()), &error);
}

QImage DialogPicture(const CResourceCatalog& catalog, const CResourceId& name) {
    std::unique_ptr<CDialogPreview> preview = CreateDialogPreview(catalog, name, nullptr);
    return preview ? preview->Picture() : QImage();
}

void CImagePage::SetZoom(int zoom) {
    zoom = std::clamp(zoom, 1, kMaxZoom);
    if (zoom == m_zoom) return;
    // Keep the picture point at the area's top-left where it was.
    const int x = m_ui->scroll1011->value() / m_zoom;
    const int y = m_ui->scroll1012->value() / m_zoom;
    m_zoom = zoom;
    UpdateScrollBars();
    m_ui->scroll1011->setValue(x * m_zoom);
    m_ui->scroll1012->setValue(y * m_zoom);
    m_ui->pictureArea->update();
}

void CImagePage::UpdateScrollBars() {
    const QSize area = m_ui->pictureArea->size();
    const int width = m_image.isNull() ? 0 : m_image.width() * m_zoom;
    const int height = m_image.isNull() ? 0 : m_image.height() * m_zoom;
    m_ui->scroll1011->setRange(0, std::max(0, width - area.width()));
    m_ui->scroll1011->setPageStep(std::max(1, area.width()));
    m_ui->scroll1012->setRange(0, std::max(0, height - area.height()));
    m_ui->scroll1012->setPageStep(std::max(1, area.height()));
}

void CImagePage::PaintArea() {
    QWidget* area = m_ui->pictureArea;
    QPainter painter(area);
    const QColor face = QColor::fromRgb(ButtonFace());
    if (m_image.isNull()) {
        painter.fillRect(area->rect(), face);
        return;
    }
    const int width = m_image.width() * m_zoom;
    const int height = m_image.height() * m_zoom;
    const int x = m_ui->scroll1011->value();
    const int y = m_ui->scroll1012->value();
    painter.save();
    painter.translate(-x, -y);
    painter.scale(m_zoom, m_zoom);
    // Whole-number factors, no smoothing: every picture pixel stays a sharp square.
    painter.drawImage(0, 0, m_image);
    painter.restore();
    // The strips the picture does not cover.
    if (width - x < area->width())
        painter.fillRect(QRect(width - x, 0, area->width() - (width - x), area->height()), face);
    if (height - y < area->height())
        painter.fillRect(QRect(0, height - y, area->width(), area->height() - (height - y)), face);
}

bool CImagePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->pictureArea) {
        switch (event->type()) {
            case QEvent::Paint:
                PaintArea();
                return true;
            case QEvent::Resize:
                UpdateScrollBars();
                break;
            case QEvent::Wheel: {
                auto* wheel = static_cast<QWheelEvent*>(event);
                const int delta = wheel->angleDelta().y();
                if (wheel->modifiers() & Qt::ControlModifier) {
                    if (delta != 0) SetZoom(m_zoom + (delta > 0 ? 1 : -1));
                } else {
                    QScrollBar* bar = (wheel->modifiers() & Qt::ShiftModifier) || delta == 0
                                          ? m_ui->scroll1011
                                          : m_ui->scroll1012;
                    const int amount = delta != 0 ? delta : wheel->angleDelta().x();
                    // One notch of the wheel moves three 16-pixel rows, as lists scroll.
                    bar->setValue(bar->value() - amount * 48 / 120);
                }
                return true;
            }
            default:
                break;
        }
    }
    return CResourcePage::eventFilter(watched, event);
}

void CImagePage::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        switch (event->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                SetZoom(m_zoom + 1);
                return;
            case Qt::Key_Minus:
                SetZoom(m_zoom - 1);
                return;
            case Qt::Key_0:
                SetZoom(1);
                return;
            default:
                break;
        }
    }
    CResourcePage::keyPressEvent(event);
}

void CImagePage::OnSaveAs() {
    if (m_catalog == nullptr) return;
    SaveFileRequest request;
    request.filter =
        Qs(LoadString(3003)) + Qs(LoadString(3004)) + Qs(LoadString(3000)) + QLatin1Char('|');
    request.proposedName = ModuleFileTitle(m_catalog->GetPath(), QStringLiteral("Bitmaps"));
    request.defaultExtension = QStringLiteral("bmp");
    const std::string path = ChooseSaveFile(this, request);
    if (path.empty()) return;
    if (LowerExtension(path) == "bin") {
        if (!m_catalog->ExportRaw(m_type, m_name, path))
            ShowSaveError(this, Qs(FormatStringResource(kRawSaveErrorString, {path})));
        return;
    }
    if (m_picture.Empty() || !SaveBitmapFile(m_picture, path))
        ShowSaveError(this, Qs(FormatStringResource(kBitmapSaveErrorString, {path})));
}

}  // namespace tv
