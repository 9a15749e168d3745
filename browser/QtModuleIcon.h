// The picture a row of the module list shows: a module's own icon, taken from its first icon
// group as file managers on Windows show it, else a picture for the kind of file or folder.
#pragma once

#include <QIcon>

#include <string>

namespace tv {

// Every image of the first icon group of the module at path, decoded (PNG images included), as
// one icon; a null icon when the module has no icon group or none of its images decodes.
[[nodiscard]] QIcon ModuleOwnIcon(const std::string& path);

// The row picture: a folder's, or the module's own icon, or the desktop theme's icon for the file
// type, or a picture of the image strip when the theme has none.
[[nodiscard]] QIcon ModuleListIcon(const std::string& path, bool folder);

}  // namespace tv
