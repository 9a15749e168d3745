// "Info zu Tarnview": the program's own version texts, read from the version resource the build
// embeds in the program, and its web address as a line that underlines under the mouse and opens
// in the browser when clicked.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <array>

namespace tv {

class CVersionInfo;

// The address line: blue, underlined while the mouse is over it, reports clicks.
class CAddressLabel : public QLabel {
    Q_OBJECT

public:
    explicit CAddressLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetUnderlined(bool underlined);
    bool m_pressed = false;
};

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // The five lines, top to bottom.
    enum Line { kLineTitle, kLineDescription, kLineCopyright, kLineLanguage, kLineAddress };
    static constexpr int kLineCount = 5;

    // Filled from the program's own version resource.
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // Fills the lines from info's selected translation: "<InternalName>  v<FileVersion>
    // <SpecialBuild or Release>", FileDescription, "<LegalCopyright> <CompanyName>", the
    // translation's language name, and Comments, which holds the web address. A missing value
    // leaves its part empty.
    void SetVersionInfo(const CVersionInfo& info);

    [[nodiscard]] QString GetLineText(Line line) const;
    [[nodiscard]] CAddressLabel* GetAddressLabel() const noexcept { return m_address; }

    // Opens the address line with the desktop's default browser when it is a web address
    // ("http://" or "https://"); anything else is left alone, so a damaged or foreign version
    // resource cannot make the program hand a file or command line to xdg-open. True when it was
    // handed over.
    bool OpenAddress();

private:
    std::array<QLabel*, kLineCount> m_lines{};
    CAddressLabel* m_address = nullptr;
};

}  // namespace tv
