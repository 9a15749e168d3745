// The picture a row of the module list shows: a module's own icon, taken from its first icon
// group as file managers on Windows show it, else a picture for the kind of file or folder.
#pragma once

#include <QIcon>
#include <QImage>

#include <string>
#include <vector>

namespace tv {

// Every image of the first icon group of the module at path, decoded (PNG images included);
// none when the module has no icon group or none of its images decodes. Safe on any thread.
[[nodiscard]] std::vector<QImage> ModuleOwnImages(const std::string& path);
// The same images as one icon.
[[nodiscard]] QIcon ModuleOwnIcon(const std::string& path);
// The picture for the kind of file or folder: the desktop theme's, else one of the image strip.
// Cheap: the file is not opened.
[[nodiscard]] QIcon FileTypeIcon(const std::string& path, bool folder);

// The row picture: a folder's, or the module's own icon, or the desktop theme's icon for the file
// type, or a picture of the image strip when the theme has none.
[[nodiscard]] QIcon ModuleListIcon(const std::string& path, bool folder);

}  // namespace tv
