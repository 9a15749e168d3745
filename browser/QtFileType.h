// The one type text of a file or folder, shown alike in the module list's "Modultyp" column and
// in the properties window: the program's own table for module extensions (so a DLL is a
// "Programmbibliothek" everywhere), the shell's folder types for folders, and the desktop's MIME
// comment for every other file.
#pragma once

#include <QByteArray>

#include <string>

#include "shell/ItemIdList.h"

namespace tv {

class CShellNamespace;

// The type text of the item at path (absolute list idList in shell, whose folder types name
// folders). Other files are told by name and first bytes as the MIME database tells them; the
// table's text when it knows none. Safe on any thread: the scan calls it with its own shell.
[[nodiscard]] std::string ItemTypeText(CShellNamespace& shell, const CItemIdList& idList,
                                       const std::string& path, bool folder);

// The first bytes of a regular file, for content sniffing; empty when it cannot be opened. Never
// waits on a file that turned into a FIFO since it was listed.
[[nodiscard]] QByteArray FileStart(const std::string& path);

}  // namespace tv
