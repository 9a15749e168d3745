// The page that shows bitmaps, icons and cursors as pictures: drawn at the top-left of the page
// at their own size (or a whole multiple of it, for a closer look), button face around them,
// scrolled pixel by pixel, and saved as a .bmp file at natural size or as the resource's raw
// bytes.
#pragma once

#include <QImage>

#include <memory>
#include <string>

#include "module/ResourceDirectory.h"
#include "resources/Picture.h"
#include "resources/ResourcePage.h"

class QScrollBar;

namespace Ui {
class ImagePage;
}

namespace tv {

class CDialogToolBar;
class CResourceCatalog;

class CImagePage : public CResourcePage {
    Q_OBJECT
public:
    static constexpr int kMaxZoom = 16;

    explicit CImagePage(QWidget* parent = nullptr);
    ~CImagePage() override;

    void ShowBitmapResource(const CResourceCatalog& catalog, const CResourceId& name);
    void ShowIconResource(const CResourceCatalog& catalog, const CResourceId& name);
    void ShowCursorResource(const CResourceCatalog& catalog, const CResourceId& name);
    // The dialog drawn by the dialog preview, frame included; a dialog that cannot be created
    // leaves the page empty with both buttons hidden.
    void ShowDialogResource(const CResourceCatalog& catalog, const CResourceId& name);

    void OnSaveAs();
    // "Testdialog": the shown dialog running in the test window.
    void OnTestDialog();
    // Whole-number magnification of the shown picture, 1 to kMaxZoom.
    void SetZoom(int zoom);
    [[nodiscard]] int Zoom() const noexcept { return m_zoom; }

    [[nodiscard]] const CPicture& Picture() const noexcept { return m_picture; }
    [[nodiscard]] CDialogToolBar* ToolBar() const noexcept { return m_toolbar; }
    [[nodiscard]] QScrollBar* HorizontalBar() const noexcept;
    [[nodiscard]] QScrollBar* VerticalBar() const noexcept;
    [[nodiscard]] QWidget* PictureArea() const noexcept;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetSource(const CResourceCatalog& catalog, uint16_t type, const CResourceId& name);
    void ClearPicture();
    void SetPicture(CPicture picture);
    void ShowIconImage(const CResourceCatalog& catalog, const CResourceId& name, bool cursor);
    void UpdateScrollBars();
    void PaintArea();
    [[nodiscard]] uint32_t ButtonFace() const;

    std::unique_ptr<Ui::ImagePage> m_ui;
    CDialogToolBar* m_toolbar = nullptr;
    const CResourceCatalog* m_catalog = nullptr;
    CResourceId m_type;
    CResourceId m_name;
    CPicture m_picture;
    QImage m_image;  // m_picture as Qt paints it
    int m_zoom = 1;
};

// The picture of the catalog's dialog resource name as the image page shows it; null when the
// dialog cannot be created.
[[nodiscard]] QImage DialogPicture(const CResourceCatalog& catalog, const CResourceId& name);

// The picture the page shows for resource (type, name) of the module at modulePath (a bitmap, an
// icon, a cursor or a dialog), written to out as .png or .bmp without a window on the screen.
// false with a German message naming what failed.
[[nodiscard]] bool SaveResourcePicture(const std::string& modulePath, const CResourceId& type,
                                       const CResourceId& name, const std::string& out,
                                       std::string& error);

}  // namespace tv
