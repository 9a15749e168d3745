// "Dialogtest": a dialog of the inspected module, running. The preview sits where the window's
// placeholder is, the window grows or shrinks around it, OK and Cancel inside it close the window,
// everything else can be operated and does nothing.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "module/ResourceDirectory.h"
#include "res/CommandTarget.h"

namespace Ui {
class DialogTestDlg;
}

namespace tv {

class CDialogPreview;
class CResourceCatalog;

class CDialogTestDlg : public QDialog, public ICommandTarget {
    Q_OBJECT
public:
    explicit CDialogTestDlg(QWidget* owner);
    ~CDialogTestDlg() override;

    void SetSource(const CResourceCatalog& catalog, const CResourceId& name);
    // Creates the preview and runs the window; Rejected, after message 1003, when the dialog
    // cannot be created.
    int RunModal();
    // The preview in place, without running (RunModal calls it first).
    bool InitDialog();
    void DestroyPreview();
    [[nodiscard]] CDialogPreview* Preview() const noexcept { return m_preview.get(); }
    [[nodiscard]] QWidget* Placeholder() const noexcept;

    bool OnCommand(uint32_t id) override;
    bool OnUpdateCommand(CCmdUI& ui) override;

    // How errors are shown; tests put a recorder in place. Returns the one in place before.
    using MessageBox = std::function<void(QWidget* owner, const QString& text)>;
    static MessageBox SetMessageBox(MessageBox box);
    static void ShowMessage(QWidget* owner, const QString& text);

protected:
    void done(int result) override;

private:
    std::unique_ptr<Ui::DialogTestDlg> m_ui;
    const CResourceCatalog* m_catalog = nullptr;
    CResourceId m_name;
    std::unique_ptr<CDialogPreview> m_preview;
};

}  // namespace tv
