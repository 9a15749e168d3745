// The document of the main window: the path the program was started with, which the folder tree
// selects at its first update. No file is read: the path names a folder or file to show.
#pragma once

#include <string>

namespace tv {

class CTarnviewDoc {
public:
    // A new, empty document: no start path.
    bool OnNewDocument() {
        m_title = "Tarnview";
        m_startPath.clear();
        return true;
    }
    // A document for path: the tree selects it at its first update.
    bool OnOpenDocument(const std::string& path) {
        if (!OnNewDocument()) return false;
        m_startPath = path;
        const size_t slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
        m_title = slash == std::string::npos ? path : path.substr(slash + 1);
        return true;
    }
    [[nodiscard]] const std::string& GetStartPath() const noexcept { return m_startPath; }
    [[nodiscard]] const std::string& GetTitle() const noexcept { return m_title; }

private:
    std::string m_startPath;
    std::string m_title = "Tarnview";
};

}  // namespace tv
