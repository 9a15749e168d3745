// Pictures of windows for a person to look at: written only when TARNVIEW_SCREENSHOT_DIR names a
// folder, so ordinary test runs leave no files behind.
#pragma once

#include <QDir>
#include <QString>
#include <QWidget>

inline void SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("TARNVIEW_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
