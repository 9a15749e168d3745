// Our own properties window for a file or folder, shown when the desktop has no file manager that
// offers one: name, type, location, size, dates, permissions and owner, and for a module with a
// version resource the main version texts.
//
// Paths are raw file-system bytes; everything shown is valid UTF-8 (bad bytes as U+FFFD), while
// the file itself is always reached through its raw path, so names that are not UTF-8 still work.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class QGridLayout;
class QLabel;
class QLineEdit;

namespace tv {

class CPropertiesDlg : public QDialog {
    Q_OBJECT

public:
    // One line of the window.
    struct Row {
        enum Kind {
            kValue,      // a label ("Größe:") and its value
            kPath,       // the same for a path, which may be longer than the window is wide
            kSeparator,  // a line between groups; no texts
            kHeading,    // the title of a group (label only)
        };
        Kind kind = kValue;
        QString label;
        QString value;
    };

    // Empty until LoadPath.
    explicit CPropertiesDlg(QWidget* parent = nullptr);
    ~CPropertiesDlg() override;

    // Describes path (not following a final link: a link shows its own properties and its
    // target). False with the error code set, and the window left as it was, when nothing can be
    // found at path.
    bool LoadPath(const std::string& path);

    [[nodiscard]] const std::string& GetPath() const noexcept { return m_path; }
    // 0 after a successful LoadPath; otherwise the code of the failure (Windows numbering).
    [[nodiscard]] uint32_t GetErrorCode() const noexcept { return m_error; }

    // The name line at the top and the rows below it, in the order shown. The module's version
    // texts follow the file's own rows under the heading "Version".
    [[nodiscard]] const QString& GetName() const noexcept { return m_name; }
    [[nodiscard]] const std::vector<Row>& GetRows() const noexcept { return m_rows; }
    // The value of the first row with label; empty when there is none.
    [[nodiscard]] QString ValueOf(const QString& label) const;

private:
    void Rebuild();

    std::string m_path;
    uint32_t m_error = 0;
    QString m_name;
    std::vector<Row> m_rows;

    QLabel* m_icon = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QWidget* m_body = nullptr;
};

}  // namespace tv
