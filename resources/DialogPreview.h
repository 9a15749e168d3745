// A dialog of the inspected module as a Qt widget tree: built from the module's dialog template,
// laid out in dialog units of the template's font, framed with a caption and borders drawn by the
// program (no window manager draws them: the preview is a picture or a child of "Dialogtest").
// None of its controls is connected to anything, no code of the module runs; only OK (1) and
// Cancel (2) have a meaning, chosen by the mode.
#pragma once

#include <QImage>
#include <QWidget>

#include <memory>
#include <string>

#include "common/ByteView.h"
#include "resources/DialogLayout.h"
#include "resources/DialogTemplate.h"

class QButtonGroup;

namespace tv {

class CResourceCatalog;
class CResourceId;

class CDialogPreview : public QWidget {
    Q_OBJECT
public:
    // OK and Cancel end the preview as a dialog would (it hides and tells finished).
    static constexpr int kModeStandard = 1;
    // OK and Cancel go to the nearest command target among the parents, synchronously.
    static constexpr int kModeForward = 2;

    explicit CDialogPreview(QWidget* parent = nullptr);
    ~CDialogPreview() override;

    // Builds the window from a copy of the template with the preview's header changes (hidden,
    // at minus its extent). module supplies the icons, bitmaps and menu the template names; it
    // may be null. false, with ErrorText(), when the template cannot be read or names a control
    // class the program does not know; the preview is then empty.
    bool CreateFromTemplate(CByteView templateBytes, QWidget* parent,
                            const CResourceCatalog* module);
    int SetMode(int mode);
    [[nodiscard]] int Mode() const noexcept { return m_mode; }
    void OnOK();
    void OnCancel();

    // The test window's change: a child without popup, minimise and maximise styles, caption and
    // frame kept.
    void MakeChild(QWidget* parent);

    [[nodiscard]] const DialogModel& Model() const noexcept { return m_model; }
    [[nodiscard]] uint32_t Style() const noexcept { return m_style; }
    [[nodiscard]] DialogBaseUnits BaseUnits() const noexcept { return m_base; }
    [[nodiscard]] const DialogFrame& Frame() const noexcept { return m_frame; }
    [[nodiscard]] QWidget* Client() const noexcept { return m_client; }
    // The position the prepared header gives, in dialog units.
    [[nodiscard]] QPoint TemplatePosition() const noexcept { return {m_model.x, m_model.y}; }
    [[nodiscard]] const std::string& ErrorText() const noexcept { return m_error; }
    // The whole window, frame included, as it would be on the screen.
    [[nodiscard]] QImage Picture();

signals:
    void finished(int result);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Build(const CResourceCatalog* module);
    bool AddControl(const DialogControl& control, size_t index, const CResourceCatalog* module);
    void Command(uint32_t id);
    // OK (1) or Cancel (2) as the mode decides.
    void End(uint32_t id);
    void Fail(std::string text);

    int m_mode = kModeStandard;
    uint32_t m_style = 0;
    DialogModel m_model;
    std::vector<uint8_t> m_bytes;
    DialogBaseUnits m_base;
    DialogFrame m_frame;
    QFont m_font;
    QString m_caption;
    QWidget* m_client = nullptr;
    QWidget* m_menuBar = nullptr;
    QWidget* m_lastControl = nullptr;
    QButtonGroup* m_radioGroup = nullptr;
    std::unique_ptr<QStyle> m_windowsStyle;
    std::string m_error;
};

// The catalog's dialog resource name as a preview with parent; nullptr (and error) when the
// resource is missing or the preview cannot be built.
[[nodiscard]] std::unique_ptr<CDialogPreview> CreateDialogPreview(const CResourceCatalog& catalog,
                                                                  const CResourceId& name,
                                                                  QWidget* parent,
                                                                  std::string* error = nullptr);

// The face a template names, as the fonts installed here can show it: Windows faces go to the
// metric-compatible Wine and Liberation fonts. Registers those fonts with Qt on first use.
[[nodiscard]] QFont DialogFontFor(const DialogModel& model);
// The font's height as the dialog manager measures it (the character height of its base units).
[[nodiscard]] int DialogFontHeight(const QFont& font);

}  // namespace tv
