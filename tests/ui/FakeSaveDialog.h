// The save question and the error box of the resource pages, answered by a test: while an object
// lives, every save asks it (and it keeps the request) and every failure is recorded instead of
// shown.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/QtSaveFile.h"

class CFakeSaveDialog {
public:
    CFakeSaveDialog()
        : m_previousChooser(tv::SetSaveFileChooser([this](QWidget*, const tv::SaveFileRequest& r) {
              request = r;
              return answer;
          })),
          m_previousReporter(tv::SetSaveErrorReporter(
              [this](QWidget*, const QString& text) { errors.append(text); })) {}
    ~CFakeSaveDialog() {
        tv::SetSaveFileChooser(m_previousChooser);
        tv::SetSaveErrorReporter(m_previousReporter);
    }
    CFakeSaveDialog(const CFakeSaveDialog&) = delete;
    CFakeSaveDialog& operator=(const CFakeSaveDialog&) = delete;

    std::string answer;  // the path the "user" chooses; empty cancels
    tv::SaveFileRequest request;
    QStringList errors;

private:
    tv::SaveFileChooser m_previousChooser;
    tv::SaveErrorReporter m_previousReporter;
};

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
